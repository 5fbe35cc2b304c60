#include "mail/GMimeSupport.h"

#include "mail/OutgoingMail.h"

#include "mail/MailText.h"

#include <QRandomGenerator>

namespace {

// Header lines are folded before this many characters where a fold point
// exists; RFC 5322 recommends 78.
constexpr qsizetype kFoldWidth = 76;
// The hard limit of a line on the wire, CR LF not counted.
constexpr qsizetype kLongestLine = 998;
constexpr qsizetype kLongestAddress = 254;

struct Mailbox {
    QString name;
    QString address;
};

// A ':' opens a group only after a name: text with an address or an angle
// bracket before it ("a@b Bcc: c@d") is no group.
bool opensGroup(const QString& before)
{
    return !before.trimmed().isEmpty() && !before.contains(u'@') && !before.contains(u'<');
}

// Where an address field's entries end: "," or ";" outside quotes,
// comments and angle brackets; a group ("Team: a@b, c@d;") is one entry.
QStringList addressEntries(const QString& field)
{
    QStringList entries;
    QString entry;
    bool quoted = false, bracket = false, group = false;
    int comment = 0;
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field[i];
        entry += c;
        if (quoted) {
            if (c == u'\\' && i + 1 < field.size())
                entry += field[++i];
            else if (c == u'"')
                quoted = false;
        } else if (comment > 0) {
            comment += c == u'(' ? 1 : c == u')' ? -1 : 0;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u'(') {
            comment = 1;
        } else if (c == u'<' || c == u'>') {
            bracket = c == u'<';
        } else if (c == u':' && !bracket && !group) {
            group = opensGroup(entry.chopped(1));
        } else if ((c == u',' && !group && !bracket) || (c == u';' && !bracket)) {
            if (c == u',')
                entry.chop(1);
            entries.append(entry);
            entry.clear();
            group = false;
        }
    }
    entries.append(entry);
    return entries;
}

bool isGroup(const QString& entry)
{
    const qsizetype colon = entry.indexOf(u':');
    return colon > 0 && opensGroup(entry.left(colon));
}

bool needsAddressParser(const QString& entry)
{
    for (const QChar c : entry) {
        if (c == u'"' || c == u'(' || c == u'<')
            return true;
    }
    return isGroup(entry);
}

void appendParsed(InternetAddressList* list, QList<Mailbox>& out, bool inGroup = false)
{
    for (int i = 0; list && i < internet_address_list_length(list); ++i) {
        InternetAddress* entry = internet_address_list_get_address(list, i);
        if (INTERNET_ADDRESS_IS_MAILBOX(entry))
            out.append({FromGMime(internet_address_get_name(entry)),
                        FromGMime(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(entry)))});
        else if (INTERNET_ADDRESS_IS_GROUP(entry) && !inGroup)
            appendParsed(internet_address_group_get_members(INTERNET_ADDRESS_GROUP(entry)), out, true);
    }
}

QList<Mailbox> parseMailboxes(const QString& field)
{
    EnsureGMime();
    QList<Mailbox> out;
    for (QString entry : addressEntries(field)) {
        if (entry.endsWith(u';') && !isGroup(entry))
            entry.chop(1);
        if (entry.trimmed().isEmpty())
            continue;
        if (!needsAddressParser(entry)) {
            // Bare addresses, possibly several separated by blanks.
            for (const QString& word : entry.split(u' ', Qt::SkipEmptyParts))
                out.append({QString(), word});
            continue;
        }
        const qsizetype before = out.size();
        const QByteArray utf8 = entry.toUtf8();
        const GObjectPtr<InternetAddressList> list(internet_address_list_parse(nullptr, utf8.constData()));
        appendParsed(list.get(), out);
        // What GMime finds no address in is told as it was typed, never dropped.
        if (out.size() == before && !isGroup(entry))
            out.append({QString(), entry.trimmed()});
    }
    return out;
}

bool validAddress(const QString& address)
{
    const qsizetype at = address.lastIndexOf(u'@');
    if (address.size() > kLongestAddress || at <= 0 || at == address.size() - 1)
        return false;
    for (const QChar c : address) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7F || QStringLiteral("<>()[],;:\\\"").contains(c))
            return false;
    }
    const QString domain = address.mid(at + 1);
    return !address.left(at).contains(u'@') && !domain.startsWith(u'.') && !domain.endsWith(u'.') &&
           !domain.contains(QStringLiteral(".."));
}

bool isAscii(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

// Typed text made safe for one header: no character can end the line.
QString oneLine(const QString& text)
{
    QString out = text;
    for (QChar& c : out) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || c == QChar(0x2028) || c == QChar(0x2029))
            c = u' ';
    }
    return out.trimmed();
}

