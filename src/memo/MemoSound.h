#pragma once

#include <QString>

class QWidget;

// The sound rule, the alert beep and the open dialog as the memo server uses
// them. They stand in one place so that the program-wide versions can take
// over by changing only these bodies.
namespace memo {

// Plays a wave file asynchronously when there is a wave output device, else
// sounds the plain beep.
void PlaySoundFile(const QString& wavePath);
// No wave device: the plain beep; else the exclamation sound.
void AlertBeep();
// "|"-separated filter pairs ("HTML Files|*.html;*.htm|..."); empty on cancel.
QString ShowOpenDialog(QWidget* owner, const QString& title, const QString& startDirectory,
                       const QString& filter);
// The "|"-separated filter text in the file dialog's own notation.
QString QtFilter(const QString& filter);

} // namespace memo
