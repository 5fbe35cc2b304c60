#pragma once

#include <QString>

class Form1;

// Options > Start at Login: an entry in the desktop's autostart folder that
// starts this very binary minimised. The entry itself is the setting, so a
// user who removes it in the desktop's own settings sees the item unticked.
QString AutostartEntryPath();
bool StartsAtLogin();
// Writes or removes the entry; false (and the failure told) when it could
// not be done.
bool SetStartAtLogin(bool on);
// The Exec value that starts binary with -min, quoted for a desktop entry.
QString AutostartExecLine(const QString& binary);

void AttachStartAtLogin(Form1& form);
