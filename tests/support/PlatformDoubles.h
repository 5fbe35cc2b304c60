#pragma once

#include "platform/doubles/FakeClock.h"
#include "platform/doubles/FakeTrayArea.h"
#include "platform/doubles/MemoryUserStore.h"
#include "platform/doubles/RecordingNotifier.h"
#include "platform/doubles/RecordingDesktop.h"
#include "platform/doubles/RecordingSoundDevice.h"
#include "platform/doubles/ScriptedFileDialogs.h"
#include "platform/doubles/ScriptedMessageBoxes.h"

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

    platform::ScopedOverride<platform::Clock> clockOverride{clock};
    platform::ScopedOverride<platform::MessageBoxes> boxesOverride{boxes};
    platform::ScopedOverride<platform::FileDialogProvider> dialogsOverride{dialogs};
    platform::ScopedOverride<platform::Desktop> desktopOverride{desktop};
    platform::ScopedOverride<platform::UserStore> storeOverride{store};
    platform::ScopedOverride<platform::SoundDevice> soundOverride{sound};
    platform::ScopedOverride<platform::TrayArea> trayOverride{tray};
    platform::ScopedOverride<platform::Notifier> noticesOverride{notices};
};
