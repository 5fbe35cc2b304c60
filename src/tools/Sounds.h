#pragma once

#include <QString>

class QLineEdit;
class QWidget;

// Plays a chosen sound: the wave file asynchronously when the machine has a
// wave output device, else the plain beep. The caller has already decided
// that the sound is enabled.
void PlaySoundFile(const QString& wavePath);

// The error sound: the plain beep without a wave device, else the
// exclamation alert.
void AlertBeep();

// The "Browse" button of a sound field: asks for a wave file and returns the
// choice, or current unchanged when the user cancels.
QString BrowseSoundFile(QWidget* owner, const QString& current, const QString& startDir = QString());
// The same for a text box: its text is replaced only by a real choice.
// Returns true when the field changed.
bool BrowseSoundFile(QWidget* owner, QLineEdit* field, const QString& startDir = QString());

inline const QString kSoundDialogTitle = QStringLiteral("Select sound file");
inline const QString kSoundDialogFilter = QStringLiteral("Wav files (*.wav)|*.wav|All files (*.*)|*.*");
