#pragma once
// What the tests of the real program share: a tool or the program run to
// its end with what it said, and a fresh folder whose profile publishes to
// a site folder, with a hand-over socket of its own.
#include "support/ProgramRun.h"
#include "support/TempHome.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// How a tool ended: its exit code (-1 when it did not end normally in time) and all it wrote.
struct Outcome {
    int exitCode = -1;
    QString output;
};

inline Outcome runTool(const QString& program, const QStringList& arguments, int timeoutMs = 300000)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(timeoutMs);
    return {finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAll())};
}

inline bool have(const QString& tool)
{
    return !QStandardPaths::findExecutable(tool).isEmpty();
}

// How a run of the program ended; reason is our own stderr line, not the toolkit's warnings.
struct Ended {
    bool finished = false;
    int code = -1;
    QString reason;
    QByteArray out;
};

class ProgramTest : public ::testing::Test {
  protected:
    ProgramTest() { qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8()); }

    // Runs the program to its end; withoutDisplay takes away every display
    // and platform choice, as cron or ssh would.
    Ended run(const QStringList& arguments, bool withoutDisplay = false, int timeoutMs = 60000)
    {
        ProgramRun program(home.path());
        if (withoutDisplay) {
            QProcessEnvironment env = program.process().processEnvironment();
            for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
                env.remove(QString::fromLatin1(name));
            program.process().setProcessEnvironment(env);
        }
        program.start(arguments);
        Ended ended{program.waitForExit(timeoutMs),
                    program.process().exitCode(),
                    {},
                    program.process().readAllStandardOutput()};
        for (const QString& line :
             QString::fromLocal8Bit(program.process().readAllStandardError()).split('\n'))
            if (line.startsWith("halvorn: "))
                ended.reason += line;
        return ended;
    }
    QByteArray page() const
    {
        QFile file(site.filePath("index.html"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }
    QByteArray siteHost() const { return "file://" + site.path().toUtf8(); }
    bool settingsLoaded() const { return home.readFile("debug.log").contains("[HVRN] All Settings Loaded"); }

    TempHome home;
    QTemporaryDir site, runtime;
};
