#pragma once

// Fills in the main window's parts (core/MainWindowParts) with the real
// start-up, exit procedure, profile loader, tray icon and dial-up options.
// Called once before the first Form1 is built.
void InstallMainWindowParts();
