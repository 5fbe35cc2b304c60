#pragma once

// The "You have mail" icon in the notification area, beside the status
// icon. It is shown only while "Minimize to System Tray" is checked and the
// desktop has a notification area; a double click (either button) removes
// it and shows the mailbox window.
void ShowMailTrayIcon();
void RemoveMailTrayIcon();
