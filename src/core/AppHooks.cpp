#include "core/AppHooks.h"

AppHooks& Hooks()
{
    static AppHooks hooks;
    return hooks;
}
