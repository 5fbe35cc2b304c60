#include "memo/MemoPages.h"

#include "memo/HtmlEscape.h"
#include "memo/MemoText.h"
#include "platform/UrlHost.h"

#include <algorithm>

namespace pages {
namespace {

using memo::escapeText;
using memo::escapeUnquoted;

const QByteArray kCR = QByteArrayLiteral("\r\n");

QByteArray formAction(const PageSettings& s)
{
    return (s.https ? "<P><FORM action=\"https://" : "<P><FORM action=\"http://") +
           escapeText(platform::UrlHost(s.localIP)) + ':' + escapeText(s.port);
}

QByteArray textAreaSize(const PageSettings& s)
{
    return "ROWS=" + escapeUnquoted(s.rows) + " COLS=" + escapeUnquoted(s.columns) + ' ' + wrapAttr(s.wrap);
}

QByteArray errorHead(const PageSettings& s)
{
    return responseHead() + "<HTML>\r\n<HEAD>\r\n<TITLE>Error</TITLE>\r\n</HEAD>\r\n" + bodyTag(s) + kCR;
}

// The request line's target when it is a plain path a Location may carry,
// else the root.
QByteArray redirectTarget(const QByteArray& request)
{
    constexpr qsizetype kMaxTarget = 2048;
    const qsizetype start = request.indexOf(' ') + 1;
    const qsizetype end = start > 0 ? request.indexOf(' ', start) : -1;
    const QByteArray target = end > start ? request.mid(start, end - start) : QByteArray();
    const bool plain =
        target.startsWith('/') && target.size() <= kMaxTarget &&
        std::all_of(target.begin(), target.end(), [](char ch) { return ch > ' ' && ch < 0x7F; });
    return plain ? target : QByteArrayLiteral("/");
}

// Only what a host name, an address or a port is made of reaches the header.
QByteArray headerSafe(const QString& text)
{
    QByteArray safe;
    for (const QChar ch : text)
        if (ch.isLetterOrNumber() && ch.unicode() < 0x80)
            safe += char(ch.unicode());
        else if (ch == u'.' || ch == u'-' || ch == u':')
            safe += char(ch.unicode());
    return safe.left(300);
}

// Over TLS a page that ends only where the connection ends can be cut short
// by anyone on the way (a forged close is not TLS's own), so a whole page
// says its length there; over plain HTTP the bytes stay as they always were.
QByteArray sized(const PageSettings& s, QByteArray page)
{
    if (!s.https)
        return page;
    const qsizetype headEnd = page.indexOf("\r\n\r\n");
    const QByteArray length = "\r\nContent-Length: " + QByteArray::number(page.size() - headEnd - 4);
    return page.insert(headEnd, length);
}

} // namespace

QByteArray responseHead()
{
    return QByteArrayLiteral("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n");
}

QByteArray wrapAttr(bool wrap)
{
    return wrap ? QByteArrayLiteral("WRAP=\"physical\"") : QByteArray();
}

QByteArray bodyTag(const PageSettings& s)
{
    return "<BODY BGCOLOR=\"" + escapeText(s.backColor) + "\" TEXT=\"" + escapeText(s.textColor) + "\">";
}

QByteArray submitLine(bool yesSelected, bool noBreakSpace)
{
    QByteArray line = noBreakSpace ? QByteArray("<INPUT type=submit value=\"Send\"> \xA0Wait For Reply ")
                                   : QByteArray("<INPUT type=submit value=\"Send\">  Wait For Reply ");
    line += yesSelected
                ? "<select name=\"REPLY\" size=\"1\"><option selected>YES</option><option>NO</option>"
                : "<select name=\"REPLY\" size=\"1\"><option>YES</option><option selected>NO</option>";
    line += "</select></FORM></P>";
    return line;
}

std::vector<QByteArray> opening(const PageSettings& s)
{
    QByteArray first = "<HTML>\r\n<HEAD>\r\n<TITLE>MEMO SENT</TITLE>\r\n</HEAD>\r\n" + bodyTag(s) + kCR;
    first += "<H1>Waiting for a reply.</H1><P>Waiting a maximum of " + escapeText(s.timeout) +
             " seconds.<hr size=\"1\"></P>" + kCR;
    return {first, QByteArray(500, ' ') + kCR};
}

QByteArray memoForm(const PageSettings& s, FormUse use, const QByteArray& name, const QByteArray& message)
{
    const bool quoted = use == FormUse::ReplyBlock;
    QByteArray form = formAction(s);
    form += "/memo/\" method=\"POST\">From: <INPUT TYPE=\"text\" NAME=\"NAME\" VALUE=";
    if (quoted) {
        form += '"' + escapeText(name) + '"';
    } else {
        // An empty unquoted value would take the next attribute as the name.
        const QByteArray value = escapeUnquoted(name);
        form += value.isEmpty() ? QByteArrayLiteral("\"\"") : value;
    }
    form += " MAXLENGTH=40><BR>" + kCR;
    form += "<TEXTAREA " + textAreaSize(s);
    if (use == FormUse::BusyPage)
        form += " NAME=\"MESSAGE\">" + escapeText(message) + "</TEXTAREA><BR>";
    else
        form += " NAME=\"MESSAGE\"></TEXTAREA><BR>";
    form += kCR + submitLine(s.replyChecked, false) + kCR;
    return form;
}

QByteArray replyBlock(const PageSettings& s, const QString& reply, const QByteArray& sender)
{
    QByteArray block = "<FONT SIZE=+1>\r\n<P>Reply: </P>" + memo::pageBytes(reply) + kCR;
    block += "</FONT>\r\n<hr size=\"1\">\r\n</FONT>\r\n";
    return block + memoForm(s, FormUse::ReplyBlock, sender, QByteArray());
}

QByteArray noReplyBlock()
{
    QByteArray block;
    for (int i = 0; i < 3; ++i)
        block += "<p align=center>&nbsp;</p>\r\n";
    block += "<p align=center><font size=5><strong>Message Received</strong></font></p>\r\n";
    return block + "</body>\r\n</html>\r\n";
}

QByteArray interimPiece(const QByteArray& senderName)
{
    return "\r\n<P><H2>Hello, " + escapeText(senderName) +
           "</H2>\r\n<FONT SIZE=+1>Replying to message now...</FONT><hr size=\"1\"></P><P></P>\r\n";
}

std::vector<QByteArray> awayPieces(const PageSettings& s, const QByteArray& sender)
{
    return {
        "<html>\r\n",
        "<head>\r\n",
        "<meta http-equiv=\"Content-Type\"\r\n",
        "content=\"text/html; charset=iso-8859-1\">\r\n",
        "<title>Memo Received</title>\r\n",
        "</head>\r\n",
        bodyTag(s),
        "<p>Hello, " + escapeText(sender) + "</p>\r\n",
        "<p>I am currently in away mode. </p>\r\n",
        "<p>Your memo has been logged and I will read it when I get a chance.</p>\r\n",
        "<p>&nbsp;</p>\r\n",
        "</body>\r\n",
        "</html>\r\n",
    };
}

QByteArray busyPage(const PageSettings& s, const QByteArray& name, const QByteArray& message)
{
    QByteArray page = errorHead(s);
    page += "<p align=\"left\"><font color=\"#FF0000\"><strong>Error: 5</strong></font></p>";
    page += "<p align=\"center\"><strong>MemoSever in use, Please Try again soon.</strong></p>";
    page += memoForm(s, FormUse::BusyPage, name, message);
    return sized(s, page + "</body>\r\n</HTML>" + QByteArray(20, ' ') + kCR);
}

QByteArray notFoundPage(const PageSettings& s)
{
    QByteArray page = errorHead(s);
    page += "<p align=\"left\"><font color=\"#FF0000\"><strong>Error: 4</strong></font></p>";
    page += "<p align=\"center\"><strong>Requested URL not found on Server.</strong></p>";
    page += memoForm(s, FormUse::NotFoundPage, QByteArray(), QByteArray());
    return sized(s, page + "</body>\r\n</html>\r\n");
}

QByteArray redirectPage(const QString& host, const QString& port, const QByteArray& request)
{
    // A memo's POST keeps its method and body on the way (308); anything
    // else is the plain move.
    const bool post = request.startsWith("POST ");
    const QByteArray location =
        "https://" + platform::UrlHost(headerSafe(host)) + ':' + headerSafe(port) + redirectTarget(request);
    const QByteArray body = "<HTML><HEAD><TITLE>Moved</TITLE></HEAD><BODY><A HREF=\"" + escapeText(location) +
                            "\">" + escapeText(location) + "</A></BODY></HTML>\r\n";
    return QByteArray(post ? "HTTP/1.0 308 Permanent Redirect\r\n" : "HTTP/1.0 301 Moved Permanently\r\n") +
           "Location: " + location +
           "\r\nContent-Type: text/html\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" +
           body;
}

QByteArray followUpForm(const PageSettings& s, const QByteArray& senderName)
{
    QByteArray form = formAction(s);
    form += "/memo/\" method=\"POST\"> <input type=\"hidden\" name=\"Site\" value=\"Reply\"> From: "
            "<INPUT TYPE=\"text\" NAME=\"NAME\" VALUE= \"";
    form += memo::escapeTokenSafe(senderName) + "\" MAXLENGTH=40><BR>" + kCR;
    form += "<TEXTAREA MAXLENGTH=256 " + textAreaSize(s) + " NAME=\"MESSAGE\"></TEXTAREA><BR>" + kCR;
    return form + submitLine(s.replyChecked, true) + kCR;
}

} // namespace pages
