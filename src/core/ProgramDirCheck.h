#pragma once

#include <QStringList>

// What keeps the program directory from working as it should: it cannot be
// made, it cannot be written, or hvrn.ini in it cannot be used. Each entry
// is a sentence for the user; empty when all is well.
QStringList ProgramDirProblems();

// Tells the problems once at start-up: one box (or, when nobody can answer
// one, a line on stderr), the status line and error.log. The program then
// runs with defaults where it can.
void TellProgramDirProblems();
