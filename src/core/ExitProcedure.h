#pragma once

enum class ExitTrigger;
class Form1;

// The one way the program ends: may publish "Offline" first, saves the
// state, removes the tray icon and closes the windows in a fixed order.
void RunExitProcedure(Form1& form, ExitTrigger trigger);
// True while the exit procedure runs, its "Offline" uploads included.
bool ExitProcedureRunning();

// The windows closed at exit, in order, before the main window.
inline constexpr const char* kExitWindowOrder[] = {
    "frmMemoServer", "frmDebug",      "frmConfig", "frmAuto", "frmMailSetup",
    "frmAbout",      "frmAddAddress", "frmMail",   "frmMemo", "frmPop3",
};
