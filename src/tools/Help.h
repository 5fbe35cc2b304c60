#pragma once

#include <QString>

// The manual that ships beside the program: <binary dir>/manual/index.html.
QString ShippedManualPath();

// The file Help > Contents opens: "HVRN.HLP" in the program directory when
// the user has one there, else the shipped manual.
QString HelpContentsPath(const QString& manualPath = ShippedManualPath());

// Help > Contents (F1): asks the desktop to open the help file; the program
// does not wait. Errors go to the error log under "Loading Help File".
void mnuContents_Click(const QString& manualPath = ShippedManualPath());
