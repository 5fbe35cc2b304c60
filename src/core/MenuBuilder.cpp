#include "core/MenuBuilder.h"

#include "core/MenuTable.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

QAction* addItem(QMenu* menu, QWidget* owner, const MenuItemSpec& spec)
{
    QAction* action = new QAction(owner);
    if (spec.caption == nullptr)
        action->setSeparator(true);
    else
        action->setText(QString::fromUtf8(spec.caption));
    if (spec.name)
        action->setObjectName(QString::fromLatin1(spec.name));
    action->setShortcut(spec.shortcut);
    action->setCheckable(spec.checkable);
    action->setChecked(spec.checked);
    action->setEnabled(spec.enabled);
    action->setVisible(spec.visible);
    menu->addAction(action);
    return action;
}

QMenu* addMenu(QWidget* owner, const MenuSpec& spec)
{
    QMenu* menu = new QMenu(QString::fromUtf8(spec.caption), owner);
    menu->setObjectName(QString::fromLatin1(spec.name));
    for (const MenuItemSpec& item : spec.items)
        addItem(menu, owner, item);
    return menu;
}

} // namespace

void BuildMainMenus(QMenuBar* bar, QWidget* owner)
{
    for (const MenuSpec& spec : MainMenuTable())
        bar->addMenu(addMenu(owner, spec));
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
