#pragma once

// The program's build number: the number of commits it was built from.
int BuildNumber();
