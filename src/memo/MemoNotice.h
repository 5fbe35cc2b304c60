#pragma once

struct MemoGlobals;

namespace memo {

// Tells the desktop that a memo arrived, whether or not its window pops up:
// the sender and the start of the text. A visitor waiting for a reply gets
// the action "Reply", which brings up the memo window.
void NotifyMemoArrived(const MemoGlobals& memo, bool away);

} // namespace memo