// RFC 2047 B words of UTF-8, each short enough for one folded line, never
// splitting a character.
QList<QByteArray> encodedWords(const QString& text)
{
    // 52 characters of base64: the word fits a line after "Subject: ".
    constexpr qsizetype kWordBytes = 39;
    QList<QByteArray> words;
    QByteArray chunk;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype width = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray bytes = text.mid(i, width).toUtf8();
        if (chunk.size() + bytes.size() > kWordBytes) {
            words.append("=?UTF-8?B?" + chunk.toBase64() + "?=");
            chunk.clear();
        }
        chunk += bytes;
        i += width - 1;
    }
    if (!chunk.isEmpty())
        words.append("=?UTF-8?B?" + chunk.toBase64() + "?=");
    return words;
}

// Text of a header as words: plain ASCII as it is, anything else (or text
// that would be mistaken for encoded words, or a word too long to fold)
// as encoded words.
QList<QByteArray> headerWords(const QString& text)
{
    const QStringList plain = text.split(u' ', Qt::SkipEmptyParts);
    bool encode = !isAscii(text) || text.contains(QStringLiteral("=?"));
    for (const QString& w : plain)
        encode = encode || w.size() > kLongestLine - 100;
    if (encode)
        return encodedWords(text);
    QList<QByteArray> words;
    for (const QString& w : plain)
        words.append(w.toLatin1());
    return words;
}

// A word split at its blanks outside quoted strings: an encoded display
// name ("=?...?= =?...?=") can be folded between its encoded words.
QList<QByteArray> foldablePieces(const QByteArray& word)
{
    QList<QByteArray> pieces;
    QByteArray piece;
    bool quoted = false;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const char c = word[i];
        if (quoted && c == '\\' && i + 1 < word.size()) {
            piece += c, piece += word[++i];
            continue;
        }
        quoted = c == '"' ? !quoted : quoted;
        if (c == ' ' && !quoted) {
            if (!piece.isEmpty())
                pieces.append(piece);
            piece.clear();
        } else {
            piece += c;
        }
    }
    if (!piece.isEmpty())
        pieces.append(piece);
    return pieces;
}

// "Name: word word ..." folded with CR LF and a blank before the fold width;
// separator (its non-blank part) goes between words, not between pieces of one.
QByteArray headerLine(const QByteArray& name, const QList<QByteArray>& words,
                      const QByteArray& separator = " ")
{
    QByteArray out = name + ":";
    qsizetype lineLength = out.size();
    bool first = true;
    for (qsizetype k = 0; k < words.size(); ++k) {
        const QList<QByteArray> pieces = foldablePieces(words[k]);
        for (qsizetype p = 0; p < pieces.size(); ++p) {
            const QByteArray& w = pieces[p];
            const QByteArray sep = first || p > 0 ? QByteArray() : separator.trimmed();
            if (!first && lineLength + sep.size() + 1 + w.size() > kFoldWidth) {
                out += sep + "\r\n";
                lineLength = 0;
            } else {
                out += sep;
                lineLength += sep.size();
            }
            out += ' ' + w;
            lineLength += 1 + w.size();
            first = false;
        }
    }
    return out + "\r\n";
}

QByteArray displayName(const QString& name)
{
    if (!isAscii(name) || name.contains(QStringLiteral("=?"))) {
        const QByteArray utf8 = name.toUtf8();
        const GString_ptr encoded(g_mime_utils_header_encode_phrase(nullptr, utf8.constData(), nullptr));
        return encoded ? QByteArray(encoded.get()) : encodedWords(name).join(' ');
    }
    QByteArray quoted = name.toLatin1();
    quoted.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + quoted + '"';
}

QByteArray mailboxText(const Mailbox& box)
{
    const QString name = oneLine(box.name);
    const QByteArray address = box.address.toLatin1();
    return name.isEmpty() ? address : displayName(name) + " <" + address + '>';
}

QList<QByteArray> addressWords(const QList<Mailbox>& boxes)
{
    QList<QByteArray> words;
    for (const Mailbox& box : boxes)
        words.append(mailboxText(box));
    return words;
}

QByteArray rfc5322Date(const QDateTime& given)
{
    const QDateTime now = given.isValid() ? given : QDateTime::currentDateTime();
    static const char* const days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDate d = now.date();
    const int offset = now.offsetFromUtc() / 60;
    const int absolute = qAbs(offset);
    return QStringLiteral("%1, %2 %3 %4 %5 %6%7%8")
        .arg(QLatin1String(days[d.dayOfWeek() - 1]))
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(QLatin1String(months[d.month() - 1]))
        .arg(d.year())
        .arg(now.time().toString(QStringLiteral("HH:mm:ss")))
        .arg(offset < 0 ? QLatin1String("-") : QLatin1String("+"))
        .arg(absolute / 60, 2, 10, QLatin1Char('0'))
        .arg(absolute % 60, 2, 10, QLatin1Char('0'))
        .toLatin1();
}

QByteArray messageId(const QDateTime& now, const QString& returnAddress)
{
    const QString domain = returnAddress.mid(returnAddress.lastIndexOf(u'@') + 1);
    return QStringLiteral("<%1.%2@%3>")
        .arg(now.toMSecsSinceEpoch())
        .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'))
        .arg(domain)
        .toLatin1();
}

