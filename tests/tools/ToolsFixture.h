#pragma once
// What the tools tests share: the main window with the tools attached, every
// platform service doubled, and a look at the Launch menus and the store.
#include "core/AppHooks.h"
#include "core/BuildInfo.h"
#include "core/Form1.h"
#include "core/Ini.h"
#include "core/ProgramDir.h"
#include "core/frmDebug.h"
#include "memo/MemoLog.h"
#include "memo/frmMemo.h"
#include "memo/frmMemoSetup.h"
#include "publish/Profiles.h"
#include "support/PlatformDoubles.h"
#include "support/TempHome.h"
#include "tools/Help.h"
#include "tools/LaunchSlots.h"
#include "tools/Launcher.h"
#include "tools/LinkLabel.h"
#include "tools/Sounds.h"
#include "tools/ToolsWiring.h"
#include "tools/frmAbout.h"
#include "tools/frmConfig.h"

#include <QTest>
#include <QtWidgets>

#include <gtest/gtest.h>

// A real main window with the desktop utilities attached, every platform
// service doubled and a fresh program directory.
class Tools : public ::testing::Test {
  protected:
    void SetUp() override
    {
        InstallToolsHooks(); // before the window, as the program does
        AttachTools(*(form = std::make_unique<Form1>()));
    }
    void TearDown() override
    {
        form.reset();
        settle();
    }
    // Settles layout and deferred deletes the way the running program would.
    static void settle()
    {
        QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Chooses a menu command that runs a modal window; whileOpen acts in it.
    void runModal(const char* command, const std::function<void()>& whileOpen)
    {
        QTimer::singleShot(0, whileOpen);
        form->action(QString::fromLatin1(command))->trigger(); // returns once the window ends
        settle();
    }
    QString makeFile(const QString& name, bool executable)
    {
        home.writeFile(name, "#!/bin/sh\n");
        if (executable)
            QFile::setPermissions(home.file(name),
                                  QFile::permissions(home.file(name)) | QFileDevice::ExeOwner);
        return home.file(name);
    }
    // Stores the entries in slots 0, 1, ... and fills the menus from them,
    // directly or as the program's start does.
    void launcher(const std::vector<LaunchSlot>& entries, bool atStartUp = false)
    {
        for (size_t slot = 0; slot < entries.size(); ++slot)
            StoreLaunchSlot(int(slot), entries[slot].title, entries[slot].path);
        atStartUp ? form->startUp(QString()) : AddLaunch(*form);
    }
    QAction* item(int slot) const { return form->action(QStringLiteral("Item_%1").arg(slot)); }
    QAction* trayItem(int slot) const { return form->action(QStringLiteral("mnuitem_%1").arg(slot)); }
    // Both Launch menus in one text: each item's caption, "-" when hidden and
    // empty, "(caption)" when hidden with one; free slots at the end left
    // out; the tray menu only when it differs; then the separators shown.
    QString menus() const
    {
        auto look = [](QAction* a) {
            return a->isVisible() ? a->text() : a->text().isEmpty() ? "-" : '(' + a->text() + ')';
        };
        QStringList main, tray;
        for (int slot = 0; slot < 10; ++slot)
            main << look(item(slot)), tray << look(trayItem(slot));
        while (!main.isEmpty() && main.last() == "-" && tray.last() == "-")
            main.removeLast(), tray.removeLast();
        QString text = main.join(',') + (tray == main ? QString() : " tray " + tray.join(','));
        for (const char* name : {"mnuspace4", "mnuspace5"})
            if (form->action(QString::fromLatin1(name))->isVisible())
                text += QLatin1Char(' ') + name;
        return text;
    }
    // A launcher slot's two keys in the per-user store, "<absent>" for a missing key.
    QString storedSlot(int slot) const
    {
        const QString key = QStringLiteral("Ostrevan\\HVRN/Utility/%1").arg(slot), no = "<absent>";
        return doubles.store.values.value(key + "Item", no) + '|' +
               doubles.store.values.value(key + "Path", no);
    }
    QString debugText() const { return form->debugWindow()->text(); }

    TempHome home;
    PlatformDoubles doubles;
    std::unique_ptr<Form1> form;
};

class Editor : public Tools {
  protected:
    void openEditor(const std::vector<LaunchSlot>& entries = {})
    {
        launcher(entries);
        (editor = new frmConfig(*form))->show();
        QApplication::processEvents();
    }
    // The editor as the user sees it: caption, height, the panel's title
    // and path while it shows, the edited slot in edit mode, then the list.
    QString shows() const
    {
        QString text = editor->windowTitle() + ' ' + QString::number(editor->height());
        if (editor->picAdd->isVisible())
            text += " [" + editor->Text1->text() + '|' + editor->Text2->text() + ']';
        if (editor->EditMode)
            text += " edit " + QString::number(editor->EditSlot);
        QString titles;
        for (int row = 0; row < editor->lstName->count(); ++row)
            titles += ',' + editor->lstName->item(row)->text();
        return text + " {" + titles.mid(1) + '}';
    }
    // Drags files onto the window and drops them there, as the desktop does.
    bool drop(const QList<QUrl>& urls)
    {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(editor, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(editor, &dropped);
        return dropped.isAccepted();
    }
    void save(const QString& title)
    {
        editor->Text1->setText(title);
        editor->cmdSave->click();
        settle();
    }
    QPointer<frmConfig> editor;
};
