#include "mail/GMimeSupport.h"

#include "mail/MailText.h"

namespace {

// Length of the valid UTF-8 sequence starting at i, 0 when there is none.
qsizetype utf8SequenceAt(const QByteArray& bytes, qsizetype i)
{
    const auto lead = uchar(bytes[i]);
    qsizetype length = 0;
    char32_t minimum = 0;
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, value = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    for (qsizetype k = 1; k < length; ++k) {
        const auto next = uchar(bytes[i + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    return value < minimum || value > 0x10FFFF || surrogate ? 0 : length;
}

// Characters a single-line display must not carry: C0 and C1 controls, DEL
// and the Unicode line and paragraph separators.
bool breaksDisplayLine(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x2028 || u == 0x2029;
}

QString blankControls(QString text)
{
    for (QChar& c : text) {
        if (breaksDisplayLine(c))
            c = u' ';
    }
    return text;
}

// Searches stay within the longest word we accept, so that text full of
// "=?" that never closes costs linear time.
constexpr qsizetype kLongestCharset = 80;
constexpr qsizetype kLongestEncodedText = 4096;

qsizetype boundedFind(const QByteArray& raw, QByteArrayView what, qsizetype from, qsizetype limit)
{
    return QByteArrayView(raw).first(qMin(raw.size(), from + limit)).indexOf(what, from);
}

bool hasBlankOrQuestionMark(QByteArrayView text)
{
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '?')
            return true;
    }
    return false;
}

QByteArray qWord(const QByteArray& charset, const QByteArray& bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out = "=?" + charset + "?Q?";
    for (const char c : bytes) {
        const auto u = uchar(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9'))
            out += c;
        else
            out += '=', out += hex[u >> 4], out += hex[u & 15];
    }
    return out + "?=";
}

// GMime decodes neighbouring base64 words of one charset as one base64
// text, so a padded word ("...w6Q=?=") ends it and the words after it are
// lost. The same bytes as Q words decode word by word, and characters split
// between words still join. (A word GMime cannot read stays as text, then
// in its Q form: at most three times the length of the original.)
QByteArray base64WordsAsQ(const QByteArray& raw)
{
    QByteArray out;
    qsizetype done = 0;
    qsizetype start = raw.indexOf("=?");
    while (start >= 0) {
        const qsizetype charsetEnd = boundedFind(raw, "?", start + 2, kLongestCharset);
        const bool base64 = charsetEnd > start + 2 && charsetEnd + 2 < raw.size() &&
                            (raw[charsetEnd + 1] | 0x20) == 'b' && raw[charsetEnd + 2] == '?';
        const qsizetype close = base64 ? boundedFind(raw, "?=", charsetEnd + 3, kLongestEncodedText) : -1;
        const QByteArray charset = raw.mid(start + 2, charsetEnd - start - 2);
        const QByteArray text = close < 0 ? QByteArray() : raw.mid(charsetEnd + 3, close - charsetEnd - 3);
        if (close < 0 || hasBlankOrQuestionMark(charset) || hasBlankOrQuestionMark(text)) {
            start = raw.indexOf("=?", start + 2);
            continue;
        }
        out += QByteArrayView(raw).sliced(done, start - done);
        out += qWord(charset, QByteArray::fromBase64(text));
        done = close + 2;
        start = raw.indexOf("=?", done);
    }
    if (done == 0)
        return raw;
    out += QByteArrayView(raw).sliced(done);
    return out;
}

} // namespace

QString DisplayText(const QByteArray& bytes)
{
    QString out;
    out.reserve(bytes.size());
    qsizetype runStart = 0;
    qsizetype i = 0;
    auto flushRun = [&] { out += QString::fromUtf8(bytes.constData() + runStart, i - runStart); };
    while (i < bytes.size()) {
        if (uchar(bytes[i]) < 0x80) {
            ++i;
        } else if (const qsizetype length = utf8SequenceAt(bytes, i)) {
            i += length;
        } else {
            flushRun();
            out += QChar(uchar(bytes[i]));
            runStart = ++i;
        }
    }
    flushRun();
    return out;
}

QString DecodeHeaderValue(const QByteArray& raw)
{
    EnsureGMime();
    // 8-bit bytes are made UTF-8 first (Latin-1 for invalid sequences), so
    // GMime has only the encoded words left to decode. A NUL would end its
    // C string early.
    QByteArray utf8 = base64WordsAsQ(DisplayText(raw).toUtf8());
    utf8.replace('\0', ' ');
    return blankControls(TakeGMimeString(g_mime_utils_header_decode_text(nullptr, utf8.constData())));
}

QByteArray CrLfBytes(const QString& text)
{
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines.toUtf8().replace('\n', "\r\n");
}
