#pragma once

#include <QString>
#include <QStringList>

#include <ostream>

// Failed comparisons show texts, not UTF-16 code units.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList& list, std::ostream* out) { *out << list.join(u'|').toStdString(); }
