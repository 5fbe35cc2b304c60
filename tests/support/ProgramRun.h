#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

// Runs the real halvorn binary offscreen with $HALVORN_HOME set to home.
class ProgramRun {
public:
    explicit ProgramRun(const QString& home);
    ~ProgramRun();

    void start(const QStringList& arguments = {});
    // Waits until condition() holds, polling; false on time-out.
    static bool waitUntil(const std::function<bool()>& condition, int timeoutMs);
    bool waitForExit(int timeoutMs);
    void terminate();  // SIGTERM

    QProcess& process() { return process_; }

private:
    QProcess process_;
};
