#include "memo/MemoHttpsSettings.h"

#include "core/Ini.h"

namespace {

const QString kMemo = QStringLiteral("Memo");

QString memoKey(const char* key, const QString& defaultValue = QString())
{
    return ReadIni(kMemo, QString::fromLatin1(key), defaultValue).trimmed();
}

} // namespace

HttpsSettings::Mode ParseHttpsMode(const QString& text)
{
    const QString mode = text.trimmed().toLower();
    if (mode == QLatin1String("files"))
        return HttpsSettings::Mode::Files;
    if (mode == QLatin1String("auto"))
        return HttpsSettings::Mode::Auto;
    return HttpsSettings::Mode::Off;
}

QString HttpsModeText(HttpsSettings::Mode mode)
{
    switch (mode) {
    case HttpsSettings::Mode::Files:
        return QStringLiteral("files");
    case HttpsSettings::Mode::Auto:
        return QStringLiteral("auto");
    case HttpsSettings::Mode::Off:
        break;
    }
    return QStringLiteral("off");
}

HttpsSettings HttpsSettings::load()
{
    HttpsSettings s;
    s.mode = ParseHttpsMode(memoKey("HTTPS"));
    s.certificateFile = memoKey("Certificate File");
    s.keyFile = memoKey("Key File");
    s.directoryUrl = memoKey("ACME Directory URL", QString::fromLatin1(kDefaultAcmeDirectory));
    s.email = memoKey("ACME Email");
    s.caFile = memoKey("ACME CA File");
    return s;
}

bool HttpsSettings::save() const
{
    return WriteIniValues({{kMemo, QStringLiteral("HTTPS"), HttpsModeText(mode)},
                           {kMemo, QStringLiteral("Certificate File"), certificateFile},
                           {kMemo, QStringLiteral("Key File"), keyFile},
                           {kMemo, QStringLiteral("ACME Directory URL"), directoryUrl},
                           {kMemo, QStringLiteral("ACME Email"), email},
                           {kMemo, QStringLiteral("ACME CA File"), caFile}});
}
