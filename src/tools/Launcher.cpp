#include "tools/Launcher.h"

#include "core/Form1.h"
#include "core/Logs.h"
#include "core/MenuTable.h"
#include "core/ProgramError.h"
#include "platform/Desktop.h"
#include "platform/MessageBoxes.h"
#include "tools/LaunchSlots.h"
#include "tools/Twips.h"
#include "tools/frmConfig.h"

#include <QAction>
#include <QFileInfo>
#include <QListWidget>
#include <QPointer>
#include <QStandardPaths>
#include <QUrl>

namespace {

QPointer<frmConfig> g_editor;

QAction* slotAction(Form1& form, const char* prefix, int slot)
{
    return form.action(QLatin1String(prefix) + QString::number(slot));
}

void showItem(QAction* item, const QString& title)
{
    if (!item)
        return;
    item->setText(LaunchCaption(title));
    item->setVisible(!title.isEmpty());
}

// Both menus mirror the slots; the separators follow slot 0 alone.
void fillMenus(Form1& form, QListWidget* list, bool hideFreeSlots)
{
    if (list)
        list->clear();
    for (int slot = 0; slot < kLaunchSlots; ++slot) {
        const QString title = LaunchSlotTitle(slot);
        if (title.isEmpty() && !hideFreeSlots)
            continue;
        showItem(slotAction(form, "Item_", slot), title);
        showItem(slotAction(form, "mnuitem_", slot), title);
        if (list && !title.isEmpty())
            list->addItem(title);
    }
    const bool first = !LaunchSlotTitle(0).isEmpty();
    for (const char* name : {"mnuspace4", "mnuspace5"})
        if (QAction* separator = form.action(QLatin1String(name)))
            separator->setVisible(first);
}

bool looksLikeAddress(const QString& path)
{
    return !QFileInfo(path).isAbsolute() && QUrl(path).scheme().size() > 1;
}

} // namespace

QString LaunchCaption(const QString& title)
{
    QString caption = title;
    return caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QString LaunchTitleOf(const QString& caption)
{
    QString title = caption;
    return title.replace(QStringLiteral("&&"), QStringLiteral("&"));
}

void AddLaunch(Form1& form)
{
    TrapErrors("AddLaunch", [&] { fillMenus(form, nullptr, false); });
}

void LoadLaunchSetttings(Form1& form, QListWidget* lstName)
{
    TrapErrors("LoadLaunchSetttings", [&] { fillMenus(form, lstName, true); });
}

bool OpenLaunchPath(const QString& path)
{
    platform::Desktop& desktop = platform::desktop();
    if (looksLikeAddress(path))
        return desktop.open(path);
    QFileInfo info(path);
    // A program named without a folder ("firefox") is looked up as a shell would.
    if (!info.exists() && !path.contains(QLatin1Char('/')))
        info = QFileInfo(QStandardPaths::findExecutable(path));
    if (!info.exists())
        throw ProgramError(err::kFileNotFound, path);
    // Opening a program with its "default action" would show it in an
    // editor on this desktop; a launcher means to run it.
    if (info.isFile() && info.isExecutable())
        return desktop.start(info.absoluteFilePath(), {}, QString());
    return desktop.open(info.absoluteFilePath());
}

void LaunchProgram(Form1& form, int index)
{
    QString title;
    try {
        QAction* item = slotAction(form, "Item_", index);
        if (!item)
            return;
        title = LaunchTitleOf(item->text());
        // A free slot keeps its old path after an edit cleared its title:
        // an empty caption must never find and start it.
        if (title.isEmpty())
            return;
        const int slot = FindLaunchSlot(title);
        if (slot < 0)
            return;
        const QString path = ReadLaunchSlot(slot).path;
        if (!path.isEmpty() && !OpenLaunchPath(path)) {
            DebugLog(QStringLiteral("[Launch] Failed to execute ") + title);
            return;
        }
        DebugLog(QStringLiteral("[Launch] Executing ") + title);
    } catch (...) {
        const int number = ErrorNumberOf(std::current_exception());
        if (number == err::kFileNotFound) {
            MsgBox(QStringLiteral("Error: File not found!"), platform::MsgButtons::Ok,
                   platform::MsgIcon::Question, kProgramName, &form);
            return;
        }
        LogError(number, QStringLiteral("Launch Program"));
        DebugLog(QStringLiteral("[Launch] Failed to execute ") + title);
    }
}

void ShowLaunchEditor(Form1& form, bool modal)
{
    if (g_editor && g_editor->isVisible()) {
        g_editor->raise();
        g_editor->activateWindow();
        return;
    }
    // An editor hidden for the memo window comes back as it was left.
    if (!g_editor)
        g_editor = new frmConfig(form);
    if (!modal) {
        g_editor->show();
        return;
    }
    g_editor->move(OffsetByTwips(form.pos(), 1000));
    g_editor->exec();
}

frmConfig* LaunchEditor()
{
    return g_editor;
}

void CloseLaunchEditor()
{
    if (g_editor)
        g_editor->close();
}

void HideLaunchEditor()
{
    if (g_editor && g_editor->isVisible())
        g_editor->hide();
}
