#pragma once

#include <QString>

// The ten launcher slots in the per-user store: "Ostrevan\HVRN", section
// "Utility", keys "0Item".."9Item" (title) and "0Path".."9Path" (file).
// An empty title marks a free slot; absent keys read as empty.
struct LaunchSlot {
    QString title;
    QString path;
};

LaunchSlot ReadLaunchSlot(int slot);
QString LaunchSlotTitle(int slot);
// Writes both keys; a removed program keeps its keys with empty texts.
void StoreLaunchSlot(int slot, const QString& title, const QString& path);

// The first slot, 0 to 9, whose title equals title exactly; -1 when none.
int FindLaunchSlot(const QString& title);
// The lowest free slot; -1 when all ten hold a program.
int LowestFreeLaunchSlot();
