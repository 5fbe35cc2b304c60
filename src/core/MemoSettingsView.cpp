#include "core/MemoSettingsView.h"

#include "core/CoreState.h"
#include "core/Ini.h"
#include "core/ProgramError.h"
#include "core/TextToBool.h"

namespace {

MemoSettingsView* g_view = nullptr;

QString memoKey(const char* key, const char* defaultValue)
{
    return ReadIni(QStringLiteral("Memo"), QString::fromLatin1(key), QString::fromLatin1(defaultValue));
}

// An unreadable flag counts as off here rather than stopping a page.
bool memoFlag(const char* key, const char* defaultValue)
{
    try {
        return TextToBool(memoKey(key, defaultValue));
    } catch (const ProgramError&) {
        return false;
    }
}

} // namespace

MemoSettingsView& MemoSettings()
{
    static IniMemoSettings fromFile;
    return g_view ? *g_view : fromFile;
}

void SetMemoSettingsView(MemoSettingsView* view)
{
    g_view = view;
}

bool IniMemoSettings::enabled() const
{
    return memoFlag("Enabled", "False");
}
QString IniMemoSettings::port() const
{
    return memoKey("MemoServer Port", "4175");
}
QString IniMemoSettings::rows() const
{
    return memoKey("Rows", "");
}
QString IniMemoSettings::columns() const
{
    return memoKey("Columns", "");
}
bool IniMemoSettings::wrap() const
{
    return memoFlag("Wrap", "0");
}
bool IniMemoSettings::replyChecked() const
{
    return memoFlag("Reply", "0");
}
QString IniMemoSettings::customVariable(int index) const
{
    return ReadIni(QStringLiteral("Custom"), QStringLiteral("C%1%").arg(index), QString());
}
QString IniMemoSettings::textColor() const
{
    return memoKey("Text Color", "#000000");
}
QString IniMemoSettings::backColor() const
{
    return memoKey("BackGround Color", "#FFFFFF");
}
QString IniMemoSettings::httpsName() const
{
    const QString mode = memoKey("HTTPS", "off").trimmed().toLower();
    return mode == QLatin1String("files") || mode == QLatin1String("auto") ? MemoCertificateName()
                                                                           : QString();
}

QString MemoPublicName()
{
    const QString publicAddress =
        ReadIni(QStringLiteral("StartUp"), QStringLiteral("Public Address"), QString()).trimmed();
    // "auto" finds an address, not a name a certificate could be had for.
    if (!publicAddress.isEmpty() && publicAddress.compare(QLatin1String("auto"), Qt::CaseInsensitive) != 0 &&
        publicAddress.size() <= 253)
        return publicAddress;
    return QString();
}

QString MemoCertificateName()
{
    const QString name = MemoPublicName();
    return name.isEmpty() ? Core().LocalIP : name;
}
