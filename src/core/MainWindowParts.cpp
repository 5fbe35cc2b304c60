#include "core/MainWindowParts.h"

MainWindowParts& MainWindowPartsInUse()
{
    static MainWindowParts parts;
    return parts;
}
