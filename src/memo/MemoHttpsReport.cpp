#include "memo/MemoHttpsReport.h"

#include "core/CoreState.h"
#include "core/DesktopNotices.h"
#include "core/Form1.h"
#include "core/Logs.h"
#include "memo/MemoProgram.h"

#include <QLabel>

namespace memo {
namespace {

QString g_lastTrouble;

void tell(const QString& text, HttpsTopic topic)
{
    const QString shown = text.left(400);
    DebugLog((topic == HttpsTopic::Acme ? QStringLiteral("[MemoServer] ACME: ")
                                        : QStringLiteral("[MemoServer] HTTPS: ")) +
             shown);
    if (Form1* form = Memo().mainWindow())
        form->ftpStatus->setText(QStringLiteral("Memo HTTPS: ") + shown);
}

} // namespace

void ReportHttps(const QString& text, HttpsTopic topic)
{
    g_lastTrouble.clear();
    tell(text, topic);
}

void ReportHttpsTrouble(const QString& text, HttpsTopic topic)
{
    tell(text, topic);
    if (text == g_lastTrouble || Core().OneShot)
        return;
    g_lastTrouble = text;
    NotifyTrouble(topic == HttpsTopic::Acme ? QStringLiteral("Memo certificate not renewed")
                                            : QStringLiteral("Memo HTTPS certificate not loaded"),
                  text.left(400));
}

} // namespace memo
