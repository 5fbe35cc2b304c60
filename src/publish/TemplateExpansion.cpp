#include "publish/TemplateExpansion.h"

#include "core/ProgramError.h"
#include "platform/UrlHost.h"

#include <cstring>

namespace publish {
namespace {

const QByteArray kCrLf = QByteArrayLiteral("\r\n");

// Values that land inside an attribute of the memo form must not be able to
// end it early; ordinary addresses, ports and names pass unchanged.
QByteArray attributeText(const QByteArray& text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

QByteArray twoDigits(int n)
{
    return QByteArray::number(n).rightJustified(2, '0');
}

QByteArray localeText(const QString& text)
{
    return text.toUtf8();
}

inline char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

// True when the bytes at p match the lower-case token without regard to case.
inline bool matchesAt(const char* p, const QByteArray& token)
{
    const char* t = token.constData();
    for (qsizetype i = 0; i < token.size(); ++i) {
        if (lowerAscii(p[i]) != t[i])
            return false;
    }
    return true;
}

// Position of the first case-insensitive occurrence of token in [from, size), or -1.
qsizetype findToken(const QByteArray& line, const QByteArray& token, qsizetype from)
{
    const qsizetype last = line.size() - token.size();
    const char first = token.at(0); // '%' or '<': no letter case to fold
    const char* data = line.constData();
    qsizetype pos = from;
    while (pos <= last) {
        const void* hit = std::memchr(data + pos, first, size_t(last - pos + 1));
        if (!hit)
            return -1;
        pos = static_cast<const char*>(hit) - data;
        if (matchesAt(data + pos, token))
            return pos;
        ++pos;
    }
    return -1;
}

[[noreturn]] void tooLarge()
{
    throw ProgramError(err::kOutOfMemory, QStringLiteral("the page would pass its size limit"));
}

} // namespace

const std::array<QByteArray, kVariableCount>& VariableTokens()
{
    static const std::array<QByteArray, kVariableCount> tokens{
        QByteArrayLiteral("%ip%"),        QByteArrayLiteral("%time%"),     QByteArrayLiteral("%dns%"),
        QByteArrayLiteral("%date%"),      QByteArrayLiteral("%memo%"),     QByteArrayLiteral("%24time%"),
        QByteArrayLiteral("%c1%"),        QByteArrayLiteral("%c2%"),       QByteArrayLiteral("%c3%"),
        QByteArrayLiteral("%c4%"),        QByteArrayLiteral("%c5%"),       QByteArrayLiteral("%status%"),
        QByteArrayLiteral("<html>"),      QByteArrayLiteral("%mm/dd/yy%"), QByteArrayLiteral("%mm-dd-yy%"),
        QByteArrayLiteral("%mmmddyyyy%"), QByteArrayLiteral("%shwday%"),   QByteArrayLiteral("%lowday%"),
    };
    return tokens;
}

QByteArray WrapAttrFor(bool wrap)
{
    return wrap ? QByteArrayLiteral("WRAP=\"physical\"") : QByteArray();
}

QByteArray MemoForm(const MemoFormParts& parts)
{
    QByteArray form;
    const bool https = !parts.httpsName.isEmpty();
    form += https ? "<P><FORM action=\"https://" : "<P><FORM action=\"http://";
    form += attributeText(platform::UrlHost(https ? parts.httpsName : parts.address));
    form += ':';
    form += attributeText(parts.port);
    form += "/memo/\" method=\"POST\"> <input type=\"hidden\" name=\"Site\" value=\"";
    form += attributeText(parts.profile);
    form += "\"> From: <INPUT TYPE=\"text\" NAME=\"NAME\" VALUE=\"\" MAXLENGTH=40><BR>";
    form += kCrLf;
    form += "<TEXTAREA MAXLENGTH=256 ROWS=";
    form += attributeText(parts.rows);
    form += " COLS=";
    form += attributeText(parts.columns);
    form += ' ';
    form += WrapAttrFor(parts.wrap);
    form += " NAME=\"MESSAGE\"></TEXTAREA><BR>";
    form += kCrLf;
    form += "<INPUT type=submit value=\"Send\"> ";
    form += char(0xA0); // the no-break space, as one byte
    form += "Wait For Reply <select name=\"REPLY\" size=\"1\">";
    form += parts.reply ? "<option selected>YES</option><option>NO</option>"
                        : "<option>YES</option><option selected>NO</option>";
    form += "</select></FORM></P>";
    form += kCrLf;
    return form;
}

VariableValues ComputeValues(const ExpansionInputs& in)
{
    const QDate d = in.now.date();
    const QTime t = in.now.time();
    const int hour12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    const QByteArray longDay = localeText(in.locale.dayName(d.dayOfWeek(), QLocale::LongFormat));
    const QByteArray shortDay = localeText(in.locale.dayName(d.dayOfWeek(), QLocale::ShortFormat));
    const QByteArray shortMonth = localeText(in.locale.monthName(d.month(), QLocale::ShortFormat));
    const QByteArray year = QByteArray::number(d.year());
    const QByteArray mm = twoDigits(d.month());
    const QByteArray dd = twoDigits(d.day());
    const QByteArray yy = twoDigits(d.year() % 100);
    const bool offline = in.status.toLower() == "offline";

    VariableValues v;
    v[0] = in.address;
    v[1] = QByteArray::number(hour12) + ':' + twoDigits(t.minute()) + (t.hour() < 12 ? " AM" : " PM");
    v[2] = in.hostName;
    v[3] = longDay + ", " + shortMonth + ' ' + QByteArray::number(d.day()) + ' ' + year;
    v[4] = offline ? QByteArrayLiteral(" ") : MemoForm(in.memo);
    v[5] = twoDigits(t.hour()) + ':' + twoDigits(t.minute()) + ':' + twoDigits(t.second());
    for (int i = 0; i < 5; ++i)
        v[size_t(6 + i)] = in.custom[size_t(i)];
    v[11] = in.status;
    v[12] = QByteArrayLiteral(" ");
    v[13] = mm + '/' + dd + '/' + yy;
    v[14] = mm + '-' + dd + '-' + yy;
    v[15] = shortMonth + ' ' + dd + ", " + year;
    v[16] = shortDay;
    v[17] = longDay;
    return v;
}

void ReplaceVariables(QByteArray& line, const VariableValues& values, qsizetype maxSize)
{
    const auto& tokens = VariableTokens();
    // Every token starts with '%' or '<': lines without either are common and skip all work.
    if (!line.contains('%') && !line.contains('<'))
        return;
    QByteArray next;
    for (size_t k = 0; k < tokens.size(); ++k) {
        const QByteArray& token = tokens[k];
        qsizetype hit = findToken(line, token, 0);
        if (hit < 0)
            continue;
        next.clear();
        qsizetype copied = 0;
        while (hit >= 0) {
            if (next.size() + (hit - copied) + values[k].size() > maxSize)
                tooLarge();
            next.append(line.constData() + copied, hit - copied);
            next.append(values[k]);
            copied = hit + token.size();
            hit = findToken(line, token, copied);
        }
        next.append(line.constData() + copied, line.size() - copied);
        line.swap(next);
    }
}

QByteArray GeneratorBlock()
{
    auto comment = [](const char* text) {
        QByteArray line = QByteArrayLiteral("<!-- ") + text;
        return line.leftJustified(83 - 4, ' ') + "--!>" + kCrLf;
    };
    QByteArray block;
    block += "<HTML>" + kCrLf;
    block += "<!-- Generated by Halvorn v3.3" + QByteArray(37, ' ') + "--!>" + kCrLf;
    block += comment("Copyright (c) 2026 Ostrevan. All rights reserved.");
    block += comment("E-Mail: halvorn-support@users.noreply.invalid");
    block += comment("Home page: https://ostrevan.invalid/");
    block += comment("Halvorn home page: https://ostrevan.invalid/halvorn/");
    block += "<!--" + QByteArray(75, ' ') + "--!>" + kCrLf;
    return block;
}

QByteArray CreditsFooter()
{
    QByteArray footer;
    footer += "<html><body><hr size=\"1\">" + kCrLf;
    footer += "<p align=\"center\"><font size=\"3\"><font color=\"#00FF40\">" + kCrLf;
    footer +=
        "Status page by <a href=\"https://ostrevan.invalid/halvorn/\"><b>Halvorn</b></a></font>" + kCrLf;
    footer += "<font color=\"#00FFFF\">v3.3</font><font color=\"#8000FF\"><br>" + kCrLf;
    footer += "Copyright &copy; 2026 Ostrevan<br>" + kCrLf;
    footer += "by <a href=\"mailto:halvorn-support@users.noreply.invalid\">the Halvorn developers</a>"
              "</font></font></p>" +
              kCrLf;
    footer += "</body></html>" + kCrLf;
    return footer;
}

QByteArray ExpandTemplateText(const QByteArray& templateBytes, const VariableValues& values,
                              const PageOptions& options)
{
    QByteArray page;
    page.reserve(templateBytes.size() + templateBytes.size() / 8 + 2048);
    if (!options.removeComments)
        page += GeneratorBlock();
    const char* data = templateBytes.constData();
    const qsizetype size = templateBytes.size();
    qsizetype start = 0;
    QByteArray line;
    while (start < size) {
        const void* cr = std::memchr(data + start, '\r', size_t(size - start));
        const qsizetype end = cr ? static_cast<const char*>(cr) - data : size;
        line = QByteArray(data + start, end - start);
        ReplaceVariables(line, values, options.outputLimit - page.size());
        page += line;
        page += kCrLf;
        if (page.size() > options.outputLimit)
            tooLarge();
        start = end + 1;
        if (cr && start < size && data[start] == '\n')
            ++start;
    }
    if (options.credits)
        page += CreditsFooter();
    return page;
}

} // namespace publish
