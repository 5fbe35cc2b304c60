#pragma once

#include "platform/PortMapper.h"

#include <QObject>
#include <QTimer>

class frmMemoSetup;

namespace memo {

// [Memo] "Open Router Port": forwards the memo port on the home router
// (UPnP) while the memo server listens, so visitors on the internet reach
// it. The gateway comes from [Memo] "UPnP Description URL" when set, else
// from discovery; the lease ([Memo] "UPnP Lease Seconds", 3600 unless set)
// is renewed at half time. Failures go to the debug log and, once, to the
// status line: the server keeps running either way.
class RouterPort : public QObject {
    Q_OBJECT

  public:
    RouterPort();

    void open(quint16 port);
    void close();
    bool mapped() const { return mapped_; }
    // The router is being asked (its answer is awaited in a local event loop).
    bool opening() const { return opening_; }

  private:
    bool add(const char* verb);
    void renew();
    void report(const QString& text);

    QTimer renewal_;
    platform::PortMapping mapping_;
    bool mapped_ = false;
    bool opening_ = false;
    QString lastReport_;
};

RouterPort& routerPort();

bool RouterPortWanted();

// The option "Open the port on my router (UPnP)" in the memo settings window.
void AddRouterPortOption(frmMemoSetup& setup);

} // namespace memo
