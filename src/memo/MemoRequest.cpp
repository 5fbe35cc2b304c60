#include "memo/MemoRequest.h"

#include "core/ProgramError.h"
#include "memo/MemoText.h"

using memo::findNoCase;
using memo::mid;

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

[[noreturn]] void invalidEscape()
{
    throw ProgramError(kUrlDecodeError, QStringLiteral("Invalid data passed to UrlDecode() function."));
}

// Browsers send headers such as "Sec-Fetch-Site" on every post, so the
// fields are looked for in the body when it holds them; a request without a
// body (a GET with the fields in its address) is searched whole.
QByteArray fieldText(const QByteArray& request)
{
    const qsizetype crlf = request.indexOf("\r\n\r\n");
    const qsizetype lf = request.indexOf("\n\n");
    if (crlf < 0 && lf < 0)
        return request;
    const qsizetype body = (lf >= 0 && (crlf < 0 || lf < crlf)) ? lf + 2 : crlf + 4;
    const QByteArray tail = request.mid(body);
    return findNoCase(tail, "NAME") > 0 ? tail : request;
}

} // namespace

QByteArray DecodeCGI(const QByteArray& text)
{
    // One pass into a new buffer: shifting the tail for every escape would
    // cost a visitor's whole request per escape.
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '%') {
            out.append(c == '+' ? ' ' : c);
            continue;
        }
        const qsizetype available = std::min<qsizetype>(2, text.size() - i - 1);
        if (available == 0)
            invalidEscape();
        int value = 0;
        for (qsizetype k = 1; k <= available; ++k) {
            const int digit = hexValue(text[i + k]);
            if (digit < 0)
                invalidEscape();
            value = value * 16 + digit;
        }
        out.append(char(value));
        i += available;
    }
    return out;
}

ExtractedMemo ExtractMemo(const QByteArray& received)
{
    const QByteArray request = fieldText(received);
    ExtractedMemo result;
    MemoFields& f = result.fields;
    const qsizetype s = findNoCase(request, "SITE");
    const qsizetype n = findNoCase(request, "NAME");
    f.webSite = s > 0 ? mid(request, s + 5, n - s - 6) : QByteArrayLiteral("unknown");
    if (n == 0)
        return result;
    const QByteArray w = mid(request, n);
    const qsizetype m = findNoCase(w, "MESSAGE");
    if (m == 0) {
        result.outcome = MemoExtract::NoMessage;
        return result;
    }
    f.sender = DecodeCGI(mid(w, 6, m - 7));
    const qsizetype r = findNoCase(w, "&REPLY");
    const qsizetype q = findNoCase(w, "MESSAGE=");
    f.text = DecodeCGI(mid(w, q + 8, r - q - 8));
    f.replyWanted = findNoCase(w, "&REPLY=YES") > 0;
    result.outcome = MemoExtract::Memo;
    return result;
}

BusyFields ExtractBusyFields(const QByteArray& received) noexcept
{
    BusyFields fields;
    try {
        const QByteArray request = fieldText(received);
        const qsizetype n = findNoCase(request, "NAME");
        if (n == 0)
            return fields;
        const QByteArray w = mid(request, n);
        const qsizetype m = findNoCase(w, "MESSAGE");
        if (m == 0)
            return fields;
        QByteArray name = mid(w, 6, m - 7);
        QByteArray message;
        if (w.contains("\r\n")) {
            const qsizetype r = findNoCase(w, "&REPLY");
            const qsizetype q = findNoCase(w, "MESSAGE=");
            message = mid(w, q + 8, r - q - 8);
        }
        // Each half on its own: a bad escape in the message keeps the name.
        try {
            fields.name = DecodeCGI(name);
        } catch (...) {
        }
        try {
            fields.message = DecodeCGI(message);
        } catch (...) {
        }
    } catch (...) {
        fields = BusyFields();
    }
    return fields;
}

std::optional<QByteArray> BrowserLine(const QByteArray& request)
{
    const qsizetype u = findNoCase(request, "user-agent:");
    if (u == 0)
        return std::nullopt;
    const QByteArray rest = mid(request, u);
    const qsizetype k = rest.indexOf('\r') + 1; // 0 when there is no CR
    // Control characters (a bare line feed above all) would forge log lines.
    QByteArray line = mid(request, u, k + 1);
    line.removeIf([](char c) { return (c >= 0 && c < ' ') || c == 0x7F; });
    return line;
}
