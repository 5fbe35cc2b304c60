#include "support/ProgramRun.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <QThread>

ProgramRun::ProgramRun(const QString& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HALVORN_HOME"), home);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    process_.setProcessEnvironment(env);
}

ProgramRun::~ProgramRun()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

void ProgramRun::start(const QStringList& arguments)
{
    process_.start(QStringLiteral(HALVORN_BINARY), arguments);
    process_.waitForStarted(10000);
}

bool ProgramRun::waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    return true;
}

bool ProgramRun::waitForExit(int timeoutMs) { return process_.waitForFinished(timeoutMs); }

void ProgramRun::terminate() { process_.terminate(); }
