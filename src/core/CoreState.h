#pragma once

#include <QString>

// Program-wide state of the application core. Everything else lives in the
// fields of the long-lived windows.
struct CoreState {
    // "Online" or "Offline": the status last published to the selected profile.
    QString CurrentStatus;
    // One-shot mode (-online/-offline), also set by the exit procedure.
    bool ExitAfterUpload = false;
    // Append debug lines to debug.log ([Startup] DebugLog).
    bool DebugToFile = false;
    // Exit code once the program ends; one-shot mode sets it from the upload.
    int ExitCode = 0;
    // Started with -online/-offline: errors go to stderr, never into boxes.
    bool OneShot = false;
    // A command handed over by a second start is running: nobody at this
    // screen asked for it, so nothing may wait for an answer in a box.
    bool Unattended = false;
    // The last error logged, as one line for stderr ("error 13 (...) in ...").
    QString LastError;
    bool NoOneToAsk() const { return ExitAfterUpload || OneShot || Unattended; }
    // The machine's current address and host name, kept by the address
    // lookup and read by page expansion, the memo server and mail.
    QString LocalIP;
    QString LocalHostName;
};

CoreState& Core();

// "127.0.0.1", "255.255.255.255", "0.0.0.0", any loopback and the empty text:
// no address anyone could reach. Publishing, the memo form and the mail check
// all go by this one rule.
bool IsUnusableAddress(const QString& address);
