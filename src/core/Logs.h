#pragma once

#include <QString>

// Where debug lines go besides debug.log: the debug window registers itself.
class DebugWindowSink {
  public:
    virtual ~DebugWindowSink() = default;
    // True while the window's Disable check mark is set.
    virtual bool displayDisabled() const = 0;
    virtual void appendText(const QString& text) = 0;
};
void SetDebugWindowSink(DebugWindowSink* sink);
// Unregisters sink if it is the registered one.
void ClearDebugWindowSink(DebugWindowSink* sink);

// Appends a time-stamped line to the debug window and, with DebugToFile set,
// to debug.log. Never throws.
void DebugLog(const QString& message);

enum class ErrorNotice {
    Box,     // the "Program Error" box, unless error 401
    LogOnly, // errors caused by remote input: no box a visitor could raise
};

// Appends the error to error.log and tells the user; 0 does nothing. At most
// one "Program Error" box is open at a time; errors meanwhile are only logged.
void LogError(int number, const QString& procedure, ErrorNotice notice);

// The line formats, exposed for the logs' own tests and for the debug window.
QString DebugStamp(); // "[03:07:09 PM]"
QString ErrorLogLine(int number, const QString& procedure);
QString ProgramErrorText(int number, const QString& procedure);

inline const QString kSupportAddress = QStringLiteral("halvorn-support@users.noreply.invalid");
