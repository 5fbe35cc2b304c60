#pragma once

#include <QString>

namespace platform {

// The program's own files sit beside the binary in a build tree, and under
// the prefix the binary was installed into otherwise (bin/ beside lib/ and
// share/), so an installation works from any prefix without a setting.
// Returns the first of the two that exists, else the installed place.
QString ProgramPartPath(const QString& besideBinary, const QString& underPrefix);

// The folder the sound module halvorn_sound.so is loaded from.
QString SoundModuleDir();
// The shipped manual's start page.
QString ShippedManualPath();

} // namespace platform
