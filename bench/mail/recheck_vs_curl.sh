#!/usr/bin/env bash
# A second check of a 5000-message mailbox with 10 new messages (log in,
# UIDL, TOP for the new ones only) by the mail check, against the curl
# command line doing UIDL plus the same 10 TOPs on the same local dovecot,
# in turns in one run. Targets: within 1.5x of curl, and the longest
# event-loop stall during our checks under 50 ms.
set -euo pipefail
top="$(cd "$(dirname "$0")/../.." && pwd)"
. "$top/scripts/packages.sh"
ensure_packages $HALVORN_BENCH_PACKAGES dovecot-pop3d curl
bin="$top/build/bench/recheck_bench"
[ -x "$bin" ] || { echo "build first: cmake --build build --target recheck_bench" >&2; exit 2; }
out="$("$bin" "${1:-5000}" "${2:-10}" "${3:-15}")"
echo "$out"
awk '/^ratio/ {r=$2} /^stall_ms/ {s=$2}
     END {printf "second check against curl: %.2fx (target <= 1.5) %s\n", r, (r <= 1.5 ? "OK" : "OVER");
          printf "longest event-loop stall: %d ms (target < 50) %s\n", s, (s < 50 ? "OK" : "OVER")}' <<<"$out"
