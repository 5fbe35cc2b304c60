#pragma once

#include <QByteArray>
#include <QString>

// Visitor text and settings texts go into the pages only through these, so
// nobody can add markup, script or attributes to a page.
namespace memo {

// For element content and quoted attribute values: & < > " ' become
// character references.
QByteArray escapeText(const QByteArray& bytes);
QByteArray escapeText(const QString& text);

// For an unquoted attribute value: besides the above, blanks and other
// white space, = and ` also become references, so the value cannot end early.
QByteArray escapeUnquoted(const QByteArray& bytes);
QByteArray escapeUnquoted(const QString& text);

// The unquoted-attribute form that also turns % into a reference, for
// visitor text put into a custom page: the page's author may write the
// variable inside an unquoted attribute, and visitor text must not spell a
// variable that is replaced later.
QByteArray escapeTokenSafe(const QByteArray& bytes);

} // namespace memo
