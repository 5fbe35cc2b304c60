#include "platform/TrayArea.h"

#include "platform/Override.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSystemTrayIcon>

#include <memory>

namespace platform {
namespace {

class QtTrayArea final : public TrayArea {
  public:
    bool available() override { return QSystemTrayIcon::isSystemTrayAvailable(); }

    void add(const QIcon& icon, const QString& tip) override
    {
        // An icon that no tray shows would still count as present, and the
        // window would be hidden into nothing.
        if (!available())
            return;
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
            rightClick();
    }

    // The desktop reports right clicks one by one: two within the double
    // click time also make a right double click.
    void rightClick()
    {
        const bool second =
            lastRight_.isValid() && lastRight_.elapsed() <= QApplication::doubleClickInterval();
        lastRight_.start();
        handler_(kTrayRightButtonUp);
        if (second && handler_) {
            lastRight_.invalidate();
            handler_(kTrayRightDoubleClick);
        }
    }

    std::unique_ptr<QSystemTrayIcon> icon_;
    std::function<void(int)> handler_;
    QElapsedTimer lastRight_;
};

TrayArea* g_mailOverride = nullptr;

} // namespace

TrayArea& trayArea()
{
    return resolve<TrayArea, QtTrayArea>();
}

TrayArea& mailTrayArea()
{
    if (g_mailOverride)
        return *g_mailOverride;
    static QtTrayArea* real = new QtTrayArea;
    return *real;
}

ScopedMailTrayOverride::ScopedMailTrayOverride(TrayArea& replacement) : previous_(g_mailOverride)
{
    g_mailOverride = &replacement;
}

ScopedMailTrayOverride::~ScopedMailTrayOverride()
{
    g_mailOverride = previous_;
}

} // namespace platform
