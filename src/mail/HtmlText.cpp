#include "mail/HtmlText.h"

#include <QHash>

namespace {

constexpr qsizetype kLongestEntity = 12;
constexpr qsizetype kLongestLinkShown = 2000;

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f';
}

const QHash<QString, char16_t>& namedEntities()
{
    static const QHash<QString, char16_t> entities = {
        {"amp", u'&'},     {"lt", u'<'},      {"gt", u'>'},       {"quot", u'"'},    {"apos", u'\''},
        {"nbsp", u' '},    {"copy", 0xA9},    {"reg", 0xAE},      {"trade", 0x2122}, {"euro", 0x20AC},
        {"pound", 0xA3},   {"yen", 0xA5},     {"cent", 0xA2},     {"sect", 0xA7},    {"deg", 0xB0},
        {"middot", 0xB7},  {"bull", 0x2022},  {"hellip", 0x2026}, {"ndash", 0x2013}, {"mdash", 0x2014},
        {"lsquo", 0x2018}, {"rsquo", 0x2019}, {"ldquo", 0x201C},  {"rdquo", 0x201D}, {"laquo", 0xAB},
        {"raquo", 0xBB},   {"shy", 0xAD},     {"zwnj", 0x200C},   {"zwj", 0x200D},   {"times", 0xD7},
        {"auml", 0xE4},    {"ouml", 0xF6},    {"uuml", 0xFC},     {"Auml", 0xC4},    {"Ouml", 0xD6},
        {"Uuml", 0xDC},    {"szlig", 0xDF},   {"eacute", 0xE9},   {"egrave", 0xE8},  {"agrave", 0xE0},
        {"aacute", 0xE1},  {"ccedil", 0xE7},  {"ntilde", 0xF1},   {"oacute", 0xF3},  {"iacute", 0xED},
        {"uacute", 0xFA},  {"Eacute", 0xC9},  {"aring", 0xE5},    {"oslash", 0xF8},  {"aelig", 0xE6},
    };
    return entities;
}

// The entity starting at html[i] == '&': its text, and the index past it;
// nothing (end == i) when it is no entity we know.
QString entityAt(const QString& html, qsizetype i, qsizetype& end)
{
    end = i;
    // Searched only as far as the longest entity, so that text full of '&' costs linear time.
    const qsizetype found = QStringView(html).mid(i + 1, kLongestEntity + 1).indexOf(u';');
    if (found <= 0)
        return QString();
    const qsizetype semicolon = i + 1 + found;
    const QString name = html.mid(i + 1, semicolon - i - 1);
    char32_t code = 0;
    if (name.startsWith(u'#')) {
        bool ok = false;
        const bool hex = name.size() > 1 && (name[1] == u'x' || name[1] == u'X');
        code = name.mid(hex ? 2 : 1).toUInt(&ok, hex ? 16 : 10);
        if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return QString();
    } else {
        const auto found = namedEntities().constFind(name);
        if (found == namedEntities().constEnd())
            return QString();
        code = *found;
    }
    end = semicolon + 1;
    return QString::fromUcs4(&code, 1);
}

QString decodeEntities(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype end = i;
        const QString entity = text[i] == u'&' ? entityAt(text, i, end) : QString();
        if (end > i) {
            out += entity;
            i = end - 1;
        } else {
            out += text[i];
        }
    }
    return out;
}

struct Tag {
    QString name; // lower case
    bool closing = false;
    QString href;
    qsizetype end = -1; // index past '>', -1 when the tag never closes
};

// The value of attribute wanted in the text between a tag's name and '>'.
QString attribute(const QString& inside, const QString& wanted)
{
    qsizetype i = 0;
    while (i < inside.size()) {
        while (i < inside.size() && (isBlank(inside[i]) || inside[i] == u'/'))
            ++i;
        const qsizetype nameStart = i;
        while (i < inside.size() && !isBlank(inside[i]) && inside[i] != u'=')
            ++i;
        const QString name = inside.mid(nameStart, i - nameStart).toLower();
        while (i < inside.size() && isBlank(inside[i]))
            ++i;
        if (i >= inside.size() || inside[i] != u'=') {
            if (i == nameStart)
                ++i;
            continue;
        }
        ++i;
        while (i < inside.size() && isBlank(inside[i]))
            ++i;
        qsizetype valueStart = i, valueEnd = i;
        if (i < inside.size() && (inside[i] == u'"' || inside[i] == u'\'')) {
            const qsizetype close = inside.indexOf(inside[i], i + 1);
            valueStart = i + 1;
            valueEnd = close < 0 ? inside.size() : close;
            i = valueEnd + 1;
        } else {
            while (i < inside.size() && !isBlank(inside[i]))
                ++i;
            valueEnd = i;
        }
        if (name == wanted)
            return decodeEntities(inside.mid(valueStart, valueEnd - valueStart)).trimmed();
    }
    return QString();
}

Tag tagAt(const QString& html, qsizetype i)
{
    Tag tag;
    qsizetype k = i + 1;
    tag.closing = k < html.size() && html[k] == u'/';
    if (tag.closing)
        ++k;
    const qsizetype nameStart = k;
    while (k < html.size() && (html[k].isLetterOrNumber()))
        ++k;
    tag.name = html.mid(nameStart, k - nameStart).toLower();
    // The tag ends at the first '>' outside a quoted attribute value.
    QChar quote;
    for (qsizetype j = k; j < html.size(); ++j) {
        const QChar c = html[j];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'>') {
            tag.end = j + 1;
            if (tag.name == u"a" && !tag.closing)
                tag.href = attribute(html.mid(k, j - k), QStringLiteral("href"));
            return tag;
        }
    }
    return tag;
}

