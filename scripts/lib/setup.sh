# Sourced by scripts/test and scripts/run: the Debian packages the project
# needs, and a display for Wine.

VRIX_PACKAGES=(
  cmake make git
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  googletest
  wine64
  xvfb xdotool x11-utils
  gcab cabextract libxml2-utils
  osslsigncode openssl
  fonts-wqy-microhei
  imagemagick
)

vrix_install_packages() {
  local missing=()
  for p in "${VRIX_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local line="apt-get install -y --no-install-recommends ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing Debian packages. As root, run:" >&2
    echo "  apt-get update && $line" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Starts Xvfb when no display is set; it ends with the calling script.
vrix_ensure_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local n
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    VRIX_XVFB_PID=$!
    for _ in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
    export DISPLAY=":$n"
    trap 'kill $VRIX_XVFB_PID 2>/dev/null' EXIT
    echo "Started Xvfb on $DISPLAY"
    return 0
  done
  echo "No free X display number for Xvfb" >&2
  exit 1
}

vrix_build() {
  local preset
  for preset in "$@"; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$(nproc)"
  done
}

# Everything the scripts need before they run a Windows program: packages,
# both builds, a display and the Wine prefix (with wine-env.sh's variables).
vrix_prepare() {
  vrix_install_packages
  vrix_build win32 win64
  vrix_ensure_display
  . "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
  vrix_ensure_prefix
}

# True where this host can run 32-bit Windows programs (these machines cannot).
vrix_can_run_32bit() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine cmd /c exit 0 >/dev/null 2>&1
}
