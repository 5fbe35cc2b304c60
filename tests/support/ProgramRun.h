#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <functional>

// Runs the real halvorn binary offscreen with $HALVORN_HOME set to home.
class ProgramRun {
  public:
    explicit ProgramRun(const QString& home)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HALVORN_HOME"), home);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        process_.setProcessEnvironment(env);
    }
    ~ProgramRun()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    void start(const QStringList& arguments = {})
    {
        process_.start(QStringLiteral(HALVORN_BINARY), arguments);
        process_.waitForStarted(10000);
    }
    // Waits until condition() holds, polling; false on time-out.
    static bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
    {
        QElapsedTimer timer;
        for (timer.start(); !condition(); QThread::msleep(20)) {
            if (timer.elapsed() > timeoutMs)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return true;
    }
    bool waitForExit(int timeoutMs) { return process_.waitForFinished(timeoutMs); }
    void terminate() { process_.terminate(); } // SIGTERM

    QProcess& process() { return process_; }

  private:
    QProcess process_;
};
