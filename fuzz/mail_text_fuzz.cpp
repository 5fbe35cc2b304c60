// Header values, header blocks and bodies come from any mail server: the
// decoders must terminate, never crash, and keep their output bounded.
#include "mail/MailText.h"
#include "mail/OutgoingMail.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // The first line plays the header block, the rest the body.
    const qsizetype split = bytes.indexOf("\n\n");
    const QByteArray headers = split < 0 ? bytes : bytes.first(split + 1);
    const QByteArray body = split < 0 ? QByteArray() : bytes.sliced(split + 2);

    const QString shown = DecodeHeaderValue(bytes);
    if (shown.size() > bytes.size() || shown.contains(u'\n') || shown.contains(u'\r'))
        std::abort();
    (void)DecodeHeaderValue(HeaderValue(headers, "Subject"));
    if (DecodeBody(headers, body).contains(QChar(0)))
        std::abort();
    // Whole inputs as bodies: quoted-printable never more than doubles, base64 never yields NUL.
    if (DecodeBody("Content-Transfer-Encoding: quoted-printable\r\n", bytes).size() > 2 * bytes.size() ||
        DecodeBody("Content-Transfer-Encoding: base64\r\n", bytes).contains(QChar(0)))
        std::abort();

    // Typed text never adds a header line to an outgoing message.
    const QString typed = DisplayText(bytes);
    const PreparedMail mail =
        PrepareMail({typed, "a@b.example", "c@d.example, " + typed, typed, typed, typed},
                    QDateTime(QDate(2026, 12, 5), QTime(15, 7, 9)));
    const QByteArray head = mail.message.first(qMax<qsizetype>(0, mail.message.indexOf("\r\n\r\n")));
    // Every line end is CR LF, and every new line is a header we wrote or a fold.
    if (head.count('\r') != head.count("\r\n") || head.count('\n') != head.count("\r\n"))
        std::abort();
    for (const QByteArray& line : head.split('\n')) {
        if (line.startsWith("Bcc") || line.startsWith("\r"))
            std::abort();
    }
    return 0;
}
