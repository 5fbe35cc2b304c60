#include "core/MenuBuilder.h"

#include "core/MenuTable.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

QAction* addItem(QMenu* menu, QWidget* owner, const MenuItemSpec& entry)
{
    QAction* action = new QAction(owner);
    if (entry.caption == nullptr)
        action->setSeparator(true);
    else
        action->setText(QString::fromUtf8(entry.caption));
    if (entry.name)
        action->setObjectName(QString::fromLatin1(entry.name));
    action->setShortcut(entry.shortcut);
    action->setCheckable(entry.checkable);
    action->setChecked(entry.checked);
    action->setEnabled(entry.enabled);
    action->setVisible(entry.visible);
    menu->addAction(action);
    return action;
}

QMenu* addMenu(QWidget* owner, const MenuSpec& menuEntry)
{
    QMenu* menu = new QMenu(QString::fromUtf8(menuEntry.caption), owner);
    menu->setObjectName(QString::fromLatin1(menuEntry.name));
    for (const MenuItemSpec& item : menuEntry.items)
        addItem(menu, owner, item);
    return menu;
}

} // namespace

void BuildMainMenus(QMenuBar* bar, QWidget* owner)
{
    for (const MenuSpec& menu : MainMenuTable())
        bar->addMenu(addMenu(owner, menu));
}

QMenu* BuildTrayMenu(QWidget* owner)
{
    QMenu* popup = new QMenu(owner);
    popup->setObjectName(QStringLiteral("mnupopup"));
    for (const MenuItemSpec& item : TrayMenuTable()) {
        QAction* action = addItem(popup, owner, item);
        if (qstrcmp(item.name, "mnuMemo2") == 0)
            action->setMenu(addMenu(owner, TrayMemoSubmenu()));
    }
    if (QAction* open = owner->findChild<QAction*>(QStringLiteral("mnuOpen")))
        popup->setDefaultAction(open);
    return popup;
}
