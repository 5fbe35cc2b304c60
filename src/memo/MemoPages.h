#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// The memo server's pages, byte for byte. Settings texts and visitor text are
// escaped here, so every caller gets pages that nobody can inject into; the
// user's own reply and the user's own custom pages go out as they are.

// The settings that shape the pages, as the settings window holds them.
struct PageSettings {
    QString localIP;
    QString port;
    QString rows;
    QString columns;
    QString timeout;
    QString backColor;
    QString textColor;
    bool wrap = false;
    bool replyChecked = false;
    // The forms post over https to localIP, which is then the certificate's name.
    bool https = false;

    bool operator==(const PageSettings&) const = default;
};

namespace pages {

inline constexpr char kCrLf[] = "\r\n";

QByteArray responseHead();
QByteArray wrapAttr(bool wrap);
QByteArray bodyTag(const PageSettings& s);
QByteArray submitLine(bool yesSelected, bool noBreakSpace);

// The built-in opening of the memo page: two pieces.
std::vector<QByteArray> opening(const PageSettings& s);

// The memo form under the reply block (name quoted), the busy page (name
// unquoted, text area pre-filled) and the not-found page.
enum class FormUse { ReplyBlock, BusyPage, NotFoundPage };
QByteArray memoForm(const PageSettings& s, FormUse use, const QByteArray& name, const QByteArray& message);

// The closing after a reply (or the time-out text in its place).
QByteArray replyBlock(const PageSettings& s, const QString& reply, const QByteArray& sender);
QByteArray noReplyBlock();

// Sent once when the user starts typing a reply.
QByteArray interimPiece(const QByteArray& senderName);

// The away page after the response head: thirteen pieces.
std::vector<QByteArray> awayPieces(const PageSettings& s, const QByteArray& sender);

// Whole answers, response head included.
QByteArray busyPage(const PageSettings& s, const QByteArray& name, const QByteArray& message);
QByteArray notFoundPage(const PageSettings& s);

// The answer to a plain-HTTP request on the HTTPS port: the same place over
// https on host:port.
QByteArray redirectPage(const QString& host, const QString& port, const QByteArray& request);

// The value of %memo% in custom pages.
QByteArray followUpForm(const PageSettings& s, const QByteArray& senderName);

} // namespace pages
