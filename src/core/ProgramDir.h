#pragma once

#include <QString>

// The folder that holds hvrn.ini, the logs and the other per-installation
// files: $HALVORN_HOME when set, else ~/.local/share/halvorn.
QString ProgramDir();
// ProgramDir() joined with a file name.
QString ProgramFile(const QString& name);
// Creates the program directory when it is missing; false when it cannot be made.
bool EnsureProgramDir();
