# Sourced by scripts/test, scripts/run and scripts/bench: the Debian packages
# the project needs, a display for Wine, the builds, and what each script
# must stop again when it ends.
#
# VRIX_NO_32BIT=1 makes the scripts behave as on a host that cannot run
# 32-bit code: no 32-bit Wine is installed or used, and only the 64-bit twin
# is run.

VRIX_PACKAGES=(
  cmake ninja-build git
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  clang lld clang-tidy llvm
  python3
  googletest
  wine64
  xvfb x11-utils
  gcab cabextract libxml2-utils
  osslsigncode openssl
  fonts-wqy-microhei fonts-ipafont-gothic
  imagemagick
)
# 32-bit Wine, and the i386 X libraries it needs to open windows when
# installed without recommendations.
VRIX_PACKAGES_I386=(
  wine32
  libxrender1 libxrandr2 libxcursor1 libxi6 libxinerama1 libxcomposite1
  libxfixes3 libxxf86vm1 libgnutls30 libdbus-1-3
)

# ---- Cleaning up: every script stops what it started -------------------------
VRIX_EXIT_ACTIONS=()
vrix_run_exit_actions() {
  local i
  for ((i = ${#VRIX_EXIT_ACTIONS[@]} - 1; i >= 0; i--)); do
    eval "${VRIX_EXIT_ACTIONS[i]}" || true
  done
  VRIX_EXIT_ACTIONS=()
}
# Runs COMMAND when the script ends, however it ends, after the commands
# registered later. Scripts use this instead of a trap of their own, which
# would replace the others.
vrix_at_exit() {
  VRIX_EXIT_ACTIONS+=("$1")
  trap vrix_run_exit_actions EXIT
  trap 'exit 130' INT TERM
}

# ---- Packages ------------------------------------------------------------------
vrix_installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

# Whether the kernel runs 32-bit x86 programs, as far as can be told before
# anything 32-bit is installed. 32-bit Wine itself is probed later.
vrix_kernel_runs_32bit() {
  [ "${VRIX_NO_32BIT:-}" = 1 ] && return 1
  if [ -e /lib/ld-linux.so.2 ]; then
    /lib/ld-linux.so.2 --version >/dev/null 2>&1
    return
  fi
  # No 32-bit loader yet: ask the kernel's configuration where it can be read.
  local config="/boot/config-$(uname -r)"
  if [ -r "$config" ]; then
    grep -q '^CONFIG_IA32_EMULATION=y' "$config"
  fi
}

vrix_install_packages() {
  local missing=() missing32=() p
  for p in "${VRIX_PACKAGES[@]}"; do
    vrix_installed "$p" || missing+=("$p")
  done
  if vrix_kernel_runs_32bit; then
    for p in "${VRIX_PACKAGES_I386[@]}"; do
      vrix_installed "$p:i386" || missing32+=("$p:i386")
    done
  fi
  [ ${#missing[@]} -eq 0 ] && [ ${#missing32[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing Debian packages. As root, run:" >&2
    [ ${#missing32[@]} -gt 0 ] && echo "  dpkg --add-architecture i386" >&2
    echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]} ${missing32[*]}" >&2
    # Without 32-bit Wine the twin is still tested; without the rest nothing is.
    [ ${#missing[@]} -eq 0 ] || exit 1
    echo "Going on without 32-bit Wine: only the 64-bit twin will run." >&2
    return 0
  fi
  export DEBIAN_FRONTEND=noninteractive
  [ ${#missing32[@]} -gt 0 ] && dpkg --add-architecture i386
  apt-get update -qq
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
  if [ ${#missing32[@]} -gt 0 ]; then
    echo "Installing 32-bit Wine: ${missing32[*]}"
    apt-get install -y -qq --no-install-recommends "${missing32[@]}" >/dev/null ||
      echo "Could not install 32-bit Wine: only the 64-bit twin will run." >&2
  fi
}

# ---- Display ---------------------------------------------------------------------
# Starts Xvfb when no display is set (VRIX_STARTED_XVFB is then 1); it is
# stopped when the script ends.
VRIX_STARTED_XVFB=0
vrix_ensure_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local n
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    VRIX_XVFB_PID=$!
    vrix_at_exit 'kill $VRIX_XVFB_PID 2>/dev/null; wait $VRIX_XVFB_PID 2>/dev/null'
    # Ours must answer: a server that was still going away can hold the
    # number, and then ours ends at once. Then try the next number.
    local up=0
    for _ in $(seq 50); do
      kill -0 "$VRIX_XVFB_PID" 2>/dev/null || break
      xdpyinfo -display ":$n" >/dev/null 2>&1 && { up=1; break; }
      sleep 0.1
    done
    if [ "$up" = 0 ] || ! kill -0 "$VRIX_XVFB_PID" 2>/dev/null; then
      kill "$VRIX_XVFB_PID" 2>/dev/null || true
      continue
    fi
    export DISPLAY=":$n"
    VRIX_STARTED_XVFB=1
    echo "Started Xvfb on $DISPLAY"
    return 0
  done
  echo "No free X display number for Xvfb" >&2
  exit 1
}

# ---- Builds --------------------------------------------------------------------
vrix_build() {  # vrix_build PRESET [TARGET]
  # A tree configured with another generator (an older checkout's) is made anew.
  if [ -f "build/$1/CMakeCache.txt" ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "build/$1/CMakeCache.txt"; then
    rm -rf "build/$1"
  fi
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j "$(nproc)" ${2:+--target "$2"}
}

# Everything the scripts need before they run a Windows program: packages, a
# display, the Wine prefix and session (wine-env.sh), then the builds. Sets
# VRIX_RUNS_32BIT to 1 where 32-bit programs run here, else 0 with the
# reason in VRIX_NO_32BIT_REASON. Where they do not, the 32-bit tree builds
# the product alone: its tests could not run.
vrix_prepare() {
  vrix_install_packages
  vrix_ensure_display
  . "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
  vrix_ensure_prefix
  vrix_start_wine_session
  vrix_at_exit vrix_stop_wine_session
  if [ "${VRIX_NO_32BIT:-}" = 1 ]; then
    VRIX_RUNS_32BIT=0 VRIX_NO_32BIT_REASON="32-bit support was turned off (VRIX_NO_32BIT=1)"
  elif vrix_probe_32bit; then
    VRIX_RUNS_32BIT=1
  else
    VRIX_RUNS_32BIT=0 VRIX_NO_32BIT_REASON="this host cannot run 32-bit code (32-bit Wine did not run a 32-bit program)"
  fi
  if [ "$VRIX_RUNS_32BIT" = 1 ]; then
    vrix_build win32
  else
    vrix_build win32 VRIXSetup
  fi
  vrix_build win64
  # The same program built by clang: the product, and the twin where only
  # the twin runs.
  vrix_build clang-win32
  [ "$VRIX_RUNS_32BIT" = 1 ] || vrix_build clang-win64
}

# The tree whose programs run here: the product's where 32-bit programs run,
# else the twin's; and the Wine loader for it.
vrix_runnable_tree() {
  if [ "$VRIX_RUNS_32BIT" = 1 ]; then
    VRIX_TREE=win32 VRIX_LOADER=$VRIX_WINE32 VRIX_TREE_NAME="32-bit product"
  else
    VRIX_TREE=win64 VRIX_LOADER=$VRIX_WINE64 VRIX_TREE_NAME="64-bit twin"
  fi
}

# A file's path as Windows programs under Wine see it (drive Z: is the root).
vrix_winpath() { echo "Z:$(readlink -f "$1" | tr / '\\')"; }
