#!/usr/bin/env bash
# Memo server benchmarks, all on loopback, each bounded in time:
#  1. not-found and busy page throughput with wrk, against the memo server and
#     against nginx serving the same page bytes as a static file (every
#     request on a new connection for both, as the memo server closes after
#     each page); reports the ratio (target: memo >= 50 % of nginx);
#  2. memory growth with 1000 idle connections open (target < 50 MB RSS);
#  3. the longest stall of the memo server's event loop during all of it
#     (target < 50 ms);
#  4. system calls per connection: strace counts every call of the server
#     process during a fixed number of new-connection requests for the
#     not-found page (target <= 10, as nginx); skipped without strace;
#  5. HTTPS: a second memo server with HTTPS from certificate files, the
#     not-found page over TLS on a new connection (a full handshake) per
#     request against nginx serving the same bytes with the same certificate
#     and key (target: memo >= 60 % of nginx), the handshakes per second, and
#     memory growth with 1000 idle TLS connections (target < 60 MB RSS).
# Usage: bench/memo_bench.sh [seconds per wrk run, default 10]
# MEMO_BENCH_ENV="env NAME=value" runs the memo server with extra environment.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
. "$top/scripts/packages.sh"
ensure_packages $HALVORN_BUILD_PACKAGES $HALVORN_BENCH_PACKAGES
[ -f "$top/build/build.ninja" ] || cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build" --target memo_bench_server >/dev/null
duration="${1:-10}"
work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

free_port() { /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
memo_port="$(free_port)"
nginx_port="$(free_port)"
tls_port="$(free_port)"
nginx_tls_port="$(free_port)"
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 -subj /CN=localhost \
  -addext subjectAltName=DNS:localhost,IP:127.0.0.1 -keyout "$work/tls-key.pem" -out "$work/tls-cert.pem" 2>/dev/null

# The memo server, with a reply time-out long enough to hold Busy through a run.
mkdir -p "$work/home"
printf '[Memo]\r\nEnabled=True\r\nMemoServer Port=%s\r\nReply Timeout=3000\r\nRows=5\r\nColumns=75\r\n' \
  "$memo_port" > "$work/home/hvrn.ini"
HALVORN_HOME="$work/home" QT_QPA_PLATFORM=offscreen ${MEMO_BENCH_ENV:-} "$top/build/bench/memo_bench_server" 3600 \
  > "$work/memo.out" 2>"$work/memo.err" &
memo_pid=$!
pids+=("$memo_pid")
for _ in $(seq 50); do grep -q ready "$work/memo.out" && break; sleep 0.1; done
grep -q ready "$work/memo.out" || { echo "memo server did not start"; cat "$work/memo.err"; exit 1; }

# The HTTPS memo server.
mkdir -p "$work/tlshome"
printf '[Memo]\r\nEnabled=True\r\nMemoServer Port=%s\r\nReply Timeout=3000\r\nRows=5\r\nColumns=75\r\nHTTPS=files\r\nCertificate File=%s\r\nKey File=%s\r\n[StartUp]\r\nPublic Address=localhost\r\n' \
  "$tls_port" "$work/tls-cert.pem" "$work/tls-key.pem" > "$work/tlshome/hvrn.ini"
HALVORN_HOME="$work/tlshome" QT_QPA_PLATFORM=offscreen ${MEMO_BENCH_ENV:-} "$top/build/bench/memo_bench_server" 3600 \
  > "$work/tls.out" 2>"$work/tls.err" &
tls_pid=$!
pids+=("$tls_pid")
for _ in $(seq 50); do grep -q ready "$work/tls.out" && break; sleep 0.1; done
grep -q ready "$work/tls.out" || { echo "HTTPS memo server did not start"; cat "$work/tls.err"; exit 1; }

# The same page bytes for nginx: the memo server's answers without the response head.
strip_head() { /usr/bin/python3 -c 'import sys; d=sys.stdin.buffer.read(); sys.stdout.buffer.write(d.split(b"\r\n\r\n",1)[1])'; }
mkdir -p "$work/www" "$work/nginx"
printf 'OPTIONS / HTTP/1.0\r\n\r\n' | /usr/bin/python3 -c '
import socket,sys
s=socket.create_connection(("127.0.0.1",int(sys.argv[1]))); s.sendall(sys.stdin.buffer.read())
out=b""
while True:
    b=s.recv(65536)
    if not b: break
    out+=b
sys.stdout.buffer.write(out)' "$memo_port" | strip_head > "$work/www/notfound.html"

curl -sk -X OPTIONS "https://127.0.0.1:$tls_port/" > "$work/www/notfound-tls.html"
grep -q 'action="https://localhost' "$work/www/notfound-tls.html" || { echo "no not-found page over TLS"; exit 1; }

# Hold Busy: one memo waits for a reply for the rest of the run.
curl -s -m 3000 --data 'NAME=Holder&MESSAGE=wait&REPLY=YES' "http://127.0.0.1:$memo_port/memo/" > /dev/null &
pids+=("$!")
sleep 1
busy_body='NAME=Bob&MESSAGE=Hello&REPLY=YES'
curl -s -m 10 --data "$busy_body" "http://127.0.0.1:$memo_port/memo/" | cat > "$work/www/busy.html"
grep -q 'MemoSever in use' "$work/www/busy.html" || { echo "no busy page"; exit 1; }

cat > "$work/nginx/nginx.conf" <<CONF
worker_processes 1;
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 4096; }
http {
  access_log off;
  client_body_temp_path $work/nginx;
  proxy_temp_path $work/nginx;
  fastcgi_temp_path $work/nginx;
  uwsgi_temp_path $work/nginx;
  scgi_temp_path $work/nginx;
  server {
    listen 127.0.0.1:$nginx_port;
    root $work/www;
    default_type text/html;
  }
  server {
    listen 127.0.0.1:$nginx_tls_port ssl;
    ssl_certificate $work/tls-cert.pem;
    ssl_certificate_key $work/tls-key.pem;
    # The memo server's protocols (this nginx leaves TLS 1.3 off by default).
    ssl_protocols TLSv1.2 TLSv1.3;
    root $work/www;
    default_type text/html;
  }
}
CONF
nginx -c "$work/nginx/nginx.conf" -p "$work/nginx" &
pids+=("$!")
sleep 0.5

