#pragma once

#include <QIcon>
#include <QString>

#include <functional>

namespace platform {

// The desktop's notification area. Mouse messages arrive as the classic
// numbers: 515 left double click, 517 right button released.
class TrayArea {
public:
    virtual ~TrayArea() = default;
    virtual bool available() = 0;
    virtual void add(const QIcon& icon, const QString& tip) = 0;
    virtual void modify(const QIcon& icon, const QString& tip) = 0;
    virtual void remove() = 0;
    virtual bool present() const = 0;
    virtual void setMouseHandler(std::function<void(int message)> handler) = 0;
    // A passing message beside the icon, when the icon is shown.
    virtual void balloon(const QString& /*title*/, const QString& /*text*/) {}
};

inline constexpr int kTrayLeftDoubleClick = 515;
inline constexpr int kTrayRightButtonUp = 517;

TrayArea& trayArea();

} // namespace platform
