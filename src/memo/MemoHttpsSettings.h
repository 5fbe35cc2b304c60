#pragma once

#include <QString>

inline constexpr char kDefaultAcmeDirectory[] = "https://acme-v02.api.letsencrypt.org/directory";

// [Memo] "HTTPS" and what goes with it: whether the memo port speaks TLS and
// where its certificate comes from.
struct HttpsSettings {
    // off: plain HTTP as ever; files: the user's own PEM files; auto: a
    // certificate the program gets and renews itself over ACME.
    enum class Mode { Off, Files, Auto };

    Mode mode = Mode::Off;
    QString certificateFile;
    QString keyFile;
    QString directoryUrl = QString::fromLatin1(kDefaultAcmeDirectory);
    QString email;
    QString caFile;

    bool on() const { return mode != Mode::Off; }
    bool operator==(const HttpsSettings&) const = default;

    static HttpsSettings load();
    // False when the settings file could not be written.
    bool save() const;
};

// "off", "files" or "auto" in any letter case; anything else is off.
HttpsSettings::Mode ParseHttpsMode(const QString& text);
QString HttpsModeText(HttpsSettings::Mode mode);