cat > "$work/notfound.lua" <<'LUA'
wrk.method = "OPTIONS"
LUA
cat > "$work/busy.lua" <<LUA
wrk.method = "POST"
wrk.body = "$busy_body"
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
LUA
cat > "$work/close.lua" <<'LUA'
wrk.headers["Connection"] = "close"
LUA

rate() { wrk -t2 -c32 -d"${duration}s" "$@" 2>&1 | awk '/Requests\/sec/ {print $2}'; }
ratio() { /usr/bin/python3 -c "import sys; print(f'{100*float(sys.argv[1])/float(sys.argv[2]):.0f} %')" "$1" "$2"; }

memo_nf="$(rate -s "$work/notfound.lua" "http://127.0.0.1:$memo_port/")"
nginx_nf="$(rate -s "$work/close.lua" "http://127.0.0.1:$nginx_port/notfound.html")"
memo_busy="$(rate -s "$work/busy.lua" "http://127.0.0.1:$memo_port/memo/")"
nginx_busy="$(rate -s "$work/close.lua" "http://127.0.0.1:$nginx_port/busy.html")"
# wrk offers no session to resume: every request is a full handshake.
memo_tls="$(rate -s "$work/notfound.lua" "https://127.0.0.1:$tls_port/")"
nginx_tls="$(rate -s "$work/close.lua" "https://127.0.0.1:$nginx_tls_port/notfound-tls.html")"

# System calls per connection: a fixed number of new-connection requests for
# the not-found page from 32 concurrent clients, as wrk makes them, with
# strace counting every call of the server process meanwhile.
syscall_connections=4000
syscalls="strace missing"
if command -v strace >/dev/null 2>&1; then
  strace -f -c -S calls -U calls,errors,name -o "$work/strace.txt" -p "$memo_pid" 2>/dev/null &
  strace_pid=$!
  pids+=("$strace_pid")
  sleep 1
  /usr/bin/python3 - "$memo_port" "$syscall_connections" <<'PY'
