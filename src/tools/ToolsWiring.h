#pragma once

class Form1;

// The desktop utilities: launcher, help and about.
void InstallToolsHooks();
void AttachTools(Form1& form);

// Hides the launcher editor and the about window when they are open: both
// run modally and would keep the user from a memo window that pops up.
void HideToolWindows();
