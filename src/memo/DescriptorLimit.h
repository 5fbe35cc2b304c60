#pragma once

struct MemoLimits;

// Every visitor connection costs a descriptor, and so does every file the
// program opens. The server raises the process's soft limit as far as the
// hard limit allows and keeps its connection cap well below what is left
// after a reserve, so Memo.txt, the logs and the settings can still be opened
// when every visitor slot is taken.

// Raises the soft RLIMIT_NOFILE to the hard one; returns the soft limit in force.
long RaiseDescriptorLimit();

// The number of visitor connections held open at most under descriptorLimit.
int ConnectionCap(long descriptorLimit, const MemoLimits& limits);

// True when the lowest free descriptor is within headroom of limit (or none
// is free): the process is about to run out.
bool NearDescriptorLimit(long limit, int headroom);
