#pragma once

#include <QString>
#include <optional>

class QWidget;

namespace platform {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Information, Question, Exclamation, Critical };
enum class MsgAnswer { Ok, Cancel, Yes, No };

struct MsgBoxRequest {
    QString title;
    QString text;
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
};

struct InputBoxRequest {
    QString title;
    QString prompt;
    QString defaultText;
};

// Modal message and input boxes. Tests replace this with a scripted double.
class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    virtual MsgAnswer show(QWidget* owner, const MsgBoxRequest& request) = 0;
    // std::nullopt when the user cancels.
    virtual std::optional<QString> input(QWidget* owner, const InputBoxRequest& request) = 0;
};

MessageBoxes& messageBoxes();

} // namespace platform

// The program's name is the title of every box unless a caller gives another.
inline const QString kProgramName = QStringLiteral("Halvorn");

platform::MsgAnswer MsgBox(const QString& text, platform::MsgButtons buttons = platform::MsgButtons::Ok,
                           platform::MsgIcon icon = platform::MsgIcon::None,
                           const QString& title = kProgramName, QWidget* owner = nullptr);

// Empty text on Cancel, like the classic input box.
QString InputBox(const QString& prompt, const QString& title = kProgramName,
                 const QString& defaultText = QString(), QWidget* owner = nullptr);
