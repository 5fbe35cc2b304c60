#include "core/IniText.h"

#include <QByteArrayView>
#include <QList>

#include <cstring>

namespace ini {
namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView trimmed(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool sameName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

// The name inside "[name]" of a trimmed header line.
QByteArrayView sectionName(QByteArrayView header)
{
    QByteArrayView inner = header.sliced(1);
    const qsizetype close = inner.indexOf(']');
    return trimmed(close < 0 ? inner : inner.first(close));
}

bool isHeader(QByteArrayView trimmedLine)
{
    return !trimmedLine.isEmpty() && trimmedLine[0] == '[';
}

struct KeyLine {
    QByteArrayView name;
    QByteArrayView value;
};

// A "name=value" line; comment lines and lines without "=" are not keys.
std::optional<KeyLine> keyLine(QByteArrayView trimmedLine)
{
    if (trimmedLine.isEmpty() || trimmedLine[0] == ';')
        return std::nullopt;
    const qsizetype eq = trimmedLine.indexOf('=');
    if (eq < 0)
        return std::nullopt;
    return KeyLine{trimmed(trimmedLine.first(eq)), trimmed(trimmedLine.sliced(eq + 1))};
}

QByteArrayView unquoted(QByteArrayView value)
{
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.sliced(1, value.size() - 2);
    return value;
}

// Calls visit(line) for every line without its CR LF / LF ending; stops when
// visit returns false.
template <class Visit> void forEachLine(QByteArrayView file, Visit&& visit)
{
    const char* data = file.data();
    qsizetype pos = 0;
    const qsizetype size = file.size();
    while (pos < size) {
        const void* nl = std::memchr(data + pos, '\n', size_t(size - pos));
        qsizetype end = nl ? static_cast<const char*>(nl) - data : size;
        const qsizetype next = nl ? end + 1 : size;
        if (end > pos && data[end - 1] == '\r')
            --end;
        if (!visit(QByteArrayView(data + pos, end - pos)))
            return;
        pos = next;
    }
}

QList<QByteArrayView> splitLines(QByteArrayView file)
{
    QList<QByteArrayView> lines;
    forEachLine(file, [&](QByteArrayView line) {
        lines.append(line);
        return true;
    });
    return lines;
}

QByteArray joinLines(const QList<QByteArray>& lines)
{
    QByteArray out;
    qsizetype total = 0;
    for (const auto& line : lines)
        total += line.size() + 2;
    out.reserve(total);
    for (const auto& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

QByteArray withoutLineBreaks(QByteArrayView text)
{
    QByteArray clean;
    clean.reserve(text.size());
    for (char c : text)
        if (c != '\r' && c != '\n' && c != '\0')
            clean += c;
    return clean;
}

// Where a section sits in a list of lines: its header and one past its last line.
struct SectionSpan {
    qsizetype header = -1;
    qsizetype end = -1;
};

SectionSpan findSection(const QList<QByteArrayView>& lines, QByteArrayView section)
{
    SectionSpan span;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArrayView t = trimmed(lines[i]);
        if (!isHeader(t))
            continue;
        if (span.header >= 0) {
            span.end = i;
            return span;
        }
        if (sameName(sectionName(t), section))
            span.header = i;
    }
    if (span.header >= 0)
        span.end = lines.size();
    return span;
}

qsizetype findKey(const QList<QByteArrayView>& lines, const SectionSpan& span, QByteArrayView key)
{
    for (qsizetype i = span.header + 1; i < span.end; ++i) {
        const auto k = keyLine(trimmed(lines[i]));
        if (k && sameName(k->name, key))
            return i;
    }
    return -1;
}

QList<QByteArray> owned(const QList<QByteArrayView>& lines)
{
    QList<QByteArray> copy;
    copy.reserve(lines.size() + 3);
    for (const auto& line : lines)
        copy.append(line.toByteArray());
    return copy;
}

} // namespace

std::optional<QByteArray> lookup(const QByteArray& file, const QByteArray& section, const QByteArray& key)
{
    const QByteArrayView wantSection = trimmed(section);
    const QByteArrayView wantKey = trimmed(key);
    bool inSection = false;
    bool seenSection = false;
    std::optional<QByteArray> found;
    forEachLine(file, [&](QByteArrayView line) {
        const QByteArrayView t = trimmed(line);
        if (isHeader(t)) {
            // Only the first section of a name counts, as for the writer.
            if (seenSection)
                return false;
            inSection = sameName(sectionName(t), wantSection);
            seenSection = inSection;
            return true;
        }
        if (!inSection)
            return true;
        const auto k = keyLine(t);
        if (k && sameName(k->name, wantKey)) {
            found = unquoted(k->value).toByteArray();
            return false;
        }
        return true;
    });
    return found;
}

QByteArray withValue(const QByteArray& file, const QByteArray& section, const QByteArray& key,
                     const QByteArray& value)
{
    const QByteArray cleanSection = withoutLineBreaks(trimmed(section));
    const QByteArray cleanKey = withoutLineBreaks(trimmed(key));
    const QByteArray cleanValue = withoutLineBreaks(value);
    const QList<QByteArrayView> views = splitLines(file);
    const SectionSpan span = findSection(views, cleanSection);
    QList<QByteArray> lines = owned(views);

    if (span.header < 0) {
        if (!lines.isEmpty() && !trimmed(lines.constLast()).isEmpty())
            lines.append(QByteArray());
        lines.append('[' + cleanSection + ']');
        lines.append(cleanKey + '=' + cleanValue);
        return joinLines(lines);
    }
    const qsizetype at = findKey(views, span, cleanKey);
    if (at >= 0) {
        // Keep the stored spelling of the name; only the value changes.
        lines[at] = keyLine(trimmed(views[at]))->name.toByteArray() + '=' + cleanValue;
        return joinLines(lines);
    }
    qsizetype insertAt = span.end;
    while (insertAt > span.header + 1 && trimmed(views[insertAt - 1]).isEmpty())
        --insertAt;
    lines.insert(insertAt, cleanKey + '=' + cleanValue);
    return joinLines(lines);
}

QByteArray withoutKey(const QByteArray& file, const QByteArray& section, const QByteArray& key)
{
    const QList<QByteArrayView> views = splitLines(file);
    const SectionSpan span = findSection(views, trimmed(section));
    if (span.header < 0)
        return file;
    const qsizetype at = findKey(views, span, trimmed(key));
    if (at < 0)
        return file;
    QList<QByteArray> lines = owned(views);
    lines.removeAt(at);
    return joinLines(lines);
}

QByteArray withoutSection(const QByteArray& file, const QByteArray& section)
{
    const QByteArrayView name = trimmed(section);
    QList<QByteArray> kept;
    bool dropping = false;
    bool found = false;
    forEachLine(file, [&](QByteArrayView line) {
        const QByteArrayView t = trimmed(line);
        if (isHeader(t)) {
            dropping = sameName(sectionName(t), name);
            found = found || dropping;
        }
        if (!dropping)
            kept.append(line.toByteArray());
        return true;
    });
    return found ? joinLines(kept) : file;
}

QByteArray cutToReadLimit(const QByteArray& value)
{
    if (value.size() <= kReadLimit)
        return value;
    qsizetype cut = kReadLimit;
    if (value.isValidUtf8()) {
        while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80)
            --cut;
    }
    return value.left(cut);
}

} // namespace ini
