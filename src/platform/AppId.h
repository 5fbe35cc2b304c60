#pragma once

// The program's one reverse-DNS id: the desktop file, the metainfo, the
// icon name, the autostart entry and every notification's desktop-entry hint
// name it, so the desktop ties them all to this program.
inline constexpr char kAppId[] = "org.halvorn.Halvorn";
