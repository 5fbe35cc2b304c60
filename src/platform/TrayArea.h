#pragma once

#include <QIcon>
#include <QString>

#include <functional>

namespace platform {

// The desktop's notification area. Mouse messages arrive as the classic
// numbers: 515 left double click, 517 right button released, 518 right
// double click (after the 517 of its second click).
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
inline constexpr int kTrayRightDoubleClick = 518;

// The program's status icon.
TrayArea& trayArea();

// A second icon of the program's own, shown while new mail waits. Tests put
// a double in its place with ScopedMailTrayOverride.
TrayArea& mailTrayArea();

class ScopedMailTrayOverride {
  public:
    explicit ScopedMailTrayOverride(TrayArea& replacement);
    ~ScopedMailTrayOverride();
    ScopedMailTrayOverride(const ScopedMailTrayOverride&) = delete;
    ScopedMailTrayOverride& operator=(const ScopedMailTrayOverride&) = delete;

  private:
    TrayArea* previous_;
};

} // namespace platform
