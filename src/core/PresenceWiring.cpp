#include "core/PresenceWiring.h"

#include "core/CoreState.h"
#include "core/Form1.h"
#include "core/Presence.h"
#include "core/frmPresence.h"
#include "platform/IdleMonitor.h"
#include "platform/Logind.h"

#include <QAction>
#include <QDBusConnection>
#include <QMenu>
#include <QPointer>
#include <QTimer>

namespace {

// Start-up is over by then: connecting to the buses costs it nothing.
constexpr int kStartDelayMs = 1500;

void explainInMenu(Form1& form, const Presence& presence)
{
    QAction* item = form.action(QStringLiteral("mnuPresence"));
    item->setToolTip(presence.automatic() ? QString() : presence.backendText());
    for (QObject* owner : item->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(owner))
            menu->setToolTipsVisible(!presence.automatic());
}

void showWindow(Form1& form, Presence& presence)
{
    auto* window = form.findChild<frmPresence*>(QStringLiteral("frmPresence"));
    if (!window)
        window = new frmPresence(presence, &form);
    window->showSettings();
    window->show();
    window->raise();
}

} // namespace

void StartPresence(Form1& form, Presence& presence, const QDBusConnection& session,
                   const QDBusConnection& system)
{
    QPointer<Presence> guard(&presence);
    platform::FindIdleMonitor(session, &presence, platform::kIdlePollMs,
                              [guard, &form](platform::IdleMonitor* monitor, const QString& whyNone) {
                                  if (!guard)
                                      return;
                                  guard->useMonitor(monitor, whyNone);
                                  explainInMenu(form, *guard);
                              });
    if (system.isConnected())
        presence.useLogind(new platform::Logind(system, &presence));
}

Presence* MakePresence(Form1& form, const PresenceTimings& timings)
{
    auto* presence = new Presence(form, timings, &form);
    QObject::connect(presence, &Presence::changed, &form,
                     [&form, presence] { form.setPresenceCaption(presence->caption()); });
    QObject::connect(form.action(QStringLiteral("mnuPresence")), &QAction::triggered, presence,
                     [&form, presence] { showWindow(form, *presence); });
    return presence;
}

void AttachPresence(Form1& form)
{
    Presence* presence = MakePresence(form, PresenceTimings{});
    QTimer::singleShot(kStartDelayMs, presence, [&form, presence] {
        // A one-shot run publishes once and ends: nobody is there to follow.
        if (!form.exiting() && !Core().OneShot && !Core().ExitAfterUpload)
            StartPresence(form, *presence, QDBusConnection::sessionBus(), QDBusConnection::systemBus());
    });
}
