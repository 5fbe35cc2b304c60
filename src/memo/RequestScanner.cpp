#include "memo/RequestScanner.h"

#include "memo/MemoText.h"

namespace {

// The longest word looked for, less one: a new scan starts this far back so
// that a word split over two arrivals is found.
constexpr qsizetype kOverlap = 6;

bool foundIn(const QByteArray& upper, bool already, const char* word)
{
    return already || upper.contains(word);
}

qint64 parseLength(const QByteArray& value)
{
    qint64 length = 0;
    qsizetype i = 0;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t'))
        ++i;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        length = length * 10 + (value[i] - '0');
        if (length > (qint64(1) << 40))
            break; // far beyond any size cap; the cap ends it
    }
    return length;
}

} // namespace

void RequestScanner::scanHeaders(const QByteArray& text)
{
    const qsizetype from = std::max<qsizetype>(0, scanned_ - 3);
    const qsizetype crlf = text.indexOf("\r\n\r\n", from);
    const qsizetype lf = text.indexOf("\n\n", from);
    if (crlf < 0 && lf < 0)
        return;
    bodyStart_ = (lf >= 0 && (crlf < 0 || lf < crlf)) ? lf + 2 : crlf + 4;
    const QByteArray headers = memo::asciiUpper(QByteArrayView(text).first(bodyStart_));
    const qsizetype at = headers.indexOf("\nCONTENT-LENGTH:");
    lengthGiven_ = at >= 0;
    if (at >= 0) {
        const qsizetype valueFrom = at + 16;
        const qsizetype valueEnd = headers.indexOf('\n', valueFrom);
        contentLength_ = parseLength(headers.mid(valueFrom, valueEnd < 0 ? -1 : valueEnd - valueFrom));
    }
}

RequestScanner::Verdict RequestScanner::update(const QByteArray& text)
{
    if (text.size() > scanned_) {
        const qsizetype from = std::max<qsizetype>(0, scanned_ - kOverlap);
        const QByteArray upper = memo::asciiUpper(QByteArrayView(text).sliced(from));
        message_ = foundIn(upper, message_, "MESSAGE");
        reply_ = foundIn(upper, reply_, "&REPLY");
        post_ = foundIn(upper, post_, "POST");
        get_ = foundIn(upper, get_, "GET");
        lineEnd_ = lineEnd_ || upper.contains('\n') || upper.contains('\r');
        if (bodyStart_ < 0)
            scanHeaders(text);
        scanned_ = text.size();
    }
    // A body that has not fully arrived yet may still change the fields.
    const bool whole = bodyStart_ >= 0 && text.size() - bodyStart_ >= contentLength_;
    if (message_ && reply_)
        return whole ? Verdict::Complete : Verdict::Collecting;
    if (whole && (lengthGiven_ || !post_))
        return Verdict::NotFound;
    // Until its first line is in, a request may still turn out to be a GET or POST.
    if (lineEnd_ && !post_ && !get_)
        return Verdict::NotFound;
    return Verdict::Collecting;
}
