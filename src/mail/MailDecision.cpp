#include "mail/MailDecision.h"

namespace {

const QString kNoNewMail = QStringLiteral("Mail Status: No New Mail");
const QString kNewMail = QStringLiteral("Mail Status: New mail");

CheckOutcome manualOutcome(const CheckFacts& f)
{
    CheckOutcome o;
    o.clearCheckNow = true;
    if (f.count == 0) {
        if (f.noMailSound)
            o.sound = 2;
        else {
            o.box = CheckOutcome::Box::NoNewMail;
            o.boxText = QStringLiteral("No new mail");
        }
        o.lastMailCount = 0;
        o.status = QStringLiteral("Email Status: No New Mail");
    } else if (f.fresh == 0) {
        const QString old = QString::number(f.previousCount);
        o.box = CheckOutcome::Box::SeeOldMail;
        o.boxText = QStringLiteral("No new mail\r\nYou have ") + old +
                    QStringLiteral(" old messages\r\n\r\nWould you like to see old mail?");
        o.lastMailCount = f.count;
        o.status =
            QStringLiteral("Email Status: No New Mail, You have ") + old + QStringLiteral(" old messages");
    } else {
        o.showMailbox = true;
        o.lastMailCount = f.count;
        o.status = kNewMail;
    }
    return o;
}

CheckOutcome automaticOutcome(const CheckFacts& f)
{
    CheckOutcome o;
    if (f.count == 0 || f.fresh == 0) {
        o.status = kNoNewMail;
        return o;
    }
    o.lastMailCount = f.count;
    if (f.launchClient) {
        // The user's own mail program takes over: no sound, no icon, and the
        // caption stays as the check left it.
        o.startClient = true;
        return o;
    }
    o.launchEnabled = f.clientPathSet;
    o.sound = f.newMailSound ? 1 : 0;
    o.trayIcon = true;
    o.status = kNewMail;
    return o;
}

} // namespace

CheckOutcome DecideCheckOutcome(const CheckFacts& facts)
{
    return facts.manual ? manualOutcome(facts) : automaticOutcome(facts);
}
