#pragma once

class Form1;

// Puts mail checking into the program: the start-up loaders and exit
// closers (before the main window exists) and the Email and tray items
// that check and set up mail (after).
void InstallMailHooks();
void AttachMail(Form1& form);
