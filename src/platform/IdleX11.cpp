#include "platform/IdleX11.h"

#include "platform/LazyLibrary.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace platform {
namespace {

LazyLibrary& x11Library()
{
    static LazyLibrary library("libX11.so.6");
    return library;
}

LazyLibrary& xssLibrary()
{
    static LazyLibrary library("libXss.so.1");
    return library;
}

struct X11Calls {
    decltype(&XOpenDisplay) openDisplay = nullptr;
    decltype(&XCloseDisplay) closeDisplay = nullptr;
    decltype(&XFree) free = nullptr;
    decltype(&XScreenSaverQueryExtension) queryExtension = nullptr;
    decltype(&XScreenSaverAllocInfo) allocInfo = nullptr;
    decltype(&XScreenSaverQueryInfo) queryInfo = nullptr;

    bool load()
    {
        openDisplay = bind<decltype(openDisplay)>(x11Library(), "XOpenDisplay");
        closeDisplay = bind<decltype(closeDisplay)>(x11Library(), "XCloseDisplay");
        free = bind<decltype(free)>(x11Library(), "XFree");
        queryExtension = bind<decltype(queryExtension)>(xssLibrary(), "XScreenSaverQueryExtension");
        allocInfo = bind<decltype(allocInfo)>(xssLibrary(), "XScreenSaverAllocInfo");
        queryInfo = bind<decltype(queryInfo)>(xssLibrary(), "XScreenSaverQueryInfo");
        return openDisplay && closeDisplay && free && queryExtension && allocInfo && queryInfo;
    }
};

class X11IdleMonitor final : public PolledIdleMonitor {
  public:
    X11IdleMonitor(const X11Calls& calls, Display* display, int pollMs, QObject* parent)
        : PolledIdleMonitor(pollMs, parent), calls_(calls), display_(display), info_(calls.allocInfo())
    {
    }
    ~X11IdleMonitor() override
    {
        if (info_)
            calls_.free(info_);
        calls_.closeDisplay(display_);
    }

    QString name() const override { return QStringLiteral("X11 screen saver extension"); }

    // A query of the local X server is one short round trip, answered at once.
    void queryIdle(std::function<void(qint64 ms)> answer) override
    {
        if (!info_ || !calls_.queryInfo(display_, DefaultRootWindow(display_), info_)) {
            answer(-1);
            return;
        }
        answer(qint64(info_->idle));
    }

  private:
    X11Calls calls_;
    Display* display_;
    XScreenSaverInfo* info_;
};

} // namespace

IdleMonitor* MakeX11IdleMonitor(QObject* parent, int pollMs, QString* whyNot)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        *whyNot = QStringLiteral("this is not an X11 session");
        return nullptr;
    }
    X11Calls calls;
    if (!calls.load()) {
        *whyNot = QStringLiteral("the X11 screen saver library (libXss) is not installed");
        return nullptr;
    }
    Display* display = calls.openDisplay(nullptr);
    if (!display) {
        *whyNot = QStringLiteral("the X display cannot be opened");
        return nullptr;
    }
    int event = 0;
    int error = 0;
    if (!calls.queryExtension(display, &event, &error)) {
        calls.closeDisplay(display);
        *whyNot = QStringLiteral("the X server has no screen saver extension");
        return nullptr;
    }
    return new X11IdleMonitor(calls, display, pollMs, parent);
}

} // namespace platform
