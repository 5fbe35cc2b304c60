#include "memo/MemoLimits.h"

MemoLimits& memoLimits()
{
    static MemoLimits limits;
    return limits;
}
