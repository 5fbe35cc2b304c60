#pragma once

#include <QFile>
#include <QTemporaryDir>

// A fresh program directory for one test: $HALVORN_HOME points at it for the
// test's lifetime (members make it non-copyable).
class TempHome {
  public:
    TempHome() { qputenv("HALVORN_HOME", dir_.path().toLocal8Bit()); }
    ~TempHome() { hadPrevious_ ? qputenv("HALVORN_HOME", previous_) : qunsetenv("HALVORN_HOME"); }

    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    void writeFile(const QString& name, const QByteArray& bytes) const
    {
        QFile f(file(name));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(bytes);
    }
    QByteArray readFile(const QString& name) const
    {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool exists(const QString& name) const { return QFile::exists(file(name)); }

  private:
    QTemporaryDir dir_;
    QByteArray previous_ = qgetenv("HALVORN_HOME");
    bool hadPrevious_ = qEnvironmentVariableIsSet("HALVORN_HOME");
};
