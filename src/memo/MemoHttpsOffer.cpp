#include "memo/MemoHttpsOffer.h"

#include "core/CoreState.h"
#include "core/Ini.h"
#include "core/TextToBool.h"
#include "memo/MemoHttps.h"
#include "memo/MemoProgram.h"
#include "memo/MemoSetupState.h"
#include "memo/frmMemoServer.h"
#include "platform/IpAddress.h"
#include "platform/MessageBoxes.h"

namespace memo {
namespace {

const QString kMemo = QStringLiteral("Memo");
const QString kOfferedKey = QStringLiteral("HTTPS Offered");

bool isDnsName(const QString& address)
{
    return !address.isEmpty() && address.compare(QLatin1String("auto"), Qt::CaseInsensitive) != 0 &&
           platform::IpAddress::parse(address).isNull();
}

void offerHttps(const QString& name)
{
    WriteIni(kMemo, kOfferedKey, BoolText(true));
    const auto answer = MsgBox(
        QStringLiteral(
            "Browsers warn visitors of your page about a memo form that is sent without encryption.\r\n\r\n"
            "Get a certificate for %1 automatically and receive memos over HTTPS? The certificate "
            "authority checks the name on port 80, which must reach the memo port (Memo > Setup > "
            "HTTPS has the details).")
            .arg(name.left(253)),
        platform::MsgButtons::YesNo, platform::MsgIcon::Question);
    if (answer != platform::MsgAnswer::Yes)
        return;
    MemoSetupState& settings = Memo().settings();
    settings.https.mode = HttpsSettings::Mode::Auto;
    settings.SaveMemo();
}

} // namespace

void PublicAddressChanged(const QString& address)
{
    MemoSetupState& settings = Memo().settings();
    settings.refreshCertificateName();
    if (settings.https.on()) {
        if (frmMemoServer* server = Memo().server())
            server->https()->apply(settings.https);
        return;
    }
    if (isDnsName(address) && !Core().OneShot && !Core().Unattended &&
        !ReadIniFlag(kMemo, kOfferedKey, false))
        offerHttps(address);
}

} // namespace memo
