#pragma once

#include <QString>

class Form1;
class QListWidget;
class frmConfig;

// Fills both Launch menus from the slots at start-up; free slots keep their
// items hidden with empty captions.
void AddLaunch(Form1& form);
// Refills both menus, and the editor's list when given, after a change.
void LoadLaunchSetttings(Form1& form, QListWidget* lstName = nullptr);
// Starts the program of menu item index (0-9), found by its caption.
void LaunchProgram(Form1& form, int index);

// Starts a launcher entry's file: a program is run, a document or address is
// opened with its default action. Throws ProgramError 53 for a missing file;
// false when the desktop refused.
bool OpenLaunchPath(const QString& path);

// "&Customize Launch": the main menu's opens the editor modally near the
// main window, the tray's non-modally. One editor at a time.
void ShowLaunchEditor(Form1& form, bool modal);
frmConfig* LaunchEditor();
void CloseLaunchEditor();
// Hides an open editor (ending its modal run) without losing what it shows.
void HideLaunchEditor();

// Menu captions show "&" literally; these translate between title and caption.
QString LaunchCaption(const QString& title);
QString LaunchTitleOf(const QString& caption);
