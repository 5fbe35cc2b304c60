#include "core/CoreState.h"

CoreState& Core()
{
    static CoreState state;
    return state;
}
