#pragma once

#include <QString>

class QWidget;

// The program's open and save dialogs. Callers describe file types as
// "Description|pattern|Description|pattern[|]", a pattern possibly listing
// several with ";" ("*.html;*.htm"). Both return the chosen full path, or an
// empty text when the user cancels or the dialog fails.
QString ShowOpenDialog(QWidget* owner, const QString& filter, const QString& title, const QString& startDir);
QString ShowSaveDialog(QWidget* owner, const QString& filter, const QString& title, const QString& startDir,
                       const QString& proposedName);

// "HTML Files|*.html;*.htm|All Files (*.*)|*.*" becomes
// "HTML Files (*.html *.htm);;All Files (*.*)". A description that already
// shows its patterns is not given them twice. A final "|" is optional.
QString ConvertDialogFilter(const QString& filter);

// The dialogs hand back at most this many characters of path; a longer
// choice counts as a failed dialog rather than a cut (and wrong) path.
inline constexpr int kDialogPathLimit = 254;

// What the dialog's answer becomes: cut at the first NUL, blanks removed at
// both ends, empty when longer than kDialogPathLimit.
QString CleanDialogResult(const QString& answer);
