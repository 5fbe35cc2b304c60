#include "mail/GMimeSupport.h"

#include "mail/MimeMessage.h"

#include "mail/HtmlText.h"
#include "mail/MailText.h"

namespace {

// Deeper nesting than this is no real mail; what lies below is not shown.
constexpr int kMaxDepth = 64;
constexpr qsizetype kMaxAttachments = 1000;
constexpr qsizetype kLongestName = 200;
constexpr qsizetype kLongestMessageId = 250;

QByteArray streamBytes(GMimeStream* stream)
{
    const GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream));
    return bytes ? QByteArray(reinterpret_cast<const char*>(bytes->data), qsizetype(bytes->len))
                 : QByteArray();
}

// The part's content with its transfer encoding undone, and, when a charset
// filter is given, converted by it.
QByteArray decodedContent(GMimePart* part, GMimeFilter* charsetFilter = nullptr)
{
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    const GObjectPtr<GMimeStream> memory(g_mime_stream_mem_new());
    if (!content)
        return QByteArray();
    if (!charsetFilter) {
        g_mime_data_wrapper_write_to_stream(content, memory.get());
        return streamBytes(memory.get());
    }
    const GObjectPtr<GMimeStream> filtered(g_mime_stream_filter_new(memory.get()));
    g_mime_stream_filter_add(GMIME_STREAM_FILTER(filtered.get()), charsetFilter);
    g_mime_data_wrapper_write_to_stream(content, filtered.get());
    g_mime_stream_flush(filtered.get());
    return streamBytes(memory.get());
}

bool isUtf8Compatible(const QByteArray& charset)
{
    const QByteArray lower = charset.trimmed().toLower();
    return lower.isEmpty() || lower == "utf-8" || lower == "utf8" || lower == "us-ascii" || lower == "ascii";
}

// Every line end CR LF; NUL cannot be shown.
QString displayLines(const QString& text)
{
    QString out;
    out.reserve(text.size() + text.size() / 32);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\0')
            continue;
        if (c == u'\r' || c == u'\n') {
            out += QStringLiteral("\r\n");
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else {
            out += c;
        }
    }
    return out;
}

// A text part read in its declared charset; UTF-8 (Latin-1 for invalid
// sequences) when none is declared or the charset is unknown.
QString partText(GMimePart* part)
{
    const QByteArray charset = g_mime_object_get_content_type_parameter(GMIME_OBJECT(part), "charset");
    if (!isUtf8Compatible(charset)) {
        const char* known = g_mime_charset_iconv_name(charset.constData());
        const iconv_t probe = g_mime_iconv_open("UTF-8", known);
        if (probe != iconv_t(-1)) {
            g_mime_iconv_close(probe);
            if (GMimeFilter* filter = g_mime_filter_charset_new(known, "UTF-8")) {
                const QByteArray utf8 = decodedContent(part, filter);
                g_object_unref(filter);
                return displayLines(DisplayText(utf8));
            }
        }
    }
    return displayLines(DisplayText(decodedContent(part)));
}

// A name that can be offered as a file name: no folders, no controls.
QString safeFileName(const QString& given, qsizetype number)
{
    QString name = given.section(u'/', -1).section(u'\\', -1);
    for (QChar& c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u'_';
    }
    name = name.trimmed().left(kLongestName);
    while (name.startsWith(u'.'))
        name.remove(0, 1);
    return name.isEmpty() ? QStringLiteral("attachment-%1").arg(number) : name;
}

struct Collected {
    QString plain, html;
    QList<MimeAttachment> attachments;
    QString readable() const { return plain.trimmed().isEmpty() ? html : plain; }
};

void addAttachment(Collected& into, const QString& name, const QByteArray& bytes)
{
    if (into.attachments.size() < kMaxAttachments)
        into.attachments.append(MimeAttachment{safeFileName(name, into.attachments.size() + 1), bytes});
}

void collect(GMimeObject* object, Collected& into, int depth);

// Alternatives say the same thing: the first one with plain text, else the
// first one with HTML, else the first one.
void collectAlternative(GMimeMultipart* multipart, Collected& into, int depth)
{
    QList<Collected> choices;
    for (int i = 0; i < g_mime_multipart_get_count(multipart); ++i) {
        choices.append(Collected());
        collect(g_mime_multipart_get_part(multipart, i), choices.last(), depth + 1);
    }
    if (choices.isEmpty())
        return;
    const Collected* chosen = &choices.first();
    const auto firstWith = [&](auto has) -> const Collected* {
        for (const Collected& c : choices)
            if (has(c))
                return &c;
        return nullptr;
    };
    if (const Collected* c = firstWith([](const Collected& x) { return !x.plain.trimmed().isEmpty(); }))
        chosen = c;
    else if (const Collected* h = firstWith([](const Collected& x) { return !x.html.trimmed().isEmpty(); }))
        chosen = h;
    into.plain += chosen->plain;
    into.html += chosen->html;
    for (const MimeAttachment& a : chosen->attachments)
        addAttachment(into, a.name, a.bytes);
}

