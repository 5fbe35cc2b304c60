"""Start-up figures of halvorn against bench/minimal_qt; run by bench/startup.sh."""
import os, shutil, signal, statistics, subprocess, sys, tempfile, time

build, runs = sys.argv[1], int(sys.argv[2])
offscreen = dict(os.environ, QT_QPA_PLATFORM="offscreen")
MINIMAL, HALVORN = f"{build}/bench/minimal_qt", f"{build}/halvorn"


def peak_rss_kb(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def shared_libraries(pid):
    names = set()
    with open(f"/proc/{pid}/maps") as maps:
        for line in maps:
            path = line.split(maxsplit=5)[-1].strip()
            base = os.path.basename(path)
            if path.startswith("/") and (base.endswith(".so") or ".so." in base):
                names.add(path)
    return names


def stop(p):
    p.send_signal(signal.SIGTERM)
    try:
        p.wait(timeout=10)
    except subprocess.TimeoutExpired:
        p.kill(); p.wait()


class Home:
    """A throw-away program directory that is not a first start."""
    def __enter__(self):
        self.dir = tempfile.mkdtemp()
        with open(f"{self.dir}/hvrn.ini", "wb") as f:
            f.write(b"[Startup]\r\nDebugLog=True\r\n")
        return self

    def env(self, base):
        return dict(base, HALVORN_HOME=self.dir, XDG_CONFIG_HOME=f"{self.dir}/config")

    def __exit__(self, *_):
        shutil.rmtree(self.dir, ignore_errors=True)


def minimal():
    start = time.perf_counter()
    p = subprocess.Popen([MINIMAL], env=offscreen, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    p.stdout.readline()
    up = time.perf_counter() - start
    rss, libs = peak_rss_kb(p.pid), shared_libraries(p.pid)
    stop(p)
    return up, rss, libs


def wait_for_log_line(p, log, text):
    while True:
        try:
            with open(log, "rb") as f:
                if text in f.read():
                    return
        except FileNotFoundError:
            pass
        if p.poll() is not None:
            sys.exit("halvorn ended before it was up")
        time.sleep(0.0005)


def halvorn():
    with Home() as home:
        start = time.perf_counter()
        p = subprocess.Popen([HALVORN], env=home.env(offscreen), stderr=subprocess.DEVNULL)
        wait_for_log_line(p, f"{home.dir}/debug.log", b"All Settings Loaded")
        up = time.perf_counter() - start
        libs = shared_libraries(p.pid)
        time.sleep(0.3)  # let it settle: peak after the first event-loop turns
        rss = peak_rss_kb(p.pid)
        stop(p)
    return up, rss, libs


def halvorn_trace():
    """Elapsed ms per start-up step, counted from the launch (none from a build without the trace)."""
    with Home() as home:
        env = home.env(offscreen)
        trace = f"{home.dir}/trace.txt"
        with open(trace, "w") as err:
            env["HALVORN_STARTUP_TRACE"] = str(time.monotonic_ns())
            p = subprocess.Popen([HALVORN], env=env, stderr=err)
            wait_for_log_line(p, f"{home.dir}/debug.log", b"All Settings Loaded")
            time.sleep(0.1)  # the first event-loop turn
            stop(p)
        steps = {}
        with open(trace) as lines:
            for line in lines:
                if line.startswith("[startup]"):
                    ms, step = line[len("[startup]"):].split("ms", 1)
                    steps[step.strip()] = float(ms)
    return steps


for warm in range(2):
    minimal(); halvorn()
# Alternated run by run, so that a change in the load of a shared machine
# falls on both programs alike.
m, h = [], []
for _ in range(runs):
    m.append(minimal())
    h.append(halvorn())
mu, hu = statistics.median(x[0] for x in m), statistics.median(x[0] for x in h)
mr, hr = max(x[1] for x in m), max(x[1] for x in h)
ml, hl = m[-1][2], h[-1][2]
print(f"start-up (median of {runs})  minimal {mu*1000:6.1f} ms   halvorn {hu*1000:6.1f} ms   "
      f"ratio {hu/mu:4.2f}x  (target <= 1.50x)")
print(f"peak RSS                minimal {mr/1024:6.1f} MB   halvorn {hr/1024:6.1f} MB   "
      f"ratio {hr/mr:4.2f}x  (target <= 1.50x)")
print(f"shared libraries once up  minimal {len(ml):4d}      halvorn {len(hl):4d}")
extra = sorted(os.path.basename(x) for x in hl - ml)
if extra:
    print("  only halvorn's: " + " ".join(extra))

traces = [halvorn_trace() for _ in range(runs)]
print(f"halvorn start-up steps (median ms since launch, {runs} runs):" if traces[0] else
      "halvorn start-up steps: this build writes no HALVORN_STARTUP_TRACE")
previous = 0.0
for step in traces[0]:
    values = [t[step] for t in traces if step in t]
    at = statistics.median(values)
    print(f"  {step:22s} {at:7.1f}   (+{at - previous:5.1f})")
    previous = at


# --- the window mapped on a real X display ---------------------------------

def free_display():
    for n in range(90, 200):
        if not os.path.exists(f"/tmp/.X11-unix/X{n}") and not os.path.exists(f"/tmp/.X{n}-lock"):
            return f":{n}"
    sys.exit("no free X display number")


def window_visible(env, title):
    return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"], env=env,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0


def mapped_after(command, env, title):
    start = time.perf_counter()
    p = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        while not window_visible(env, title):
            if p.poll() is not None:
                sys.exit(f"{command[0]} ended before its window was mapped")
            if time.perf_counter() - start > 30:
                sys.exit(f"{command[0]}: no window after 30 s")
        return time.perf_counter() - start
    finally:
        stop(p)


def x_display_figures():
    missing = [tool for tool in ("Xvfb", "xdotool") if not shutil.which(tool)]
    if missing:
        print(f"window mapped on X: skipped ({' and '.join(missing)} not installed)")
        return
    display = free_display()
    xenv = {k: v for k, v in os.environ.items() if k not in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY")}
    xenv["DISPLAY"] = display
    server = subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wm = None
    try:
        deadline = time.time() + 10
        while not os.path.exists(f"/tmp/.X11-unix/X{display[1:]}"):
            if time.time() > deadline or server.poll() is not None:
                print("window mapped on X: skipped (Xvfb did not start)")
                return
            time.sleep(0.05)
        if shutil.which("openbox"):
            wm = subprocess.Popen(["openbox"], env=xenv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(0.5)
        xm, xh = [], []
        for i in range(runs + 2):
            with Home() as home:
                took_m = mapped_after([MINIMAL], xenv, "minimal_qt")
                took_h = mapped_after([HALVORN], home.env(xenv), "Halvorn")
            if i >= 2:
                xm.append(took_m); xh.append(took_h)
        a, b = statistics.median(xm), statistics.median(xh)
        print(f"window mapped on X ({'openbox' if wm else 'no window manager'})  minimal {a*1000:6.1f} ms"
              f"   halvorn {b*1000:6.1f} ms   ratio {b/a:4.2f}x  (target <= 1.25x)")
    finally:
        for proc in (wm, server):
            if proc:
                stop(proc)


x_display_figures()
