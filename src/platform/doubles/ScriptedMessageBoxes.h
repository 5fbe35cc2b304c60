#pragma once

#include "platform/MessageBoxes.h"

#include <deque>
#include <vector>

namespace platform {

// Records every box and answers from a queue. With the queue empty a box
// gets its safest answer (OK, else Cancel, else No) and an input box is cancelled.
class ScriptedMessageBoxes final : public MessageBoxes {
  public:
    void setNextAnswer(MsgAnswer answer) { answers_.push_back(answer); }
    // std::nullopt answers Cancel.
    void setNextInput(const std::optional<QString>& text)
    {
        inputs_.push_back({text.has_value(), text.value_or(QString())});
    }

    const std::vector<MsgBoxRequest>& shown() const { return shown_; }
    const std::vector<InputBoxRequest>& asked() const { return asked_; }
    void clear()
    {
        shown_.clear();
        asked_.clear();
    }

    MsgAnswer show(QWidget* owner, const MsgBoxRequest& request) override;
    std::optional<QString> input(QWidget* owner, const InputBoxRequest& request) override;

  private:
    std::deque<MsgAnswer> answers_;
    std::deque<std::pair<bool, QString>> inputs_; // answered?, text
    std::vector<MsgBoxRequest> shown_;
    std::vector<InputBoxRequest> asked_;
};

} // namespace platform
