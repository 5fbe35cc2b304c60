#pragma once

class Form1;
class QAction;
class QString;

namespace publish {

// The Profile menu and the template and editor buttons of the main window.
void mnuadd_Click(Form1& form);
void mnudel_Click(Form1& form);
void mnuSave_Click(Form1& form);
void Search1_Click(Form1& form);
void Search2_Click(Form1& form);
void cmd_change_Click(Form1& form);
void cmd_Edit_Click(Form1& form, int index);

// Names that would damage hvrn.ini as a section name are refused.
bool IsUsableProfileName(const QString& name);

// One of the main window's own menu items (not a child window's namesake).
QAction* MainAction(Form1& form, const char* name);

} // namespace publish
