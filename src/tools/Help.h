#pragma once

#include "platform/InstallLayout.h"

#include <QString>

// The file Help > Contents opens: "HVRN.HLP" in the program directory when
// the user has one there, else the shipped manual.
QString HelpContentsPath(const QString& manualPath = platform::ShippedManualPath());

// Help > Contents (F1): asks the desktop to open the help file; the program
// does not wait. Errors go to the error log under "Loading Help File".
void mnuContents_Click(const QString& manualPath = platform::ShippedManualPath());
