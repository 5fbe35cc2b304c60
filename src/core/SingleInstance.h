#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QSocketNotifier;

// One running program per program directory. The running program holds a
// lock file there and listens on a Unix socket named after the directory;
// a later start hands its command line over that socket and reports the
// answer instead of running a second program on the same settings and port.
class SingleInstance : public QObject {
    Q_OBJECT

  public:
    // Answers a handed-over command line: empty when it succeeded, else why not.
    using Handler = std::function<QString(const QString& commandLine)>;

    explicit SingleInstance(const QString& programDir);
    ~SingleInstance() override;

    // True when this process is now the running program for the directory.
    bool claim();
    // Starts answering second starts.
    void listen(Handler handler);
    // A second start: hands the command line to the running program and
    // waits for its answer. Returns the exit code; a failure's reason goes
    // to stderr.
    int handOver(const QString& commandLine, int answerTimeoutMs);

    QString socketPath() const { return socketPath_; }

  private:
    class Caller;

    void acceptCallers();
    void answer(Caller* caller);

    QString socketPath_;
    QString lockPath_;
    int lockFd_ = -1; // held open, and so locked, until the process ends
    int listenFd_ = -1;
    QSocketNotifier* listening_ = nullptr;
    Handler handler_;
};
