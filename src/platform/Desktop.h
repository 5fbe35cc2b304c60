#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// Opening files and addresses with their default action, and starting programs.
class Desktop {
  public:
    virtual ~Desktop() = default;
    // A local path or a URL ("mailto:", "http:", "file:"). Returns false when
    // the desktop refused the request.
    virtual bool open(const QString& pathOrUrl) = 0;
    // Starts a program with an argument list; no shell is involved.
    virtual bool start(const QString& program, const QStringList& arguments,
                       const QString& workingDirectory = QString()) = 0;
};

Desktop& desktop();

// Splits a command line the way a shell would split words ("quoted parts"
// stay together) without running a shell.
QStringList splitCommandLine(const QString& commandLine);

} // namespace platform