void collectLeaf(GMimePart* part, Collected& into)
{
    GMimeObject* object = GMIME_OBJECT(part);
    GMimeContentDisposition* disposition = g_mime_object_get_content_disposition(object);
    const bool attached = disposition && g_mime_content_disposition_is_attachment(disposition);
    GMimeContentType* type = g_mime_object_get_content_type(object);
    if (!attached && g_mime_content_type_is_type(type, "text", "plain")) {
        into.plain += partText(part);
    } else if (!attached && g_mime_content_type_is_type(type, "text", "html")) {
        into.html += displayLines(HtmlToText(partText(part), kMaxShownText));
    } else {
        addAttachment(into, FromGMime(g_mime_part_get_filename(part)), decodedContent(part));
    }
}

void collectMessagePart(GMimeMessagePart* part, Collected& into)
{
    GMimeMessage* inner = g_mime_message_part_get_message(part);
    if (!inner)
        return;
    const GObjectPtr<GMimeStream> memory(g_mime_stream_mem_new());
    g_mime_object_write_to_stream(GMIME_OBJECT(inner), nullptr, memory.get());
    const QString subject = FromGMime(g_mime_message_get_subject(inner)).simplified();
    addAttachment(into, (subject.isEmpty() ? QStringLiteral("message") : subject) + QStringLiteral(".eml"),
                  streamBytes(memory.get()));
}

void collect(GMimeObject* object, Collected& into, int depth)
{
    if (!object || depth > kMaxDepth)
        return;
    if (GMIME_IS_MULTIPART(object)) {
        GMimeMultipart* multipart = GMIME_MULTIPART(object);
        if (g_mime_content_type_is_type(g_mime_object_get_content_type(object), "multipart", "alternative")) {
            collectAlternative(multipart, into, depth);
            return;
        }
        for (int i = 0; i < g_mime_multipart_get_count(multipart); ++i)
            collect(g_mime_multipart_get_part(multipart, i), into, depth + 1);
    } else if (GMIME_IS_MESSAGE_PART(object)) {
        collectMessagePart(GMIME_MESSAGE_PART(object), into);
    } else if (GMIME_IS_PART(object)) {
        collectLeaf(GMIME_PART(object), into);
    }
}

// The header block as logical lines: name and raw value, folds kept in the value.
QList<std::pair<QByteArray, QByteArray>> headerFields(const QByteArray& raw)
{
    QList<std::pair<QByteArray, QByteArray>> fields;
    qsizetype start = 0;
    while (start < raw.size()) {
        qsizetype end = raw.indexOf('\n', start);
        end = end < 0 ? raw.size() : end + 1;
        const QByteArray line = raw.mid(start, end - start);
        start = end;
        if (line.trimmed().isEmpty())
            break;
        if ((line[0] == ' ' || line[0] == '\t') && !fields.isEmpty()) {
            fields.last().second += line;
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            fields.append({line.left(colon).trimmed(), line.mid(colon + 1)});
    }
    return fields;
}

QString decodedHeaders(const QByteArray& raw)
{
    QString out;
    for (const auto& [name, value] : headerFields(raw))
        out += DisplayText(name) + QStringLiteral(": ") + DecodeHeaderValue(value).trimmed() +
               QStringLiteral("\r\n");
    return out;
}

QByteArray rawHeader(GMimeObject* object, const char* name)
{
    GMimeHeaderList* list = g_mime_object_get_header_list(object);
    GMimeHeader* header = list ? g_mime_header_list_get_header(list, name) : nullptr;
    return header ? QByteArray(g_mime_header_get_raw_value(header)) : QByteArray();
}

void appendMailboxes(InternetAddressList* list, QList<MailAddress>& out, int depth = 0)
{
    for (int i = 0; list && i < internet_address_list_length(list); ++i) {
        InternetAddress* entry = internet_address_list_get_address(list, i);
        if (INTERNET_ADDRESS_IS_MAILBOX(entry)) {
            out.append({FromGMime(internet_address_get_name(entry)),
                        FromGMime(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(entry)))});
        } else if (INTERNET_ADDRESS_IS_GROUP(entry) && depth == 0) {
            appendMailboxes(internet_address_group_get_members(INTERNET_ADDRESS_GROUP(entry)), out, 1);
        }
    }
}

