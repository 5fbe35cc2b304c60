#pragma once

#include <QByteArray>
#include <QString>

// Writes a file the user chose to save, replacing an existing one in one
// step, so a failed write leaves the old file whole. Throws ProgramError:
// error 75 when the file cannot be created, 61 when the bytes cannot be
// written.
void SaveUserFile(const QString& path, const QByteArray& bytes);
