#pragma once

#include <QIcon>

// The two 32 x 32 status pictures, drawn once: a green "on" lamp and a red
// "off" lamp.
const QIcon& OnlineIcon();
const QIcon& OfflineIcon();
