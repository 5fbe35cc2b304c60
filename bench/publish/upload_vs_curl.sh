#!/usr/bin/env bash
# Upload of a 10 MB file to a local pyftpdlib server by our FTP client and by
# the curl command line (target: within 1.1x of curl), and the longest
# event-loop stall during our upload (target: under 50 ms).
# Whole processes are timed in alternating rounds, so that a change in the
# load of a shared machine falls on both sides alike. The session inside the
# process (log in and store, against curl's own time_total) is printed too:
# it leaves out each program's start-up.
set -euo pipefail
top="$(cd "$(dirname "$0")/../.." && pwd)"
. "$top/scripts/packages.sh"
ensure_packages $HALVORN_BENCH_PACKAGES
bin="${PUBLISH_BENCH:-$top/build/bench/publish_bench}" # another build to compare with
[ -x "$bin" ] || { echo "build first: cmake --build build --target publish_bench" >&2; exit 2; }
rounds="${ROUNDS:-6}"
work="$(mktemp -d)"
mkdir -p "$work/root"
/usr/bin/python3 "$top/tests/publish/servers/ftp_server.py" --root "$work/root" > "$work/server.out" 2>/dev/null &
server=$!
trap 'kill $server 2>/dev/null; wait $server 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do grep -q '^PORT' "$work/server.out" && break; sleep 0.1; done
port="$(awk '/^PORT/ {print $2}' "$work/server.out")"
head -c $((10 * 1024 * 1024)) /dev/urandom > "$work/page.bin"
ours=("$bin" upload "127.0.0.1:$port" tester secret "$work/page.bin" a.bin)
theirs=(curl -s --user tester:secret -T "$work/page.bin" "ftp://127.0.0.1:$port/b.bin")
for round in $(seq "$rounds"); do
  first=(-n halvorn "${ours[*]}" -n curl "${theirs[*]}")
  [ $((round % 2)) -eq 0 ] && first=(-n curl "${theirs[*]}" -n halvorn "${ours[*]}")
  hyperfine -N --prepare "sleep 0.1" --warmup 1 --runs 4 --export-json "$work/r$round.json" "${first[@]}" >/dev/null 2>&1
  for _ in 1 2; do
    sleep 0.1
    PUBLISH_BENCH_STEPS=1 "${ours[@]}" |
      awk '/^connect_us/ {print "halvorn", ($2 + $4) / 1000; print "open", $10 / 1000; print "quit", $6 / 1000}' >> "$work/session.txt"
    sleep 0.1
    "${theirs[@]}" -w 'curl %{time_total}\n' | awk '{print $1, $2 * 1000}' >> "$work/session.txt"
  done
done
cmp -s "$work/page.bin" "$work/root/a.bin" || { echo "uploaded file differs" >&2; exit 1; }
/usr/bin/python3 - "$work" "$rounds" <<'PY'
import json, statistics, sys
work, rounds = sys.argv[1], int(sys.argv[2])
wall = {"halvorn": [], "curl": []}
for n in range(1, rounds + 1):
    for x in json.load(open(f"{work}/r{n}.json"))["results"]:
        wall[x["command"]] += [t * 1000 for t in x["times"]]
session = {"halvorn": [], "curl": [], "open": [], "quit": []}
for line in open(f"{work}/session.txt"):
    who, ms = line.split()
    session[who].append(float(ms))
opening, quitting = statistics.median(session.pop("open")), statistics.median(session.pop("quit"))

def summary(label, times, target):
    med = {k: statistics.median(v) for k, v in times.items()}
    quart = {k: statistics.quantiles(v, n=4) for k, v in times.items()}
    for k in ("halvorn", "curl"):
        print(f"  {label} {k}: median {med[k]:.1f} ms, quartiles {quart[k][0]:.1f}-{quart[k][2]:.1f} ms, "
              f"range {min(times[k]):.1f}-{max(times[k]):.1f} ms ({len(times[k])} runs)")
    ratio = med["halvorn"] / med["curl"]
    verdict = "" if target is None else f" (target <= {target}) {'OK' if ratio <= target else 'OVER'}"
    print(f"{label} (median): halvorn {med['halvorn']:.1f} ms, curl {med['curl']:.1f} ms, ratio {ratio:.2f}{verdict}")

summary("upload 10 MB, whole process", wall, 1.1)
summary("upload 10 MB, session inside the process", session, None)
# The rest of the whole-process gap: Qt's own start and exit, and libcurl's
# libraries bound into a process that already holds Qt's.
print(f"  halvorn outside the session (median): opening libcurl and its global init {opening:.1f} ms, "
      f"QUIT {quitting:.1f} ms")
PY
worst=0
for _ in 1 2 3 4 5; do
  ms="$("$bin" upload "127.0.0.1:$port" tester secret "$work/page.bin" c.bin | awk '/^stall_ms/ {print $2}')"
  [ "$ms" -gt "$worst" ] && worst="$ms"
done
verdict=OK; [ "$worst" -lt 50 ] || verdict=OVER
echo "longest event-loop stall during an upload: $worst ms (target < 50) $verdict"
