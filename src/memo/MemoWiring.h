#pragma once

class Form1;

// Puts the memo server into the program: the start-up loaders and exit
// closers (before the main window exists) and the Memo menu (after).
void InstallMemoHooks();
void AttachMemo(Form1& form);
