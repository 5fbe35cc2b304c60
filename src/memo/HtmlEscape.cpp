#include "memo/HtmlEscape.h"

#include "memo/MemoText.h"

namespace memo {
namespace {

enum Extra { None = 0, Unquoted = 1, Percent = 2 };

// The reference for one character, or nullptr when it stays as it is.
const char* reference(char16_t c, int extra)
{
    switch (c) {
    case '&':
        return "&amp;";
    case '<':
        return "&lt;";
    case '>':
        return "&gt;";
    case '"':
        return "&quot;";
    case '\'':
        return "&#39;";
    default:
        break;
    }
    if (extra & Unquoted) {
        switch (c) {
        case ' ':
            return "&#32;";
        case '\t':
            return "&#9;";
        case '\n':
            return "&#10;";
        case '\f':
            return "&#12;";
        case '\r':
            return "&#13;";
        case '=':
            return "&#61;";
        case '`':
            return "&#96;";
        case '\0':
            return "&#0;";
        default:
            break;
        }
    }
    if ((extra & Percent) && c == '%')
        return "&#37;";
    return nullptr;
}

QByteArray escaped(const QByteArray& bytes, int extra)
{
    QByteArray out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        if (const char* ref = reference(char16_t(static_cast<unsigned char>(c)), extra))
            out.append(ref);
        else
            out.append(c);
    }
    return out;
}

// Escaping comes before the 8-bit encoding: the references that stand for
// characters beyond Latin-1 must stay references.
QByteArray escaped(const QString& text, int extra)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (const char* ref = reference(c.unicode(), extra))
            out.append(QLatin1String(ref));
        else
            out.append(c);
    }
    return pageBytes(out);
}

} // namespace

QByteArray escapeText(const QByteArray& bytes)
{
    return escaped(bytes, None);
}
QByteArray escapeText(const QString& text)
{
    return escaped(text, None);
}
QByteArray escapeUnquoted(const QByteArray& bytes)
{
    return escaped(bytes, Unquoted);
}
QByteArray escapeUnquoted(const QString& text)
{
    return escaped(text, Unquoted);
}
QByteArray escapeTokenSafe(const QByteArray& bytes)
{
    return escaped(bytes, Unquoted | Percent);
}

} // namespace memo
