#include "platform/TrayArea.h"

#include "platform/Override.h"

#include <QSystemTrayIcon>

#include <memory>

namespace platform {
namespace {

class QtTrayArea final : public TrayArea {
public:
    bool available() override { return QSystemTrayIcon::isSystemTrayAvailable(); }

    void add(const QIcon& icon, const QString& tip) override
    {
        if (!icon_) {
            icon_ = std::make_unique<QSystemTrayIcon>();
            QObject::connect(icon_.get(), &QSystemTrayIcon::activated,
                             [this](QSystemTrayIcon::ActivationReason reason) { forward(reason); });
        }
        modify(icon, tip);
        icon_->show();
    }

    void modify(const QIcon& icon, const QString& tip) override
    {
        if (!icon_)
            return;
        icon_->setIcon(icon);
        icon_->setToolTip(tip);
    }

    void remove() override { icon_.reset(); }
    bool present() const override { return icon_ != nullptr; }
    void setMouseHandler(std::function<void(int)> handler) override { handler_ = std::move(handler); }
    void balloon(const QString& title, const QString& text) override
    {
        if (icon_)
            icon_->showMessage(title, text);
    }

private:
    void forward(QSystemTrayIcon::ActivationReason reason)
    {
        if (!handler_)
            return;
        if (reason == QSystemTrayIcon::DoubleClick)
            handler_(kTrayLeftDoubleClick);
        else if (reason == QSystemTrayIcon::Context)
            handler_(kTrayRightButtonUp);
    }

    std::unique_ptr<QSystemTrayIcon> icon_;
    std::function<void(int)> handler_;
};

} // namespace

TrayArea& trayArea() { return resolve<TrayArea, QtTrayArea>(); }

} // namespace platform
