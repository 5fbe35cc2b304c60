// Whole messages come from any mail server: parsing must terminate, never
// crash, and keep what it shows bounded.
#include "mail/MimeMessage.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray raw(reinterpret_cast<const char*>(data), qsizetype(size));
    const MimeMessage m = ParseMimeMessage(raw);
    if (m.text.size() > kMaxShownText + kTooLongMarker.size() + 4 || m.text.contains(QChar(0)))
        std::abort();
    // Each header gains at most ": " and CR; an unreadable base64 word shows in its Q form.
    if (m.headers.size() > 3 * raw.size() + 2 || m.subject.contains(u'\n') || m.from.contains(u'\r'))
        std::abort();
    qint64 attached = 0;
    for (const MimeAttachment& a : m.attachments) {
        attached += a.size();
        if (a.name.isEmpty() || a.name.contains(u'/'))
            std::abort();
    }
    // Decoding never makes content larger than the message that carried it.
    if (attached > raw.size())
        std::abort();
    for (const QByteArray& id : m.replyReferences() + QList<QByteArray>{m.messageId}) {
        if (id.contains('\r') || id.contains('\n') || id.contains(' '))
            std::abort();
    }
    return 0;
}
