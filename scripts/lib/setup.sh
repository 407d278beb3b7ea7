# Sourced by scripts/test, scripts/run and scripts/bench: the Debian packages
# the project needs, a display for Wine, the builds, and what each script
# must stop again when it ends.
#
# VRIX_NO_32BIT=1 makes the scripts leave the 32-bit product out: no 32-bit
# Wine is installed or used, and only the 64-bit twin is run.
# VRIX_VM=1 makes scripts/test run the 32-bit product's tests in the virtual
# machine (vm.sh), and scripts/run show the product there, also where this
# host could run them itself.

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
  fonts-wqy-microhei fonts-ipafont-gothic fonts-wine
  imagemagick
)
# 32-bit Wine, and the i386 X libraries it needs to open windows when
# installed without recommendations.
VRIX_PACKAGES_I386=(
  wine32
  libxrender1 libxrandr2 libxcursor1 libxi6 libxinerama1 libxcomposite1
  libxfixes3 libxxf86vm1 libgnutls30 libdbus-1-3
)

. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
. "$(dirname "${BASH_SOURCE[0]}")/vm.sh"

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

# Whether the 32-bit product's tests go to the virtual machine: where the
# kernel cannot run them, or VRIX_VM=1 asks for it; never with VRIX_NO_32BIT=1.
vrix_wants_vm() {
  [ "${VRIX_NO_32BIT:-}" != 1 ] && { [ "${VRIX_VM:-}" = 1 ] || ! vrix_kernel_runs_32bit; }
}

# apt's answer in one line: the first unmet dependency it names, else its
# errors.
vrix_apt_reason() {  # vrix_apt_reason LOG
  local dep
  dep=$(grep -m1 -E '^ +[^ ].* : (Pre)?Depends: ' "$1" | sed -E 's/^ +//; s/  +/ /g')
  if [ -n "$dep" ]; then
    echo "$dep"
  else
    sed -nE 's/^E: //; T; s/ \[IP: [^]]*\]//; p' "$1" | paste -sd ' ' -
  fi
}

# The packages of a list that are not installed, one a line.
vrix_not_installed() {
  local p
  for p in "$@"; do vrix_installed "$p" || echo "$p"; done
}

# apt-get update exits 100 when any one list fails, for example a list of a
# mirror in the middle of a sync, which can last hours. Try a few times,
# then say in one line what could not be fetched and go on with the lists
# apt has.
VRIX_APT_TRIES=3
VRIX_APT_RETRY_SECONDS=${VRIX_APT_RETRY_SECONDS:-5}
vrix_apt_update() {
  local log try failed
  log=$(mktemp)
  for try in $(seq "$VRIX_APT_TRIES"); do
    if apt-get update -qq >"$log" 2>&1; then
      rm -f "$log"
      return 0
    fi
    [ "$try" -eq "$VRIX_APT_TRIES" ] || sleep "$VRIX_APT_RETRY_SECONDS"
  done
  failed=$(sed -nE 's/^[EW]: Failed to fetch ([^ ]+) +(.*)$/\1 (\2)/; T; s/ \[IP: [^]]*\]//; p' "$log" |
    paste -sd ';' - | sed 's/;/; /g')
  echo "Package lists: could not fetch ${failed:-them: $(vrix_apt_reason "$log")}, after $VRIX_APT_TRIES tries; going on with the lists apt has." >&2
  rm -f "$log"
}

vrix_apt_install() {  # vrix_apt_install LOG [OPTIONS] PACKAGES...
  local log=$1
  shift
  apt-get install -y -qq --no-install-recommends "$@" >"$log" 2>&1
}

# The main suite of this release (bookworm), whose lists every architecture
# has; empty where the release does not say.
VRIX_OS_RELEASE=${VRIX_OS_RELEASE:-/etc/os-release}
vrix_main_suite() {
  (. "$VRIX_OS_RELEASE" 2>/dev/null && echo "${VERSION_CODENAME:-}")
}

