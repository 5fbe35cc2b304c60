#include "support/TempHome.h"

#include <QFile>

TempHome::TempHome() : previous_(qgetenv("HALVORN_HOME")), hadPrevious_(qEnvironmentVariableIsSet("HALVORN_HOME"))
{
    qputenv("HALVORN_HOME", dir_.path().toLocal8Bit());
}

TempHome::~TempHome()
{
    if (hadPrevious_)
        qputenv("HALVORN_HOME", previous_);
    else
        qunsetenv("HALVORN_HOME");
}

void TempHome::writeFile(const QString& name, const QByteArray& bytes) const
{
    QFile f(file(name));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QByteArray TempHome::readFile(const QString& name) const
{
    QFile f(file(name));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

bool TempHome::exists(const QString& name) const { return QFile::exists(file(name)); }
