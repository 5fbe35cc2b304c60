#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// Replaces a file the program keeps (settings, templates, pages) whole or
// not at all. A failure is told once (status line, notification, error.log)
// and returns false; the old file stays byte for byte.
bool SaveProgramFile(const QString& path, const QByteArray& bytes, mode_t newFileMode = 0666);

// Writes a file the user chose to save, replacing an existing one in one
// step, so a failed write leaves the old file whole. Throws ProgramError:
// error 75 when the file cannot be created, 61 or the error's own number
// when the bytes cannot be written.
void SaveUserFile(const QString& path, const QByteArray& bytes);
