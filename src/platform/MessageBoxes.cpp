#include "platform/MessageBoxes.h"

#include "platform/Override.h"

#include <QInputDialog>
#include <QMessageBox>

namespace platform {
namespace {

QMessageBox::StandardButtons qtButtons(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok:
        return QMessageBox::Ok;
    case MsgButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MsgButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MsgButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::Icon qtIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::None:
        return QMessageBox::NoIcon;
    case MsgIcon::Information:
        return QMessageBox::Information;
    case MsgIcon::Question:
        return QMessageBox::Question;
    case MsgIcon::Exclamation:
        return QMessageBox::Warning;
    case MsgIcon::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

MsgAnswer fromQt(int button)
{
    switch (button) {
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    case QMessageBox::Cancel:
        return MsgAnswer::Cancel;
    default:
        return MsgAnswer::Ok;
    }
}

class QtMessageBoxes final : public MessageBoxes {
  public:
    MsgAnswer show(QWidget* owner, const MsgBoxRequest& request) override
    {
        QMessageBox box(qtIcon(request.icon), request.title, request.text, qtButtons(request.buttons), owner);
        box.setTextFormat(Qt::PlainText);
        const int pressed = box.exec();
        // Closing a box that has a Cancel button counts as Cancel.
        if (pressed == QMessageBox::Escape || pressed == 0)
            return request.buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
        return fromQt(pressed);
    }

    std::optional<QString> input(QWidget* owner, const InputBoxRequest& request) override
    {
        bool ok = false;
        const QString text = QInputDialog::getText(owner, request.title, request.prompt, QLineEdit::Normal,
                                                   request.defaultText, &ok);
        if (!ok)
            return std::nullopt;
        return text;
    }
};

} // namespace

MessageBoxes& messageBoxes()
{
    return resolve<MessageBoxes, QtMessageBoxes>();
}

} // namespace platform

platform::MsgAnswer MsgBox(const QString& text, platform::MsgButtons buttons, platform::MsgIcon icon,
                           const QString& title, QWidget* owner)
{
    return platform::messageBoxes().show(owner, {title, text, buttons, icon});
}

QString InputBox(const QString& prompt, const QString& title, const QString& defaultText, QWidget* owner)
{
    return platform::messageBoxes().input(owner, {title, prompt, defaultText}).value_or(QString());
}
