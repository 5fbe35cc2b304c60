#pragma once

class QMenu;
class QMenuBar;
class QWidget;

// Builds the menus of the table; every action is a child of owner and named
// as in the table, so it is found with owner->findChild<QAction*>(name).
void BuildMainMenus(QMenuBar* bar, QWidget* owner);
QMenu* BuildTrayMenu(QWidget* owner);
