#!/usr/bin/env bash
# Upload of a 10 MB file to a local pyftpdlib server by our FTP client and by
# the curl command line, in the same run (target: within 1.2x of curl), and
# the longest event-loop stall during our upload (target: under 50 ms).
set -euo pipefail
top="$(cd "$(dirname "$0")/../.." && pwd)"
. "$top/scripts/packages.sh"
ensure_packages $HALVORN_BENCH_PACKAGES
bin="$top/build/bench/publish_bench"
[ -x "$bin" ] || { echo "build first: cmake --build build --target publish_bench" >&2; exit 2; }
work="$(mktemp -d)"
mkdir -p "$work/root"
/usr/bin/python3 "$top/tests/publish/servers/ftp_server.py" --root "$work/root" > "$work/server.out" 2>/dev/null &
server=$!
trap 'kill $server 2>/dev/null; wait $server 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do grep -q '^PORT' "$work/server.out" && break; sleep 0.1; done
port="$(awk '/^PORT/ {print $2}' "$work/server.out")"
head -c $((10 * 1024 * 1024)) /dev/urandom > "$work/page.bin"
hyperfine --warmup 2 --runs 20 --prepare "sleep 0.1" --export-json "$work/r.json" \
  -n halvorn "$bin upload 127.0.0.1:$port tester secret $work/page.bin a.bin" \
  -n curl "curl -s --user tester:secret -T $work/page.bin ftp://127.0.0.1:$port/b.bin" >/dev/null
cmp -s "$work/page.bin" "$work/root/a.bin" || { echo "uploaded file differs" >&2; exit 1; }
/usr/bin/python3 - "$work/r.json" <<'PY'
import json, sys
r = {x["command"]: x["median"] for x in json.load(open(sys.argv[1]))["results"]}
ratio = r["halvorn"] / r["curl"]
allr = json.load(open(sys.argv[1]))["results"]
for x in allr:
    print(f"  {x['command']}: min {x['min']*1000:.1f} ms, max {x['max']*1000:.1f} ms")
print(f"upload 10 MB (median): halvorn {r['halvorn']*1000:.1f} ms, curl {r['curl']*1000:.1f} ms, "
      f"ratio {ratio:.2f} (target <= 1.2) {'OK' if ratio <= 1.2 else 'OVER'}")
PY
worst=0
for _ in 1 2 3 4 5; do
  ms="$("$bin" upload "127.0.0.1:$port" tester secret "$work/page.bin" c.bin | awk '/^stall_ms/ {print $2}')"
  [ "$ms" -gt "$worst" ] && worst="$ms"
done
verdict=OK; [ "$worst" -lt 50 ] || verdict=OVER
echo "longest event-loop stall during an upload: $worst ms (target < 50) $verdict"
