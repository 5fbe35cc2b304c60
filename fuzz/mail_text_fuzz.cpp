// Header values come from any mail server: the decoder must terminate,
// never crash, and keep its output bounded and on one line. Typed text
// must never add a header line to an outgoing message.
#include "mail/MailText.h"
#include "mail/OutgoingMail.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString shown = DecodeHeaderValue(bytes);
    // Bounded: a base64 word GMime cannot read is shown in its longer Q form.
    if (shown.size() > 3 * bytes.size() || shown.contains(u'\n') || shown.contains(u'\r'))
        std::abort();

    const QString typed = DisplayText(bytes);
    OutgoingMail outgoing{typed, "a@b.example", "c@d.example, " + typed, typed, typed, typed};
    outgoing.inReplyTo = bytes;
    outgoing.references = bytes.split(' ');
    const PreparedMail mail = PrepareMail(outgoing, QDateTime(QDate(2026, 12, 5), QTime(15, 7, 9)));
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
