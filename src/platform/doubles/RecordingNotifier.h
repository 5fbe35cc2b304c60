#pragma once

#include "platform/Notifier.h"

#include <vector>

namespace platform {

class RecordingNotifier final : public Notifier {
  public:
    void notify(const Notification& notification) override { shown.push_back(notification); }

    // Picks the action of the last notification, as the user would.
    void pickLastAction() const
    {
        if (!shown.empty() && shown.back().onAction)
            shown.back().onAction();
    }

    std::vector<Notification> shown;
};

} // namespace platform
