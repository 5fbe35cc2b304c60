#pragma once

#include <QString>

// The memo server's hidden transcript, kept to its last 20000 characters by
// dropping whole lines from the front.
inline constexpr qsizetype kTranscriptLimit = 20000;

void TrimTranscript(QString& text);
