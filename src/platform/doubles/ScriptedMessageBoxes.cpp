#include "platform/doubles/ScriptedMessageBoxes.h"

namespace platform {

MsgAnswer ScriptedMessageBoxes::show(QWidget*, const MsgBoxRequest& request)
{
    shown_.push_back(request);
    if (!answers_.empty()) {
        const MsgAnswer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    switch (request.buttons) {
    case MsgButtons::Ok:
        return MsgAnswer::Ok;
    case MsgButtons::YesNo:
        return MsgAnswer::No;
    default:
        return MsgAnswer::Cancel;
    }
}

std::optional<QString> ScriptedMessageBoxes::input(QWidget*, const InputBoxRequest& request)
{
    asked_.push_back(request);
    if (inputs_.empty())
        return std::nullopt;
    const auto [answered, text] = inputs_.front();
    inputs_.pop_front();
    if (!answered)
        return std::nullopt;
    return text;
}

} // namespace platform
