#pragma once

#include <QString>

class QWidget;

// Starts the user's own mail program (the mail client path, a command line
// with optional arguments). A failure is shown as "Number: text" titled
// "Error" when owner is given, else only written to the debug log.
bool LaunchMailClient(const QString& commandLine, QWidget* owner);
