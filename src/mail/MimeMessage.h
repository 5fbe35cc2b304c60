#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// A file carried by a message, its transfer encoding undone.
struct MimeAttachment {
    QString name;     // decoded; never empty, never a path
    QByteArray bytes; // the decoded content
    qint64 size() const { return bytes.size(); }
};

// One address a reply goes to: the display name decoded, the bare address.
struct MailAddress {
    QString name;
    QString address;
    // For an address field: "Name <a@b>", the name quoted when it holds
    // characters an address field gives a meaning to (comma, angle brackets...).
    QString fieldText() const;
};

// A message as the composer shows and answers it. Everything comes from
// untrusted bytes and is bounded by them.
struct MimeMessage {
    QString from, date, subject; // decoded for display, one line each
    QString text;                // the readable text, CR LF line ends, cut with kTooLongMarker
    QString headers;             // every header "Name: decoded value", CR LF after each
    QList<MimeAttachment> attachments;
    QList<MailAddress> sender;    // the From addresses
    QList<MailAddress> replyTo;   // Reply-To when present, else From
    QByteArray messageId;         // "<id>", empty when absent or unusable
    QList<QByteArray> references; // "<id>" each, oldest first

    // The addresses of replyTo joined for the composer's "To:" field.
    QString replyField() const;
    // References a reply carries: these, then this message's own id.
    QList<QByteArray> replyReferences() const;
};

// How much decoded text the reading view shows, and the line after a cut.
inline constexpr qsizetype kMaxShownText = 45000;
inline const QString kTooLongMarker = QStringLiteral("<--- Message Too Long to Display --->");
// A reply refers to at most this many earlier messages (the first and the latest).
inline constexpr qsizetype kMaxReferences = 20;

// Parses the whole message as retrieved (any bytes; CR LF or LF line ends).
// The text is the text/plain part, or else the HTML part made plain, of
// whatever multipart nesting the message has; other parts are attachments.
MimeMessage ParseMimeMessage(const QByteArray& raw);

// Cuts text to kMaxShownText characters, never inside a character or a
// line end, and puts the marker on its own line after it.
QString CutForDisplay(const QString& text);
