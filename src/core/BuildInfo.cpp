#include "core/BuildInfo.h"

int BuildNumber() { return HALVORN_BUILD_NUMBER; }
