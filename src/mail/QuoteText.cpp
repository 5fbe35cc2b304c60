#include "mail/QuoteText.h"

#include "mail/MailText.h"

#include <QFile>

namespace {

constexpr int kLinesBetweenPumps = 6;
constexpr qsizetype kDroppedDateChars = 5;

// One line end for every line, whatever the text had: CR LF, LF or CR.
QString withLfLineEnds(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

class QuotedLines {
  public:
    explicit QuotedLines(const std::function<void()>& pump) : pump_(pump) {}

    void add(QStringView line)
    {
        out_ += QLatin1String("> ");
        out_ += line;
        out_ += QLatin1String("\r\n");
        if (++count_ % kLinesBetweenPumps == 0 && pump_)
            pump_();
    }
    QString text() const { return out_; }

  private:
    const std::function<void()>& pump_;
    QString out_;
    qsizetype count_ = 0;
};

} // namespace

QString QuoteHeading(const QString& date)
{
    return QStringLiteral("On ") + date.mid(kDroppedDateChars) + QStringLiteral(", you wrote:\r\n");
}

QString QuoteLines(const QString& text, const std::function<void()>& pump)
{
    const QString lines = withLfLineEnds(text) + QLatin1Char('\n');
    QuotedLines quoted(pump);
    qsizetype start = 0;
    for (qsizetype end = lines.indexOf(QLatin1Char('\n')); end >= 0;
         start = end + 1, end = lines.indexOf(QLatin1Char('\n'), start))
        quoted.add(QStringView(lines).mid(start, end - start));
    return quoted.text();
}

std::optional<QString> QuoteThroughFile(const QString& text, const QString& path,
                                        const std::function<void()>& pump)
{
    QFile file(path);
    {
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return std::nullopt;
        const QByteArray bytes = CrLfBytes(text) + "\r\n";
        const bool written = file.write(bytes) == bytes.size();
        file.close();
        if (!written) {
            file.remove();
            return std::nullopt;
        }
    }
    if (!file.open(QIODevice::ReadOnly)) {
        file.remove();
        return std::nullopt;
    }
    QuotedLines quoted(pump);
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        if (line.endsWith('\n'))
            line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
        quoted.add(QString::fromUtf8(line));
    }
    const bool readWhole = file.error() == QFileDevice::NoError;
    file.close();
    file.remove(); // a scratch file left behind does no harm
    if (!readWhole)
        return std::nullopt;
    return quoted.text();
}

QString ReplySubject(const QString& subject)
{
    const QString trimmed = subject.trimmed();
    if (trimmed.startsWith(QLatin1String("re:"), Qt::CaseInsensitive))
        return trimmed;
    return QStringLiteral("Re: ") + trimmed;
}
