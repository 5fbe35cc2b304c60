#pragma once

#include <QString>

class frmMemoSetup;

namespace memo {

// Why the memo server, switched on, does not listen ("port 4175 is in use by
// another program"); empty while it listens or when it is switched off.
QString MemoServerProblem();

// After each start of the memo server: a server that does not listen is
// told at once (status line, desktop notification, Memo > Setup), since the
// published page would send visitors to a port nobody of ours answers.
void ReportServerStart();
// Memo > Setup follows the server: listening, stopped, or why not.
void ShowServerState();

// The line in Memo > Setup that says what the server does. OK there starts
// again a server that could not listen, so a new port counts at once.
void AddServerStateLine(frmMemoSetup& setup);

} // namespace memo
