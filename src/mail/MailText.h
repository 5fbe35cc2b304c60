#pragma once

#include <QByteArray>
#include <QString>

// Turning what a mail server sent into text a window can show, and back
// into bytes a mail server accepts. Everything here takes untrusted input:
// any length, invalid UTF-8, 8-bit bytes and NULs give some text, never a
// crash, and the output is bounded by the input's size.

// A header value for display: encoded words (RFC 2047, B and Q, any
// charset, also split across folded lines) decoded by GMime, other bytes
// read as UTF-8 with Latin-1 for invalid sequences, control characters
// (NUL, CR, LF, TAB...) turned into blanks. Message bodies are read by
// ParseMimeMessage (MimeMessage.h).
QString DecodeHeaderValue(const QByteArray& raw);

// Bytes (settings, files, listing texts) shown as text: UTF-8, Latin-1 for
// invalid sequences.
QString DisplayText(const QByteArray& bytes);

// Text for a file or the wire: UTF-8 with every line end (CR LF, LF or a
// lone CR) written as CR LF.
QByteArray CrLfBytes(const QString& text);
