#include "memo/MemoText.h"

#include "core/ProgramError.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace memo {
namespace {

char upperByte(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

} // namespace

QByteArray asciiUpper(QByteArrayView text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    std::transform(text.begin(), text.end(), out.begin(), upperByte);
    return out;
}

qsizetype findNoCase(QByteArrayView haystack, QByteArrayView needle, qsizetype start)
{
    if (start < 1 || start > haystack.size() + 1)
        return 0;
    const auto sameLetter = [](char a, char b) { return upperByte(a) == upperByte(b); };
    const char first = needle.isEmpty() ? 0 : needle.front();
    // Page variables begin with '%', which has no case: candidates are found
    // with memchr, so a large page without variables costs one fast scan.
    if (!needle.isEmpty() && upperByte(first) == first && (first < 'A' || first > 'Z')) {
        const char* end = haystack.data() + haystack.size();
        for (const char* at = haystack.data() + (start - 1);
             (at = static_cast<const char*>(std::memchr(at, first, size_t(end - at)))) != nullptr; ++at) {
            if (end - at < needle.size())
                return 0;
            if (std::equal(needle.begin() + 1, needle.end(), at + 1, sameLetter))
                return (at - haystack.data()) + 1;
        }
        return 0;
    }
    const auto from = haystack.begin() + (start - 1);
    const auto it = std::search(from, haystack.end(), needle.begin(), needle.end(), sameLetter);
    if (it == haystack.end() && !needle.isEmpty())
        return 0;
    return (it - haystack.begin()) + 1;
}

QByteArray mid(const QByteArray& text, qsizetype start, qsizetype length)
{
    if (start < 1 || length < 0)
        throw ProgramError(err::kInvalidCall);
    if (start > text.size())
        return QByteArray();
    return text.mid(start - 1, std::min(length, text.size() - (start - 1)));
}

QByteArray mid(const QByteArray& text, qsizetype start)
{
    if (start < 1)
        throw ProgramError(err::kInvalidCall);
    return start > text.size() ? QByteArray() : text.mid(start - 1);
}

qint16 toInt16(double value)
{
    const double rounded = std::nearbyint(value); // the default rounding mode ties to even
    if (!(rounded >= -32768.0 && rounded <= 32767.0))
        throw ProgramError(err::kOverflow);
    return qint16(rounded);
}

QByteArray pageBytes(const QString& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t code = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            code = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (code < 256)
            out.append(char(code));
        else
            out.append("&#" + QByteArray::number(quint32(code)) + ';');
    }
    return out;
}

QByteArray cutText(const QByteArray& text, qsizetype maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    qsizetype end = maxBytes;
    while (end > maxBytes - 3 && end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.left(end);
}

QString shownText(const QByteArray& bytes)
{
    return bytes.isValidUtf8() ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

} // namespace memo
