#pragma once

#include <QString>

class QLabel;

namespace platform {
struct FileWriteError;
}

// A file the program could not write is told once: in the status line, in
// a desktop notification and in error.log (when that can be written), and
// in the reason a one-shot run prints. It is told again only after a write
// to the same file has worked in between.
void TellWriteFailure(const QString& path, int errorNumber, const QString& reason);
void ClearWriteFailure(const QString& path);
// Tells error for path when written is false, else clears what was told;
// returns written.
bool ReportWriteOutcome(const QString& path, bool written, const platform::FileWriteError& error);
// Every file in folder counts as told until one of them is written again:
// one trouble with the whole folder is told once, not once per file.
void MarkFolderTold(const QString& folder);

// The error number error.log shows for a system error code.
int ErrorNumberForErrno(int code);

// Puts something the user must act on in the main window's status line.
void ShowInStatusLine(const QString& text);

// Failures are told in statusLine while it lives.
void AttachWriteTrouble(QLabel& statusLine);
// Forgets every failure told, for tests.
void ResetWriteTrouble();
