#include "mail/MailText.h"

#include <QList>
#include <QStringDecoder>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

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

QByteArray decodeQ(const QByteArray& text, bool underscoreIsBlank)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '_' && underscoreIsBlank) {
            out += ' ';
        } else if (c == '=' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            out += char(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

QString decodeCharset(const QByteArray& bytes, QByteArray charset)
{
    charset = charset.trimmed().toLower();
    if (charset.isEmpty() || charset == "utf-8" || charset == "utf8" || charset == "us-ascii")
        return DisplayText(bytes);
    QStringDecoder decoder(charset.constData(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return DisplayText(bytes);
    return decoder.decode(bytes);
}

// One RFC 2047 encoded word: "=?charset?B|Q?text?=".
struct EncodedWord {
    qsizetype end = -1; // index past "?=", -1 when there is no word at the start
    QByteArray charset;
    QByteArray bytes;
};

// Searches stay within the longest word we accept, so that text full of
// "=?" that never closes costs linear time.
constexpr qsizetype kLongestCharset = 80;
constexpr qsizetype kLongestEncodedText = 4096;

qsizetype boundedFind(const QByteArray& raw, QByteArrayView what, qsizetype from, qsizetype limit)
{
    return QByteArrayView(raw).first(qMin(raw.size(), from + limit)).indexOf(what, from);
}

EncodedWord encodedWordAt(const QByteArray& raw, qsizetype start)
{
    EncodedWord word;
    if (start + 1 >= raw.size() || raw[start] != '=' || raw[start + 1] != '?')
        return word;
    const qsizetype charsetEnd = boundedFind(raw, "?", start + 2, kLongestCharset);
    if (charsetEnd < 0 || charsetEnd + 2 >= raw.size() || raw[charsetEnd + 2] != '?')
        return word;
    const char encoding = char(raw[charsetEnd + 1] | 0x20);
    if (encoding != 'b' && encoding != 'q')
        return word;
    const qsizetype textStart = charsetEnd + 3;
    const qsizetype close = boundedFind(raw, "?=", textStart, kLongestEncodedText);
    if (close < 0)
        return word;
    const QByteArray text = raw.mid(textStart, close - textStart);
    QByteArray charset = raw.mid(start + 2, charsetEnd - start - 2);
    for (char c : text + charset) {
        if (isBlank(c) || c == '?')
            return word;
    }
    // RFC 2231 language suffix: "utf-8*en".
    if (const qsizetype star = charset.indexOf('*'); star >= 0)
        charset.truncate(star);
    word.end = close + 2;
    word.charset = charset;
    word.bytes = encoding == 'b' ? QByteArray::fromBase64(text) : decodeQ(text, true);
    return word;
}

qsizetype skipBlanks(const QByteArray& raw, qsizetype i)
{
    while (i < raw.size() && isBlank(raw[i]))
        ++i;
    return i;
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
    QString out;
    out.reserve(raw.size());
    qsizetype i = 0;
    qsizetype plainStart = 0;
    while (i < raw.size()) {
        EncodedWord word = encodedWordAt(raw, i);
        if (word.end < 0) {
            ++i;
            continue;
        }
        out += DisplayText(raw.mid(plainStart, i - plainStart));
        // Neighbouring words in one charset are decoded together: senders
        // split multi-byte characters between them.
        QByteArray bytes = word.bytes;
        qsizetype end = word.end;
        for (;;) {
            const qsizetype next = skipBlanks(raw, end);
            EncodedWord following = encodedWordAt(raw, next);
            if (following.end < 0)
                break;
            if (following.charset.compare(word.charset, Qt::CaseInsensitive) != 0) {
                out += decodeCharset(bytes, word.charset);
                word = following;
                bytes = following.bytes;
            } else {
                bytes += following.bytes;
            }
            end = following.end;
        }
        out += decodeCharset(bytes, word.charset);
        i = plainStart = end;
    }
    out += DisplayText(raw.mid(plainStart));
    return blankControls(out);
}

QByteArray HeaderValue(const QByteArray& headers, const QByteArray& name)
{
    const QByteArray wanted = name.trimmed().toLower();
    qsizetype lineStart = 0;
    while (lineStart < headers.size()) {
        qsizetype lineEnd = headers.indexOf('\n', lineStart);
        if (lineEnd < 0)
            lineEnd = headers.size();
        const QByteArray line = headers.mid(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        if (line.trimmed().isEmpty())
            break; // the blank line that ends a header block
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0 || isBlank(line[0]) || line.left(colon).trimmed().toLower() != wanted)
            continue;
        QByteArray value = line.mid(colon + 1).trimmed();
        // Folded continuation lines belong to the value.
        while (lineStart < headers.size() && (headers[lineStart] == ' ' || headers[lineStart] == '\t')) {
            qsizetype next = headers.indexOf('\n', lineStart);
            if (next < 0)
                next = headers.size();
            value += ' ' + headers.mid(lineStart, next - lineStart).trimmed();
            lineStart = next + 1;
        }
        return value;
    }
    return QByteArray();
}

namespace {

QByteArray headerParameter(const QByteArray& value, const QByteArray& parameter)
{
    const QList<QByteArray> parts = value.split(';');
    for (qsizetype k = 1; k < parts.size(); ++k) {
        const QByteArray part = parts[k].trimmed();
        const qsizetype equals = part.indexOf('=');
        if (equals > 0 && part.left(equals).trimmed().toLower() == parameter) {
            QByteArray result = part.mid(equals + 1).trimmed();
            if (result.size() >= 2 && result.startsWith('"') && result.endsWith('"'))
                result = result.mid(1, result.size() - 2);
            return result;
        }
    }
    return QByteArray();
}

QByteArray decodeQuotedPrintable(const QByteArray& body)
{
    QByteArray joined;
    joined.reserve(body.size());
    // Soft line breaks ("=" at a line end) join lines.
    for (qsizetype i = 0; i < body.size(); ++i) {
        if (body[i] == '=') {
            qsizetype k = i + 1;
            while (k < body.size() && (body[k] == ' ' || body[k] == '\t'))
                ++k;
            if (k < body.size() && body[k] == '\r')
                ++k;
            if (k < body.size() && body[k] == '\n') {
                i = k;
                continue;
            }
        }
        joined += body[i];
    }
    return decodeQ(joined, false);
}

QString normaliseLineEnds(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 32);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\0')
            continue;
        if (c == u'\r') {
            out += u"\r\n";
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else if (c == u'\n') {
            out += u"\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

QString DecodeBody(const QByteArray& headers, const QByteArray& body)
{
    const QByteArray encoding = HeaderValue(headers, "Content-Transfer-Encoding").trimmed().toLower();
    QByteArray bytes;
    if (encoding == "quoted-printable")
        bytes = decodeQuotedPrintable(body);
    else if (encoding == "base64")
        bytes = QByteArray::fromBase64(body);
    else
        bytes = body;
    const QByteArray charset = headerParameter(HeaderValue(headers, "Content-Type"), "charset");
    return normaliseLineEnds(decodeCharset(bytes, charset));
}

QByteArray CrLfBytes(const QString& text)
{
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines.toUtf8().replace('\n', "\r\n");
}
