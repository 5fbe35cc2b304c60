#pragma once

#include "platform/TrayArea.h"

#include <QStringList>

namespace platform {

class FakeTrayArea final : public TrayArea {
  public:
    bool available() override { return isAvailable; }
    // Like the real area: no icon where no tray can show one.
    void add(const QIcon& icon, const QString& tip) override
    {
        if (!isAvailable)
            return;
        present_ = true;
        ++adds;
        lastIcon = icon;
        lastTip = tip;
    }
    void modify(const QIcon& icon, const QString& tip) override
    {
        if (!present_)
            return;
        lastIcon = icon;
        lastTip = tip;
    }
    void remove() override { present_ = false; }
    bool present() const override { return present_; }
    void setMouseHandler(std::function<void(int)> h) override { handler = std::move(h); }
    void balloon(const QString& title, const QString& text) override { balloons << title + u'|' + text; }

    // Simulates a mouse message from the tray.
    void send(int message)
    {
        if (handler)
            handler(message);
    }

    bool isAvailable = true;
    int adds = 0;
    QIcon lastIcon;
    QString lastTip;
    QStringList balloons; // "title|text"
    std::function<void(int)> handler;

  private:
    bool present_ = false;
};

} // namespace platform