QList<MailAddress> addressesOf(const QByteArray& rawValue)
{
    QList<MailAddress> out;
    if (rawValue.trimmed().isEmpty())
        return out;
    const GObjectPtr<InternetAddressList> list(internet_address_list_parse(nullptr, rawValue.constData()));
    appendMailboxes(list.get(), out);
    return out;
}

// "<id>" when the id can travel in a header of ours, else empty.
QByteArray bracketedId(const char* id)
{
    const QByteArray bare(id ? id : "");
    if (bare.isEmpty() || bare.size() > kLongestMessageId)
        return QByteArray();
    for (const char c : bare) {
        if (uchar(c) <= 0x20 || uchar(c) >= 0x7F || c == '<' || c == '>')
            return QByteArray();
    }
    return '<' + bare + '>';
}

QList<QByteArray> referencesOf(const QByteArray& rawValue)
{
    QList<QByteArray> ids;
    GMimeReferences* parsed = g_mime_references_parse(nullptr, rawValue.constData());
    for (int i = 0; parsed && i < g_mime_references_length(parsed); ++i) {
        const QByteArray id = bracketedId(g_mime_references_get_message_id(parsed, i));
        if (!id.isEmpty())
            ids.append(id);
    }
    if (parsed)
        g_mime_references_free(parsed);
    // The thread's first message and the latest ones are what threading needs.
    if (ids.size() > kMaxReferences - 1)
        ids = QList<QByteArray>{ids.first()} + ids.mid(ids.size() - (kMaxReferences - 2));
    return ids;
}

void readHeaders(GMimeMessage* message, MimeMessage& out)
{
    GMimeObject* object = GMIME_OBJECT(message);
    out.from = DecodeHeaderValue(rawHeader(object, "From")).trimmed();
    out.date = DecodeHeaderValue(rawHeader(object, "Date")).trimmed();
    out.subject = DecodeHeaderValue(rawHeader(object, "Subject")).trimmed();
    out.sender = addressesOf(rawHeader(object, "From"));
    out.replyTo = addressesOf(rawHeader(object, "Reply-To"));
    if (out.replyTo.isEmpty())
        out.replyTo = out.sender;
    out.messageId = bracketedId(g_mime_message_get_message_id(message));
    out.references = referencesOf(rawHeader(object, "References"));
    if (out.references.isEmpty())
        out.references = referencesOf(rawHeader(object, "In-Reply-To")).mid(0, 1);
}

} // namespace

QString MailAddress::fieldText() const
{
    QString shown = name.simplified();
    if (shown.isEmpty())
        return address;
    for (QChar& c : shown) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u' ';
    }
    bool quote = false;
    for (const QChar c : shown)
        quote = quote || QStringLiteral("()<>[]:;@\\,.\"").contains(c);
    if (quote) {
        shown.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
        shown = u'"' + shown + u'"';
    }
    return shown + QStringLiteral(" <") + address + u'>';
}

QString MimeMessage::replyField() const
{
    QStringList fields;
    for (const MailAddress& a : replyTo)
        fields.append(a.fieldText());
    return fields.join(QStringLiteral(", "));
}

QList<QByteArray> MimeMessage::replyReferences() const
{
    QList<QByteArray> ids = references;
    if (!messageId.isEmpty() && !ids.contains(messageId))
        ids.append(messageId);
    if (ids.size() > kMaxReferences)
        ids = QList<QByteArray>{ids.first()} + ids.mid(ids.size() - (kMaxReferences - 1));
    return ids;
}

QString CutForDisplay(const QString& text)
{
    if (text.size() <= kMaxShownText)
        return text;
    qsizetype cut = kMaxShownText;
    if (text[cut - 1].isHighSurrogate() || (text[cut - 1] == u'\r' && text[cut] == u'\n'))
        --cut;
    QString shown = text.left(cut);
    if (!shown.endsWith(u'\n'))
        shown += QStringLiteral("\r\n");
    return shown + kTooLongMarker + QStringLiteral("\r\n");
}

MimeMessage ParseMimeMessage(const QByteArray& raw)
{
    EnsureGMime();
    MimeMessage out;
    out.headers = decodedHeaders(raw);
    const GObjectPtr<GMimeStream> stream(
        g_mime_stream_mem_new_with_buffer(raw.constData(), size_t(raw.size())));
    const GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    const GObjectPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
    if (!message) {
        // No header block at all: what there is, as text.
        out.text = CutForDisplay(displayLines(DisplayText(raw)));
        return out;
    }
    readHeaders(message.get(), out);
    Collected collected;
    collect(g_mime_message_get_mime_part(message.get()), collected, 0);
    out.text = CutForDisplay(collected.readable());
    out.attachments = collected.attachments;
    return out;
}
