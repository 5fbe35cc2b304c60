#include "memo/MemoSetupState.h"

#include "core/CoreState.h"
#include "core/Ini.h"
#include "core/ProgramError.h"
#include "core/SettingText.h"
#include "core/TextToBool.h"
#include "memo/MemoColors.h"

namespace {

struct PageKeys {
    const char* flag;
    const char* file;
};

constexpr PageKeys kPageKeys[kMemoPageCount] = {
    {"away value", "away"},     {"busy value", "busy"},     {"memo value", "memo"},
    {"header value", "header"}, {"footer value", "footer"}, {"timeout value", "timeout"},
};

const QString kMemo = QStringLiteral("Memo");
const QString kHtml = QStringLiteral("html");
const QString kCustom = QStringLiteral("Custom");
const QString kSounds = QStringLiteral("Sounds");

QString customKey(int index)
{
    return QStringLiteral("C%1%").arg(index);
}

QString memoKey(const char* key, const QString& defaultValue = QString())
{
    return ReadIni(kMemo, QString::fromLatin1(key), defaultValue);
}

bool flagValue(const QString& section, const char* key, const char* defaultValue)
{
    return TextToBool(ReadIni(section, QString::fromLatin1(key), QString::fromLatin1(defaultValue)));
}

void write(const QString& section, const QString& key, const QString& value)
{
    if (!WriteIni(section, key, value))
        throw ProgramError(err::kPermissionDenied, IniPath());
}

bool awayValue(const QString& stored)
{
    const QString away = stored.trimmed();
    bool numeric = false;
    const double number = away.toDouble(&numeric);
    return away.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || (numeric && number != 0);
}

} // namespace

MemoSetupState::MemoSetupState()
{
    for (int i = 0; i < kCustomVariableCount; ++i) {
        const QString value = ReadIni(kCustom, customKey(i), QString());
        if (!value.isEmpty())
            custom[size_t(i)] = value;
    }
    SetMemoSettingsView(this);
}

MemoSetupState::~MemoSetupState()
{
    SetMemoSettingsView(nullptr);
}

void MemoSetupState::LoadSounds()
{
    TrapErrors("LoadSounds", [this] {
        soundPath = ReadIni(kSounds, QStringLiteral("Memo"), QString());
        sound = flagValue(kSounds, "Memo Enabled", "false");
    });
    emit changed();
}

void MemoSetupState::LoadMemoServerSettings()
{
    TrapErrors("Load MemoServer Settings", [this] {
        for (int i = 0; i < kMemoPageCount; ++i)
            pages[size_t(i)].enabled = flagValue(kHtml, kPageKeys[i].flag, "0");
        for (int i = 0; i < kMemoPageCount; ++i)
            pages[size_t(i)].file = ReadIni(kHtml, QString::fromLatin1(kPageKeys[i].file), QString());
        // Read before the server may start, which puts them in force.
        https = HttpsSettings::load();
        refreshCertificateName();
        setMemoEnabled(flagValue(kMemo, "Enabled", "False"));
        notice = flagValue(kMemo, "Notice", "0");
        timeout = memoKey("Reply Timeout");
        reply = flagValue(kMemo, "Reply", "0");
        wrapText = flagValue(kMemo, "Wrap", "0");
        columnsText = memoKey("Columns");
        rowsText = memoKey("Rows");
        emit awayRead(awayValue(memoKey("Away", QStringLiteral("false"))));
        portText = memoKey("MemoServer Port", QStringLiteral("4175"));
        MemoTextColor =
            ReadIni(QStringLiteral("MEMO"), QStringLiteral("Text Color"), QStringLiteral("#000000"));
        MemoBackColor =
            ReadIni(QStringLiteral("MEMO"), QStringLiteral("BackGround Color"), QStringLiteral("#FFFFFF"));
        if (ColorPic(MemoTextColor).isEmpty() || ColorPic(MemoBackColor).isEmpty())
            throw ProgramError(err::kTypeMismatch, QStringLiteral("not a memo colour"));
    });
    emit changed();
}

void MemoSetupState::SaveMemo()
{
    TrapErrors("SaveMemo", [this] {
        for (MemoPageSetting& page : pages)
            page.enabled = page.enabled && !page.file.isEmpty();
        for (int i = 0; i < kCustomVariableCount; ++i)
            write(kCustom, customKey(i), custom[size_t(i)]);
        for (int i = 0; i < kMemoPageCount; ++i)
            write(kHtml, QString::fromLatin1(kPageKeys[i].flag), BoolText(pages[size_t(i)].enabled));
        for (int i = 0; i < kMemoPageCount; ++i)
            write(kHtml, QString::fromLatin1(kPageKeys[i].file), pages[size_t(i)].file);
        write(kMemo, QStringLiteral("Enabled"), BoolText(memoEnabled_));
        write(kMemo, QStringLiteral("Notice"), BoolText(notice));
        write(kMemo, QStringLiteral("Reply Timeout"), timeout);
        write(kMemo, QStringLiteral("Reply"), BoolText(reply));
        write(kMemo, QStringLiteral("Wrap"), BoolText(wrapText));
        write(kMemo, QStringLiteral("Columns"), columnsText);
        write(kMemo, QStringLiteral("Rows"), rowsText);
        write(kMemo, QStringLiteral("BackGround Color"), MemoBackColor);
        write(kMemo, QStringLiteral("Text Color"), MemoTextColor);
        write(kMemo, QStringLiteral("MemoServer Port"), portText);
        write(kSounds, QStringLiteral("Memo Enabled"), BoolText(sound));
        write(kSounds, QStringLiteral("Memo"), soundPath);
        if (!https.save())
            throw ProgramError(err::kPermissionDenied, IniPath());
        refreshCertificateName();
    });
    emit changed();
}

// Setting the flag to the value it has is no change and has no reaction.
void MemoSetupState::setMemoEnabled(bool on)
{
    if (on == memoEnabled_)
        return;
    memoEnabled_ = on;
    if (oneShot_)
        return;
    optionsEnabled_ = on;
    emit changed();
    emit serverSwitched(on);
}

QString MemoSetupState::customVariable(int index) const
{
    return ReadIni(kCustom, customKey(index), QString());
}

PageSettings MemoSetupState::pageSettings() const
{
    PageSettings s;
    s.localIP = Core().LocalIP;
    s.port = port();
    s.rows = rows();
    s.columns = columns();
    s.timeout = timeoutText();
    s.backColor = MemoBackColor;
    s.textColor = MemoTextColor;
    s.wrap = wrap();
    s.replyChecked = replyChecked();
    s.https = https.on();
    if (s.https)
        s.localIP = certificateName();
    return s;
}

void MemoSetupState::refreshCertificateName()
{
    publicName_ = MemoPublicName();
}

// Without a Public Address the local address names the server; it is read
// when asked for, since it is only known once the address lookup is done
// and changes with the network.
QString MemoSetupState::certificateName() const
{
    return publicName_.isEmpty() ? Core().LocalIP : publicName_;
}
