#pragma once

class Form1;

// Puts the program together: fills the core's hooks with the subsystems'
// routines and attaches their handlers to the main window.
void InstallSubsystemHooks();
void AttachSubsystems(Form1& form);
