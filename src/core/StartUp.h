#pragma once

class Form1;
class QString;

// The start-up sequence of the main window (Form_Load), in its fixed order.
void RunStartUp(Form1& form, const QString& commandLine);

enum class CommandSwitch { None, Min, Online, Offline };
// The whole command line, lower-cased, must equal one switch.
CommandSwitch ParseCommandSwitch(const QString& commandLine);
