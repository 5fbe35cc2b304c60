#pragma once

#include <QString>

#include <optional>

// What a finished check found, and the settings that shape the report.
struct CheckFacts {
    bool manual = false;        // CheckNow was set
    int count = 0;              // messages on the server
    int fresh = 0;              // messages never announced before
    int previousCount = 0;      // LastMailCount when the check began
    bool launchClient = false;  // start the user's mail program on new mail
    bool clientPathSet = false; // a mail program is named
    bool newMailSound = false;  // "Mail-1 Enabled"
    bool noMailSound = false;   // "Mail-2 Enabled"
};

// How the program answers a finished check. Applying it is MailCheck's job;
// deciding is kept apart so every case can be read off one table.
struct CheckOutcome {
    enum class Box { None, NoNewMail, SeeOldMail };
    Box box = Box::None;
    QString boxText;
    int sound = 0; // 1 "Mail-1" (new mail), 2 "Mail-2" (no new mail), 0 none
    bool showMailbox = false;
    bool trayIcon = false;
    bool startClient = false;
    bool clearCheckNow = false;
    std::optional<bool> launchEnabled;
    std::optional<int> lastMailCount;
    QString status; // main window's mail status caption; empty: unchanged
};

CheckOutcome DecideCheckOutcome(const CheckFacts& facts);
