# Shared by scripts/run and scripts/test: the Debian packages Halvorn needs,
# installed only when missing.

HALVORN_BUILD_PACKAGES="cmake ninja-build g++ pkg-config git qt6-base-dev qt6-multimedia-dev libcurl4-openssl-dev libssl-dev libminiupnpc-dev libgmime-3.0-dev libxss-dev libsecret-1-dev"
# Test-only: GoogleTest and the real servers the tests start on free ports.
HALVORN_TEST_PACKAGES="libgtest-dev libgmock-dev desktop-file-utils appstream libglib2.0-bin man-db dpkg-dev file lintian python3 python3-pyftpdlib python3-openssl openssl pebble openssh-server curl chromium nodejs dovecot-pop3d python3-aiosmtpd dbus-daemon xvfb xdotool gnome-keyring libsecret-tools"
# Some nodejs builds bring npm along and conflict with Debian's npm package.
command -v npm >/dev/null 2>&1 || HALVORN_TEST_PACKAGES="$HALVORN_TEST_PACKAGES npm"
# The Debian package only (scripts/package): dependencies and the checker.
HALVORN_PACKAGE_PACKAGES="dpkg-dev file lintian"
# Line coverage only (scripts/coverage).
HALVORN_COVERAGE_PACKAGES="gcovr"
# Benchmarks only (bench/): timing, the load generator and the reference web server.
HALVORN_BENCH_PACKAGES="hyperfine wrk nginx-light time openssl"

ensure_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Configure (once) and build into build/.
build_halvorn() {
  local top="$1"; shift
  if [ ! -f "$top/build/build.ninja" ]; then
    cmake -S "$top" -B "$top/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
  fi
  cmake --build "$top/build" -j "$(nproc)"
}
