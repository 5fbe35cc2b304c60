#include "tools/LaunchSlots.h"

#include "core/MenuTable.h"
#include "platform/UserStore.h"

namespace {

const QString kSection = QStringLiteral("Utility");

QString key(int slot, const char* suffix)
{
    return QString::number(slot) + QLatin1String(suffix);
}

QString get(int slot, const char* suffix)
{
    return platform::userStore().get(platform::kUserStoreApplication, kSection, key(slot, suffix), QString());
}

} // namespace

QString LaunchSlotTitle(int slot)
{
    return get(slot, "Item");
}

LaunchSlot ReadLaunchSlot(int slot)
{
    return {get(slot, "Item"), get(slot, "Path")};
}

void StoreLaunchSlot(int slot, const QString& title, const QString& path)
{
    platform::userStore().apply(platform::kUserStoreApplication,
                                {{kSection, key(slot, "Item"), title}, {kSection, key(slot, "Path"), path}});
}

int FindLaunchSlot(const QString& title)
{
    for (int slot = 0; slot < kLaunchSlots; ++slot)
        if (LaunchSlotTitle(slot) == title)
            return slot;
    return -1;
}

int LowestFreeLaunchSlot()
{
    return FindLaunchSlot(QString());
}