// Every line end becomes CR LF; NUL cannot travel in a mail body.
QByteArray crlfText(const QString& text)
{
    QByteArray out = CrLfBytes(text);
    out.removeIf([](char c) { return c == '\0'; });
    if (!out.isEmpty() && !out.endsWith("\r\n"))
        out += "\r\n";
    return out;
}

bool hasOverlongLine(const QByteArray& body)
{
    qsizetype start = 0;
    while (start < body.size()) {
        qsizetype end = body.indexOf("\r\n", start);
        if (end < 0)
            end = body.size();
        if (end - start > kLongestLine)
            return true;
        start = end + 2;
    }
    return false;
}

// Quoted-printable by GMime, which works on LF line ends; the wire gets CR LF.
QByteArray quotedPrintable(const QByteArray& crlfBody)
{
    QByteArray lines = crlfBody;
    lines.replace("\r\n", "\n");
    GMimeEncoding state;
    g_mime_encoding_init_encode(&state, GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE);
    QByteArray out(qsizetype(g_mime_encoding_outlen(&state, size_t(lines.size()))), Qt::Uninitialized);
    const size_t length = g_mime_encoding_flush(&state, lines.constData(), size_t(lines.size()), out.data());
    out.truncate(qsizetype(length));
    return out.replace("\n", "\r\n");
}

// A thread id fit for our header: "<" printable ASCII without brackets ">".
bool travellingId(const QByteArray& id)
{
    if (id.size() < 3 || id.size() > 252 || !id.startsWith('<') || !id.endsWith('>'))
        return false;
    for (const char c : id.mid(1, id.size() - 2)) {
        if (uchar(c) <= 0x20 || uchar(c) >= 0x7F || c == '<' || c == '>')
            return false;
    }
    return true;
}

QByteArray threadHeaders(const OutgoingMail& mail)
{
    QByteArray out;
    if (travellingId(mail.inReplyTo))
        out += "In-Reply-To: " + mail.inReplyTo + "\r\n";
    QList<QByteArray> ids;
    for (const QByteArray& id : mail.references)
        if (travellingId(id))
            ids.append(id);
    if (!ids.isEmpty())
        out += headerLine("References", ids);
    return out;
}

QString addressError(const QList<Mailbox>& boxes)
{
    for (const Mailbox& box : boxes) {
        if (!validAddress(box.address))
            return QStringLiteral("\"%1\" is not a valid e-mail address.").arg(oneLine(box.address).left(80));
    }
    return QString();
}

} // namespace

QStringList ParseAddressList(const QString& field)
{
    QStringList addresses;
    for (const Mailbox& box : parseMailboxes(field))
        addresses.append(box.address);
    return addresses;
}

PreparedMail PrepareMail(const OutgoingMail& mail, const QDateTime& now)
{
    PreparedMail prepared;
    const QList<Mailbox> to = parseMailboxes(oneLine(mail.to));
    const QList<Mailbox> copy = parseMailboxes(oneLine(mail.copy));
    const QList<Mailbox> from = parseMailboxes(oneLine(mail.returnAddress));
    if (to.isEmpty())
        prepared.error = QStringLiteral("Please complete the 'To:' field before sending.");
    else if (from.isEmpty())
        prepared.error = QStringLiteral("The return address is missing: fill it in under Email > Setup.");
    else if (from.size() > 1 || !validAddress(from.first().address))
        prepared.error = QStringLiteral(
            "The return address is not a valid e-mail address: correct it under Email > Setup.");
    else
        prepared.error = addressError(to + copy);
    if (!prepared.error.isEmpty())
        return prepared;

    prepared.envelopeFrom = from.first().address;
    for (const Mailbox& box : to + copy)
        prepared.recipients.append(box.address);

    QByteArray body = crlfText(mail.text);
    bool ascii = true;
    for (const char c : body)
        ascii = ascii && uchar(c) < 0x80;
    QByteArray transfer = "7bit";
    if (!ascii || hasOverlongLine(body)) {
        body = quotedPrintable(body);
        transfer = "quoted-printable";
    }

    QByteArray& m = prepared.message;
    m += headerLine("From", {mailboxText({mail.userName, prepared.envelopeFrom})});
    m += headerLine("To", addressWords(to), ", ");
    if (!copy.isEmpty())
        m += headerLine("Cc", addressWords(copy), ", ");
    m += headerLine("Subject", headerWords(oneLine(mail.subject)));
    m += "Date: " + rfc5322Date(now) + "\r\n";
    m += "Message-ID: " + messageId(now, prepared.envelopeFrom) + "\r\n";
    m += threadHeaders(mail);
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: text/plain; charset=UTF-8\r\n";
    m += "Content-Transfer-Encoding: " + transfer + "\r\n";
    m += kMailerHeader + "\r\n";
    m += "\r\n";
    m += body;
    return prepared;
}
