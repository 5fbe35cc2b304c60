#!/usr/bin/env bash
# Listing the headers of 1000 messages in a local dovecot mailbox (log in,
# TOP n 1 for each, quit, all on one connection) by our POP3 client and by
# the curl command line (target: within 1.5x of curl), and the longest
# event-loop stall during our listing (target: under 50 ms).
set -euo pipefail
top="$(cd "$(dirname "$0")/../.." && pwd)"
. "$top/scripts/packages.sh"
ensure_packages $HALVORN_BENCH_PACKAGES dovecot-pop3d
bin="$top/build/bench/mail_bench"
[ -x "$bin" ] || { echo "build first: cmake --build build --target mail_bench" >&2; exit 2; }
count=1000
work="$(mktemp -d)"
mkfifo "$work/in"
"$bin" serve $count < "$work/in" > "$work/server.out" &
server=$!
exec 3> "$work/in"
trap 'exec 3>&-; wait $server 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 150); do grep -q '^PORT' "$work/server.out" && break; sleep 0.1; done
port="$(awk '/^PORT/ {print $2}' "$work/server.out")"
url="pop3://127.0.0.1:$port/"
# curl: the listing, then one TOP per message; --next keeps the connection.
{
  echo "url = \"$url\""
  for n in $(seq $count); do printf -- '--next\nuser = "tester:secret"\nrequest = "TOP %d 1"\nurl = "%s"\n' "$n" "$url"; done
} > "$work/curl.cfg"
sed -i '1i user = "tester:secret"' "$work/curl.cfg"
[ "$(curl -s -K "$work/curl.cfg" | grep -c '^Subject: message')" -eq $count ] || { echo "curl listing incomplete" >&2; exit 1; }
hyperfine --warmup 1 --runs 10 --export-json "$work/r.json" \
  -n halvorn "$bin list 127.0.0.1:$port" \
  -n curl "curl -s -K $work/curl.cfg -o /dev/null" >/dev/null
/usr/bin/python3 - "$work/r.json" $count <<'PY'
import json, sys
allr = json.load(open(sys.argv[1]))["results"]
r = {x["command"]: x["median"] for x in allr}
ratio = r["halvorn"] / r["curl"]
print(f"list {sys.argv[2]} messages (median): halvorn {r['halvorn']*1000:.1f} ms, curl {r['curl']*1000:.1f} ms, "
      f"ratio {ratio:.2f} (target <= 1.5) {'OK' if ratio <= 1.5 else 'OVER'}")
PY
worst=0
for _ in 1 2 3; do
  out="$("$bin" list "127.0.0.1:$port")"
  grep -q "^messages $count headers $((3 * count))" <<<"$out" || { echo "listing incomplete: $out" >&2; exit 1; }
  ms="$(awk '/^stall_ms/ {print $2}' <<<"$out")"
  [ "$ms" -gt "$worst" ] && worst="$ms"
done
verdict=OK; [ "$worst" -lt 50 ] || verdict=OVER
echo "longest event-loop stall during a listing: $worst ms (target < 50) $verdict"
