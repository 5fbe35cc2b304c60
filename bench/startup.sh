#!/usr/bin/env bash
# Cold start to "All Settings Loaded" and peak memory of build/halvorn, side
# by side with the smallest Qt Widgets program built in the same tree (up =
# it printed "ready"). Targets: start-up within 1.5x and peak RSS within 2x.
# Then ReadIni throughput on a 2000-key settings file (target >= 20000/s).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$top/build}"
cmake --build "$build" --target halvorn minimal_qt readini_bench >/dev/null
/usr/bin/python3 - "$build" "${RUNS:-20}" <<'PY'
import os, signal, statistics, subprocess, sys, tempfile, time

build, runs = sys.argv[1], int(sys.argv[2])
env = dict(os.environ, QT_QPA_PLATFORM="offscreen")

def peak_rss_kb(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0

def minimal():
    start = time.perf_counter()
    p = subprocess.Popen([f"{build}/bench/minimal_qt"], env=env, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL)
    p.stdout.readline()
    up = time.perf_counter() - start
    rss = peak_rss_kb(p.pid)
    p.terminate(); p.wait()
    return up, rss

def halvorn():
    home = tempfile.mkdtemp()
    with open(f"{home}/hvrn.ini", "wb") as f:
        f.write(b"[Startup]\r\nDebugLog=True\r\n")
    log = f"{home}/debug.log"
    e = dict(env, HALVORN_HOME=home, XDG_CONFIG_HOME=f"{home}/config")
    start = time.perf_counter()
    p = subprocess.Popen([f"{build}/halvorn"], env=e, stderr=subprocess.DEVNULL)
    while True:
        try:
            with open(log, "rb") as f:
                if b"All Settings Loaded" in f.read():
                    break
        except FileNotFoundError:
            pass
        if p.poll() is not None:
            sys.exit("halvorn ended before it was up")
        time.sleep(0.0005)
    up = time.perf_counter() - start
    time.sleep(0.3)  # let it settle: peak after the first event-loop turns
    rss = peak_rss_kb(p.pid)
    p.send_signal(signal.SIGTERM); p.wait()
    subprocess.run(["rm", "-rf", home])
    return up, rss

for warm in range(2):
    minimal(); halvorn()
m = [minimal() for _ in range(runs)]
h = [halvorn() for _ in range(runs)]
mu, hu = statistics.median(x[0] for x in m), statistics.median(x[0] for x in h)
mr, hr = max(x[1] for x in m), max(x[1] for x in h)
print(f"start-up (median of {runs})  minimal {mu*1000:6.1f} ms   halvorn {hu*1000:6.1f} ms   "
      f"ratio {hu/mu:4.2f}x  (target <= 1.50x)")
print(f"peak RSS                minimal {mr/1024:6.1f} MB   halvorn {hr/1024:6.1f} MB   "
      f"ratio {hr/mr:4.2f}x  (target <= 2.00x)")
PY
"$build/bench/readini_bench"