# The amd64 libraries to ask for by version, with their i386 partners, as
# "name=version name:i386=version" lines. Where the security suite's i386
# list is missing, a library installed from that suite for amd64 (with
# wine64, say) is newer than any i386 build apt knows, and Multi-Arch: same
# wants both at one version: each such pair is asked for at the newest
# version its i386 half has, which both architectures have in the main suite.
vrix_i386_partner_pins() {  # vrix_i386_partner_pins PACKAGE:i386...
  local package name installed candidate
  apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
      --no-replaces --no-enhances "$@" 2>/dev/null | grep -E '^[a-z0-9][^ ]*:i386$' | sort -u |
    while read -r package; do
      name=${package%:i386}
      vrix_installed "$name:amd64" || continue
      installed=$(dpkg-query -W -f='${Version}' "$name:amd64")
      candidate=$(apt-cache madison "$package" | awk -F' *[|] *' 'NR == 1 { print $2 }')
      if [ -n "$candidate" ] && dpkg --compare-versions "$candidate" lt "$installed"; then
        echo "$name=$candidate $package=$candidate"
      fi
    done
}

# Installs what is missing. The packages the build and the twin's tests need
# must install, or the set-up stops. 32-bit Wine (and, where the product's
# tests go to the virtual machine, its packages) may fail to: then
# VRIX_WINE32_UNAVAILABLE says why, and only the twin runs. In the virtual
# machine, which runs the host's own packages, there is nothing to do.
VRIX_WINE32_UNAVAILABLE=
vrix_install_packages() {
  [ "${VRIX_IN_VM:-}" = 1 ] && return 0
  local missing=() missing32=() what32="32-bit Wine"
  mapfile -t missing < <(vrix_not_installed "${VRIX_PACKAGES[@]}")
  if [ "${VRIX_NO_32BIT:-}" != 1 ]; then
    mapfile -t missing32 < <(vrix_not_installed "${VRIX_PACKAGES_I386[@]/%/:i386}")
    if vrix_wants_vm; then
      mapfile -t -O ${#missing32[@]} missing32 < <(vrix_not_installed "${VRIX_VM_PACKAGES[@]}")
      what32="32-bit Wine with the virtual machine"
    fi
  fi
  [ ${#missing[@]} -eq 0 ] && [ ${#missing32[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing Debian packages. As root, run:" >&2
    [ ${#missing32[@]} -gt 0 ] && echo "  dpkg --add-architecture i386" >&2
    echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]} ${missing32[*]}" >&2
    # Without 32-bit Wine the twin is still tested; without the rest nothing is.
    [ ${#missing[@]} -eq 0 ] || exit 1
    VRIX_WINE32_UNAVAILABLE="$what32 is not installed, and installing it needs root"
    echo "Going on without 32-bit Wine: only the 64-bit twin will run." >&2
    return 0
  fi
  export DEBIAN_FRONTEND=noninteractive
  [ ${#missing32[@]} -gt 0 ] && dpkg --add-architecture i386
  vrix_apt_update
  local log suite
  log=$(mktemp)
  if [ ${#missing32[@]} -gt 0 ]; then
    # The i386 libraries are Multi-Arch: same, so each needs the version of
    # its amd64 partner. Where a suite's i386 list is missing, only the main
    # suite's versions exist for both architectures: then ask apt for those,
    # for both sets together, and for an amd64 partner installed earlier
    # from the other suite, by version.
    echo "Installing: ${missing[*]} ${missing32[*]}"
    suite=$(vrix_main_suite)
    local pins=()
    if vrix_apt_install "$log" "${missing[@]}" "${missing32[@]}"; then
      missing=()
    elif [ -n "$suite" ] && vrix_apt_install "$log" -t "$suite" "${missing[@]}" "${missing32[@]}"; then
      echo "Installed with the versions of the main suite, $suite, which both architectures have."
      missing=()
    elif [ -n "$suite" ] && mapfile -t pins < <(vrix_i386_partner_pins "${missing32[@]}" | tr ' ' '\n') &&
         [ ${#pins[@]} -gt 0 ] &&
         vrix_apt_install "$log" -t "$suite" --allow-downgrades "${missing[@]}" "${missing32[@]}" "${pins[@]}"; then
      echo "Installed with the versions of the main suite, $suite, which both architectures have; taken back to them: ${pins[*]}."
      missing=()
    else
      VRIX_WINE32_UNAVAILABLE="$what32 could not be installed ($(vrix_apt_reason "$log"))"
    fi
  elif [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
  fi
  if [ ${#missing[@]} -gt 0 ]; then
    vrix_apt_install "$log" "${missing[@]}" || true
    mapfile -t missing < <(vrix_not_installed "${missing[@]}")
    if [ ${#missing[@]} -gt 0 ]; then
      echo "Could not install what the build needs: ${missing[*]} ($(vrix_apt_reason "$log"))." >&2
      rm -f "$log"
      exit 1
    fi
  fi
  rm -f "$log"
  if [ -n "$VRIX_WINE32_UNAVAILABLE" ]; then
    echo "$VRIX_WINE32_UNAVAILABLE: only the 64-bit twin will run; run this again once the mirror has synced." >&2
  fi
  return 0
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
# Configures and builds a tree. The test trees' time limits are scaled for
# the virtual machine where the product's tests run there. In the virtual
# machine itself nothing is built: the host built it.
vrix_build() {  # vrix_build PRESET [TARGET]
  [ "${VRIX_IN_VM:-}" = 1 ] && return 0
  # A tree configured with another generator (an older checkout's) is made anew.
  if [ -f "build/$1/CMakeCache.txt" ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Ninja$' "build/$1/CMakeCache.txt"; then
    rm -rf "build/$1"
  fi
  local scale=1
  [ "$1" = win32 ] && [ "${VRIX_PRODUCT_IN_VM:-0}" = 1 ] && scale=$VRIX_VM_TIME_SCALE
  case $1 in
    win32 | win64) cmake --preset "$1" -DVRIX_TEST_TIME_SCALE="$scale" >/dev/null ;;
    *) cmake --preset "$1" >/dev/null ;;
  esac
  cmake --build --preset "$1" -j "$(nproc)" ${2:+--target "$2"}
}

# Sets VRIX_RUNS_32BIT to 1 where 32-bit programs run here, else 0 with the
# reason in VRIX_NO_32BIT_REASON.
vrix_decide_32bit() {
  if [ "${VRIX_NO_32BIT:-}" = 1 ]; then
    VRIX_RUNS_32BIT=0 VRIX_NO_32BIT_REASON="32-bit support was turned off (VRIX_NO_32BIT=1)"
  elif [ "${VRIX_VM:-}" = 1 ]; then
    VRIX_RUNS_32BIT=0 VRIX_NO_32BIT_REASON="VRIX_VM=1 asked for the virtual machine"
  elif vrix_probe_32bit; then
    VRIX_RUNS_32BIT=1
  elif [ -n "$VRIX_WINE32_UNAVAILABLE" ]; then
    VRIX_RUNS_32BIT=0 VRIX_NO_32BIT_REASON=$VRIX_WINE32_UNAVAILABLE
  elif ! vrix_kernel_runs_32bit; then
    VRIX_RUNS_32BIT=0 VRIX_NO_32BIT_REASON="this host cannot run 32-bit code (its kernel refuses 32-bit programs)"
  else
    VRIX_RUNS_32BIT=0 VRIX_NO_32BIT_REASON="this host cannot run 32-bit code (32-bit Wine did not run a 32-bit program)"
  fi
}

# Every tree that scripts/test tests. Where the product's tests run neither
# here nor in the virtual machine, the 32-bit tree builds the product alone.
vrix_build_trees() {
  if [ "$VRIX_RUNS_32BIT" = 1 ] || [ "${VRIX_PRODUCT_IN_VM:-0}" = 1 ]; then
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

# Everything the scripts need before they build and run a Windows program:
# packages, a display, the Wine prefix and session (wine-env.sh), and which
# tree runs here (vrix_runnable_tree). Each script then builds what it runs.
vrix_prepare() {
  vrix_install_packages
  vrix_ensure_display
  vrix_ensure_prefix
  vrix_start_wine_session
  vrix_at_exit vrix_stop_wine_session
  vrix_decide_32bit
  vrix_runnable_tree
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
