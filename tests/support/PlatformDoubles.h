#pragma once

#include "platform/doubles/FakeClock.h"
#include "platform/doubles/FakeTrayArea.h"
#include "platform/doubles/MemoryUserStore.h"
#include "platform/doubles/RecordingDesktop.h"
#include "platform/doubles/RecordingNotifier.h"
#include "platform/doubles/RecordingSoundDevice.h"
#include "platform/doubles/ScriptedFileDialogs.h"
#include "platform/doubles/ScriptedMessageBoxes.h"

#include <tuple>

// Every platform service replaced by its double for one test, with a fixed
// clock at 3:07:09 PM on 5 December 2026.
struct PlatformDoubles {
    platform::FakeClock clock{QDateTime(QDate(2026, 12, 5), QTime(15, 7, 9))};
    platform::ScriptedMessageBoxes boxes;
    platform::ScriptedFileDialogs dialogs;
    platform::RecordingDesktop desktop;
    platform::MemoryUserStore store;
    platform::RecordingSoundDevice sound;
    platform::FakeTrayArea tray;
    platform::RecordingNotifier notices;

    template <class... Services> using Overrides = std::tuple<platform::ScopedOverride<Services>...>;
    Overrides<platform::Clock, platform::MessageBoxes, platform::FileDialogProvider, platform::Desktop,
              platform::UserStore, platform::SoundDevice, platform::TrayArea, platform::Notifier>
        overrides{clock, boxes, dialogs, desktop, store, sound, tray, notices};
};