import socket, sys, threading
port, total, clients = int(sys.argv[1]), int(sys.argv[2]), 32
def client():
    for _ in range(total // clients):
        with socket.create_connection(("127.0.0.1", port), timeout=10) as s:
            s.sendall(b"OPTIONS / HTTP/1.0\r\n\r\n")
            while s.recv(65536):
                pass
threads = [threading.Thread(target=client) for _ in range(clients)]
for t in threads: t.start()
for t in threads: t.join()
PY
  kill -INT "$strace_pid"; wait "$strace_pid" 2>/dev/null || true
  calls="$(awk '$NF == "total" {print $1}' "$work/strace.txt")"
  if [ -n "$calls" ]; then
    syscalls="$(/usr/bin/python3 -c "import sys; print(f'{int(sys.argv[1])/int(sys.argv[2]):.1f}')" "$calls" "$syscall_connections")"
    busiest="$(awk -v n="$syscall_connections" '$NF != "total" && $1 ~ /^[0-9]+$/ {printf "%s %.1f, ", $NF, $1 / n}' \
      "$work/strace.txt" | sed 's/, $//')"
    syscalls="$syscalls ($calls calls for $syscall_connections connections: $busiest)"
  fi
fi

rss() { awk '/VmRSS/ {print $2}' "/proc/$memo_pid/status"; }
before="$(rss)"
/usr/bin/python3 - "$memo_port" <<'PY' &
import socket, sys, time
port = int(sys.argv[1])
held = []
for _ in range(1000):
    held.append(socket.create_connection(("127.0.0.1", port)))
time.sleep(8)
PY
idle_pid=$!
sleep 5
during="$(rss)"
held="$( (ss -Htn state established "( sport = :$memo_port )" 2>/dev/null || true) | wc -l)"
wait "$idle_pid" || true

kill -TERM "$memo_pid"
wait "$memo_pid" 2>/dev/null || true
stall="$(awk -F': ' '/longest event-loop stall/ {print $2}' "$work/memo.out")"

tls_rss() { awk '/VmRSS/ {print $2}' "/proc/$tls_pid/status"; }
tls_before="$(tls_rss)"
/usr/bin/python3 - "$tls_port" "$work/tls.ready" <<'PY' &
import socket, ssl, sys, time
port, ready = int(sys.argv[1]), sys.argv[2]
context = ssl.create_default_context()
context.check_hostname = False
context.verify_mode = ssl.CERT_NONE
held = []
for _ in range(1000):
    held.append(context.wrap_socket(socket.create_connection(("127.0.0.1", port)), server_hostname="localhost"))
open(ready, "w").close()
time.sleep(8)
PY
tls_idle_pid=$!
for _ in $(seq 300); do [ -f "$work/tls.ready" ] && break; sleep 0.1; done
sleep 2
tls_during="$(tls_rss)"
tls_held="$( (ss -Htn state established "( sport = :$tls_port )" 2>/dev/null || true) | wc -l)"
wait "$tls_idle_pid" || true
kill -TERM "$tls_pid"
wait "$tls_pid" 2>/dev/null || true
tls_stall="$(awk -F': ' '/longest event-loop stall/ {print $2}' "$work/tls.out")"

echo "not-found page: memo server ${memo_nf} req/s, nginx ${nginx_nf} req/s, ratio $(ratio "$memo_nf" "$nginx_nf") (target >= 50 %)"
echo "busy page:      memo server ${memo_busy} req/s, nginx ${nginx_busy} req/s, ratio $(ratio "$memo_busy" "$nginx_busy") (target >= 50 %)"
echo "1000 idle connections (${held} held by the server): RSS ${before} kB -> ${during} kB, growth $(( (during - before) / 1024 )) MB (target < 50 MB)"
echo "longest event-loop stall during the runs: ${stall} (target < 50 ms)"
echo "system calls per connection (not-found page): ${syscalls} (target <= 10)"
echo "not-found page over TLS, new connection each: memo server ${memo_tls} req/s, nginx ${nginx_tls} req/s, ratio $(ratio "$memo_tls" "$nginx_tls") (target >= 60 %)"
echo "TLS handshakes per second (one per request): memo server ${memo_tls}, nginx ${nginx_tls}"
echo "1000 idle TLS connections (${tls_held} held by the server): RSS ${tls_before} kB -> ${tls_during} kB, growth $(( (tls_during - tls_before) / 1024 )) MB (target < 60 MB)"
echo "longest event-loop stall of the HTTPS server: ${tls_stall} (target < 50 ms)"