bool startsLine(const QString& name)
{
    static const QStringList blocks = {"p",       "div",    "br",     "tr",      "li",         "h1",
                                       "h2",      "h3",     "h4",     "h5",      "h6",         "table",
                                       "ul",      "ol",     "hr",     "pre",     "blockquote", "section",
                                       "article", "header", "footer", "address", "dt",         "dd"};
    return blocks.contains(name);
}

class TextWriter {
  public:
    void blank()
    {
        if (!out_.isEmpty() && !out_.endsWith(u' ') && !out_.endsWith(u'\n'))
            out_ += u' ';
    }
    // A block starts on a line of its own.
    void lineEnd()
    {
        trimLine();
        if (!out_.isEmpty() && !out_.endsWith(u'\n'))
            out_ += u'\n';
    }
    // A paragraph has an empty line before and after it.
    void paragraph()
    {
        lineEnd();
        if (!out_.isEmpty() && !out_.endsWith(QStringLiteral("\n\n")))
            out_ += u'\n';
    }
    // A line break always ends the line, but never makes more than one empty line.
    void lineBreak()
    {
        trimLine();
        if (!out_.endsWith(QStringLiteral("\n\n")))
            out_ += u'\n';
    }
    void text(const QString& t) { out_ += t; }
    void text(QChar c) { out_ += c; }
    void openLink(const QString& href)
    {
        href_ = href.left(kLongestLinkShown);
        labelStart_ = out_.size();
    }
    void closeLink()
    {
        if (href_.isEmpty())
            return;
        const QString label = out_.mid(labelStart_).trimmed();
        const QString shown =
            href_.startsWith(QStringLiteral("mailto:"), Qt::CaseInsensitive) ? href_.mid(7) : href_;
        if (!href_.startsWith(u'#') && label != shown && label != href_) {
            if (label.isEmpty())
                out_ += href_;
            else
                out_ += QStringLiteral(" (") + href_ + u')';
        }
        href_.clear();
    }
    QString result() const { return out_.trimmed() + u'\n'; }
    qsizetype size() const { return out_.size(); }

  private:
    void trimLine()
    {
        while (out_.endsWith(u' '))
            out_.chop(1);
    }

    QString out_;
    QString href_;
    qsizetype labelStart_ = 0;
};

// Skips what a tag whose content is never shown holds, up to its end tag.
qsizetype skipContent(const QString& html, qsizetype from, const QString& name)
{
    const qsizetype close = html.indexOf(QStringLiteral("</") + name, from, Qt::CaseInsensitive);
    if (close < 0)
        return html.size();
    const qsizetype end = html.indexOf(u'>', close);
    return end < 0 ? html.size() : end + 1;
}

} // namespace

QString HtmlToText(const QString& html, qsizetype maxChars)
{
    TextWriter writer;
    int preformatted = 0;
    qsizetype i = 0;
    while (i < html.size() && (maxChars < 0 || writer.size() <= maxChars)) {
        const QChar c = html[i];
        if (c == u'<' && html.mid(i, 4) == QStringLiteral("<!--")) {
            const qsizetype close = html.indexOf(QStringLiteral("-->"), i + 4);
            i = close < 0 ? html.size() : close + 3;
            continue;
        }
        if (c == u'<' && i + 1 < html.size() &&
            (html[i + 1].isLetter() || html[i + 1] == u'/' || html[i + 1] == u'!')) {
            const Tag tag = tagAt(html, i);
            if (tag.end < 0)
                break; // a tag that never closes: the rest is no text
            i = tag.end;
            if (!tag.closing && (tag.name == u"script" || tag.name == u"style" || tag.name == u"title")) {
                i = skipContent(html, i, tag.name);
                continue;
            }
            if (tag.name == u"pre")
                preformatted = qMax(0, preformatted + (tag.closing ? -1 : 1));
            if (tag.name == u"a")
                tag.closing ? writer.closeLink() : writer.openLink(tag.href);
            else if (tag.name == u"br")
                writer.lineBreak();
            else if (tag.name == u"p" || tag.name == u"blockquote" || tag.name == u"table")
                writer.paragraph();
            else if (startsLine(tag.name))
                writer.lineEnd();
            else if (tag.name == u"td" || tag.name == u"th")
                writer.blank();
            if (tag.name == u"li" && !tag.closing)
                writer.text(QStringLiteral("* "));
            continue;
        }
        if (c == u'&') {
            qsizetype end = i;
            const QString entity = entityAt(html, i, end);
            if (end > i) {
                writer.text(entity);
                i = end;
                continue;
            }
        }
        if (c == u'\r' && i + 1 < html.size() && html[i + 1] == u'\n') {
            ++i; // the line feed that follows ends the line
            continue;
        }
        if (isBlank(c) && preformatted == 0)
            writer.blank();
        else if (c == u'\n' || c == u'\r')
            writer.lineBreak();
        else
            writer.text(c);
        ++i;
    }
    return writer.result();
}
