#pragma once

#include <QString>

// How the memo port's HTTPS tells the user what it does: progress goes to
// the debug log ("[MemoServer] HTTPS: ..." or "[MemoServer] ACME: ...") and
// the status line; trouble also to a desktop notification, once until
// something else has been told. Texts never hold a key.
namespace memo {

enum class HttpsTopic { Certificate, Acme };

void ReportHttps(const QString& text, HttpsTopic topic = HttpsTopic::Certificate);
void ReportHttpsTrouble(const QString& text, HttpsTopic topic = HttpsTopic::Certificate);

} // namespace memo
