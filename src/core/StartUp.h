#pragma once

class Form1;
#include <QString>

// The start-up sequence of the main window (Form_Load), in its fixed order.
void RunStartUp(Form1& form, const QString& commandLine);

enum class CommandSwitch { None, Min, Online, Offline };
// The whole command line, lower-cased, must equal one switch.
CommandSwitch ParseCommandSwitch(const QString& commandLine);

// A command line handed over by a second start of the program: none brings
// the window to the front, -online/-offline publish. Returns why the command
// failed, empty when it succeeded.
QString AnswerSecondStart(Form1& form, const QString& commandLine);
