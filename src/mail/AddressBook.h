#pragma once

#include <QString>
#include <QStringList>

// The address book in the per-user store: "Ostrevan" / "HVRN" /
// "AddressBook" holds the count N, "Ostrevan\HVRN" / "AddressBook" / "0".."N"
// the lines. Two writers number differently; the reader accepts both.
namespace AddressBook {

// Keys "0" to N inclusive, every non-empty value in key order.
QStringList Load();
// The address book window's OK: count = lines.size(), keys 0..size-1.
// Keys beyond are left as they are.
void Save(const QStringList& lines);
// The composer's "Add Address": the line under key N+1, then count N+1.
void Append(const QString& line);

} // namespace AddressBook
