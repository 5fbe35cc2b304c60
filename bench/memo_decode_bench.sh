#!/usr/bin/env bash
# One visitor's worst memo: a 64 KiB body made of "%41" escapes only, sent
# to the memo server running as the program runs it. Reports the round trip
# of that memo and the longest stall of the server's event loop
# (target: both < 50 ms; decoding that shifts the buffer per escape takes
# seconds).
# Usage: bench/memo_decode_bench.sh [memos, default 10: the most one visitor may send a minute]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
. "$top/scripts/packages.sh"
ensure_packages $HALVORN_BUILD_PACKAGES
[ -f "$top/build/build.ninja" ] || cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build" --target memo_bench_server >/dev/null
work="$(mktemp -d)"
trap 'kill "$pid" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
port="$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')"
mkdir -p "$work/home"
printf '[Memo]\r\nEnabled=True\r\nMemoServer Port=%s\r\nReply Timeout=30\r\n' "$port" > "$work/home/hvrn.ini"
HALVORN_HOME="$work/home" QT_QPA_PLATFORM=offscreen "$top/build/bench/memo_bench_server" 600 >"$work/out" 2>&1 &
pid=$!
for _ in $(seq 50); do grep -q ready "$work/out" && break; sleep 0.1; done
/usr/bin/python3 - "$port" "${1:-10}" <<'PY'
import socket, sys, time
port, count = int(sys.argv[1]), int(sys.argv[2])
body = b"NAME=bench&MESSAGE=" + b"%41" * 21800 + b"&REPLY=NO"
request = b"POST /memo/ HTTP/1.1\r\nContent-Length: %d\r\n\r\n%s" % (len(body), body)
worst = 0.0
for _ in range(count):
    start = time.monotonic()
    s = socket.create_connection(("127.0.0.1", port))
    s.sendall(request)
    while s.recv(65536):
        pass
    worst = max(worst, time.monotonic() - start)
print("64 KiB escaped memo, slowest round trip: %.1f ms" % (worst * 1000))
PY
kill -TERM "$pid"; wait "$pid" 2>/dev/null || true
grep -i stall "$work/out" || true
