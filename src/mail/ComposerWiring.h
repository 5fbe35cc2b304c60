#pragma once

class Form1;

// Puts the composer into the program: the debug window's "Email Author"
// (before the main window exists) and the two "Send New" items (after).
void InstallComposerHooks();
void AttachComposer(Form1& form);
