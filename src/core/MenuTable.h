#pragma once

#include <QKeySequence>

#include <vector>

// The main window's menu tree and the tray pop-up menu as data, so the
// builder and the tests read the same table.
struct MenuItemSpec {
    const char* name;    // objectName; nullptr for an unnamed separator
    const char* caption; // nullptr marks a separator
    QKeySequence shortcut = {};
    bool checkable = false;
    bool checked = false;
    bool enabled = true;
    bool visible = true;
};

struct MenuSpec {
    const char* name;
    const char* caption;
    std::vector<MenuItemSpec> items;
};

const std::vector<MenuSpec>& MainMenuTable();

// The tray pop-up; the "Memo" submenu is listed separately below it.
const std::vector<MenuItemSpec>& TrayMenuTable();
const MenuSpec& TrayMemoSubmenu();

// Launcher slots in each menu.
inline constexpr int kLaunchSlots = 10;
