#include "core/StartAtLogin.h"

#include "core/Form1.h"
#include "core/WriteTrouble.h"
#include "platform/AppId.h"
#include "platform/WholeFile.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// Characters that make a desktop entry's argument need quotes, and those
// that must be escaped inside the quotes.
const QString kNeedQuotes = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
const QString kEscapeInQuotes = QStringLiteral("\"`$\\");

QString quotedArgument(const QString& argument)
{
    bool plain = !argument.isEmpty();
    for (const QChar c : argument)
        plain = plain && !kNeedQuotes.contains(c);
    QString out;
    for (const QChar c : argument) {
        if (c == u'%')
            out += u'%'; // a literal percent sign, not a field code
        if (!plain && kEscapeInQuotes.contains(c))
            out += u'\\';
        out += c;
    }
    if (!plain)
        out = u'"' + out + u'"';
    // The value itself is a desktop-entry string, where a backslash is doubled.
    return out.replace(u'\\', QStringLiteral("\\\\"));
}

QByteArray entryText(const QString& binary)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Halvorn\n"
                          "Comment=Starts Halvorn minimised at login\n"
                          "Exec=%1\n"
                          "Icon=%2\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n"
                          "X-GNOME-UsesNotifications=true\n")
        .arg(AutostartExecLine(binary), QString::fromLatin1(kAppId))
        .toUtf8();
}

bool writeEntry()
{
    const QString path = AutostartEntryPath();
    const QString folderPath = QFileInfo(path).absolutePath();
    platform::FileWriteError error;
    const bool folder = QDir().mkpath(folderPath);
    const bool written =
        folder &&
        platform::ReplaceWholeFile(path, entryText(QCoreApplication::applicationFilePath()), &error, 0644);
    if (!folder)
        error.text =
            QStringLiteral("the folder %1 could not be made").arg(QDir::toNativeSeparators(folderPath));
    return ReportWriteOutcome(path, written, error);
}

bool removeEntry()
{
    const QString path = AutostartEntryPath();
    QFile entry(path);
    if (!entry.exists() || entry.remove())
        return true;
    ShowInStatusLine(QStringLiteral("Start at Login is still on: %1 could not be removed (%2)")
                         .arg(QDir::toNativeSeparators(path), entry.errorString()));
    return false;
}

} // namespace

QString AutostartEntryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/") + QString::fromLatin1(kAppId) + QStringLiteral(".desktop");
}

bool StartsAtLogin()
{
    return QFile::exists(AutostartEntryPath());
}

bool SetStartAtLogin(bool on)
{
    return on ? writeEntry() : removeEntry();
}

QString AutostartExecLine(const QString& binary)
{
    return quotedArgument(binary) + QStringLiteral(" -min");
}

void AttachStartAtLogin(Form1& form)
{
    QAction* item = form.action(QStringLiteral("mnuStartLogin"));
    if (!item)
        return;
    item->setChecked(StartsAtLogin());
    QObject::connect(item, &QAction::triggered, &form, [item](bool on) {
        SetStartAtLogin(on);
        item->setChecked(StartsAtLogin());
    });
}
