#pragma once

class Form1;
class Presence;
struct PresenceTimings;
class QDBusConnection;

// Gives the main window its presence, Options > Presence and the status
// captions; the desktop's backends are looked for once start-up is over.
void AttachPresence(Form1& form);

// The presence of form with its captions and Options item, not yet following anything.
Presence* MakePresence(Form1& form, const PresenceTimings& timings);

// Looks for the idle backend on session and follows the login manager on
// system; every call is asynchronous, the answers come later.
void StartPresence(Form1& form, Presence& presence, const QDBusConnection& session,
                   const QDBusConnection& system);
