#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The text primitives the request parser and the pages are written in:
// 1-based positions, case-insensitive search on 8-bit text, and the classic
// number reading of settings texts.
namespace memo {

QByteArray asciiUpper(QByteArrayView text);

// 1-based position of the first occurrence of needle (ASCII letters compared
// without regard to case) at or after start, 0 when absent.
qsizetype findNoCase(QByteArrayView haystack, QByteArrayView needle, qsizetype start = 1);

// length characters of text from the 1-based start; fewer at the end. A
// start below 1 or a negative length is an invalid call (error 5).
QByteArray mid(const QByteArray& text, qsizetype start, qsizetype length);
QByteArray mid(const QByteArray& text, qsizetype start);

// Nearest 16-bit whole number, ties to even; overflow (error 6) outside it.
qint16 toInt16(double value);

// A program text for the 8-bit page: Latin-1 where it can be, a numeric
// character reference for everything else.
QByteArray pageBytes(const QString& text);

// At most maxBytes of text, cut before a UTF-8 sequence rather than inside it.
QByteArray cutText(const QByteArray& text, qsizetype maxBytes);

// Visitor bytes for the memo window: UTF-8 when valid, else Latin-1.
QString shownText(const QByteArray& bytes);

} // namespace memo
