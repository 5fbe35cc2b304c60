#include "core/MenuTable.h"

namespace {

MenuItemSpec separator(const char* name = nullptr)
{
    return {name, nullptr};
}

MenuItemSpec item(const char* name, const char* caption, QKeySequence shortcut = {})
{
    return {name, caption, shortcut};
}

MenuItemSpec check(const char* name, const char* caption, bool checked = false)
{
    return {name, caption, {}, true, checked};
}

std::vector<MenuItemSpec> launchItems()
{
    static const char* const names[kLaunchSlots] = {"Item_0", "Item_1", "Item_2", "Item_3", "Item_4",
                                                    "Item_5", "Item_6", "Item_7", "Item_8", "Item_9"};
    std::vector<MenuItemSpec> items;
    for (const char* name : names)
        items.push_back({name, "", {}, false, false, true, false});
    return items;
}

} // namespace

const std::vector<MenuSpec>& MainMenuTable()
{
    static const std::vector<MenuSpec> table = [] {
        std::vector<MenuSpec> t;
        t.push_back({"mnuFile",
                     "&File",
                     {item("mnuOnline1", "&Online", QKeySequence(QStringLiteral("Ctrl+O"))),
                      item("mnuOffline1", "Off&line", QKeySequence(QStringLiteral("Ctrl+L"))),
                      {"mnuAbort", "&Abort", QKeySequence(Qt::Key_F9), false, false, false},
                      separator(),
                      item("mnuExit1", "E&xit", QKeySequence(QStringLiteral("Ctrl+X")))}});
        t.push_back({"mnuSetup",
                     "&Options",
                     {check("mnucredits", "&Show Credits", true),
                      separator(),
                      item("mnuSelPro", "Select &Profiles"),
                      check("mnuGoOnline", "Auto &Online"),
                      check("mnuGoOffline", "&Offline on Exit", true),
                      check("mnuPrompt", "Prompt Offline on &Exit"),
                      {"mnuAutoDisconnect", "Auto &Disconnect", {}, true, false, true, false},
                      separator(),
                      check("mnuRestore", "&Reconnect on Disconnect"),
                      separator(),
                      check("mnuMin", "&Minimize to System Tray"),
                      check("mnuStartLogin", "Start at &Login"),
                      check("mnuNotify", "Desktop &Notifications", true),
                      item("mnuPresence", "Presen&ce")}});
        t.push_back({"mnuProfile",
                     "&Profile",
                     {item("mnuadd", "&Add"), item("mnudel", "&Delete"), item("mnuSave", "&Save")}});
        t.push_back({"mnuEmail",
                     "&Email",
                     {item("mnuEmailCheck", "&Check"), item("mnuEmailSend", "Send &New"), separator(),
                      item("mnuMailSetup", "&Setup")}});
        t.push_back({"mnuMemo",
                     "&Memo",
                     {check("mnuAway", "&Away"), item("mnuViewM", "&View Log"),
                      item("mnuRestart", "&Restart"), separator(), item("mnuMemoSetup", "&Setup")}});
        std::vector<MenuItemSpec> launch = launchItems();
        launch.push_back({"mnuspace5", nullptr, {}, false, false, true, false});
        launch.push_back(item("mnuCustom", "&Customize Launch"));
        t.push_back({"mnuUtil", "&Launch", launch});
        t.push_back({"mnuAbout",
                     "&Help",
                     {item("mnuContents", "Contents", QKeySequence(Qt::Key_F1)), separator(),
                      item("mnuDebug", "&Debug Window"), separator(), item("mnuhvrn", "&About")}});
        return t;
    }();
    return table;
}

const std::vector<MenuItemSpec>& TrayMenuTable()
{
    static const std::vector<MenuItemSpec> table = [] {
        std::vector<MenuItemSpec> t{item("mnuOpen", "Open"),
                                    separator(),
                                    item("mnuCheckMail", "Check Mail"),
                                    item("mnuMailSend", "Send New"),
                                    separator(),
                                    item("mnuOnline", "Online"),
                                    item("mnuOffline", "Offline"),
                                    check("mnuAway2", "Away"),
                                    {"mnuMemo2", "Memo", {}, false, false, true, false},
                                    {"mnuPrograms", "&Launch", {}, false, false, true, false},
                                    separator()};
        static const char* const names[kLaunchSlots] = {"mnuitem_0", "mnuitem_1", "mnuitem_2", "mnuitem_3",
                                                        "mnuitem_4", "mnuitem_5", "mnuitem_6", "mnuitem_7",
                                                        "mnuitem_8", "mnuitem_9"};
        for (const char* name : names)
            t.push_back({name, "", {}, false, false, true, false});
        t.push_back({"mnuCustom1", "&Customize Launch", {}, false, false, true, false});
        t.push_back({"mnuspace4", nullptr, {}, false, false, true, false});
        t.push_back(item("mnuExit", "E&xit"));
        return t;
    }();
    return table;
}

const MenuSpec& TrayMemoSubmenu()
{
    static const MenuSpec memo{
        "mnuMemo2", "Memo", {item("mnuViewM2", "&View Log"), item("mnuRestart2", "&Restart")}};
    return memo;
}
