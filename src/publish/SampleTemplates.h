#pragma once

#include <QByteArray>

namespace publish {

// Two ready-made templates so a new user can publish at once.
QByteArray SampleOnlineTemplate();
QByteArray SampleOfflineTemplate();

// Writes on.html and off.html into the program directory when they are
// missing; an existing file is never touched. Returns how many were written.
int WriteSampleTemplates();

} // namespace publish
