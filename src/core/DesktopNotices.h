#pragma once

#include "platform/Notifier.h"

#include <QString>

#include <functional>

class QAction;
class QWidget;

// [StartUp] "Desktop Notifications" (Options > Desktop Notifications): on
// unless set otherwise.
bool DesktopNotificationsOn();

// Shows the notification when desktop notifications are on.
void NotifyDesktop(const platform::Notification& notification);

// The mail check found count new messages; the newest is from sender about
// subject. Its action "Open mailbox" calls Hooks().showMailbox.
void NotifyNewMail(int count, const QString& sender, const QString& subject);

// A publish that nobody started by hand failed: nobody would notice that the
// page went stale. Its action "Open Halvorn" brings the main window back.
void NotifyPublishFailed(const QString& profile, const QString& reason);

// Something went wrong that the user must act on; its action "Open
// Halvorn" brings the main window back.
void NotifyTrouble(const QString& summary, const QString& reason);

// Keeps the check mark (Options > Desktop Notifications) and the setting in
// step; "Open Halvorn" calls restoreWindow while window lives.
void AttachDesktopNotices(QWidget& window, QAction* check, std::function<void()> restoreWindow);

// A notification's action shows its window: restored when minimised (a
// maximised one stays maximised), shown when closed, raised and activated.
void BringWindowBack(QWidget& window);

// Text from outside, cut to a length a notification can show.
QString NoticeText(const QString& text, int maxChars);
