#pragma once

#include "platform/IdleMonitor.h"

namespace platform {

// The X11 screen saver extension, for any X11 desktop without an idle
// service. libX11 and libXss are opened only when this is tried, so a
// Wayland or headless session never loads them. nullptr, with why, when
// there is no X display or no extension.
IdleMonitor* MakeX11IdleMonitor(QObject* parent, int pollMs, QString* whyNot);

} // namespace platform
