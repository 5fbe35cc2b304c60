#include "memo/MemoNotice.h"

#include "core/DesktopNotices.h"
#include "memo/MemoProgram.h"
#include "memo/MemoText.h"
#include "memo/frmMemo.h"

namespace memo {
namespace {

constexpr int kSenderChars = 60;
constexpr int kTextChars = 120;

} // namespace

void NotifyMemoArrived(const MemoGlobals& memo, bool away)
{
    const QString sender = NoticeText(shownText(memo.MemoSender), kSenderChars);
    platform::Notification n;
    n.summary = QStringLiteral("Memo from ") + (sender.isEmpty() ? QStringLiteral("a visitor") : sender);
    n.body = NoticeText(shownText(memo.MemoText), kTextChars);
    if (memo.ReplyWanted && !away) {
        n.summary += QStringLiteral(" (waiting for your reply)");
        n.actionLabel = QStringLiteral("Reply");
        n.onAction = [] {
            // The visitor's browser is waiting: a minimised window must come back too.
            if (frmMemo* window = Memo().memoWindow())
                BringWindowBack(*window);
        };
    }
    NotifyDesktop(n);
}

} // namespace memo
