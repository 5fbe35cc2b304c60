#pragma once

#include <QString>

class QWidget;

// Opens path with its default action, or in program when one is given, for
// a click of the user's own. When nothing could open it the user is told in
// a box and the debug log names the file. Returns whether it opened.
bool OpenForUser(QWidget* owner, const QString& path, const QString& program = QString());
