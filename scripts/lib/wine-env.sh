# Sourced by the scripts: the private Wine prefix under build/, the Wine
# session the tests run in, and the loaders for 32-bit and 64-bit programs.
VRIX_ROOT=${VRIX_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
export WINEPREFIX=${VRIX_WINEPREFIX:-$VRIX_ROOT/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
# Debian's paths; another Wine on the PATH otherwise. Before the set-up has
# installed Wine there is none, and Debian's paths stand.
VRIX_WINE64=/usr/lib/wine/wine64
[ -x "$VRIX_WINE64" ] || VRIX_WINE64=$(command -v wine64 || command -v wine || echo "$VRIX_WINE64")
VRIX_WINE32=/usr/lib/wine/wine
VRIX_WINESERVER=/usr/lib/wine/wineserver
[ -x "$VRIX_WINESERVER" ] || VRIX_WINESERVER=$(command -v wineserver || echo "$VRIX_WINESERVER")

# Whether the kernel runs 32-bit x86 programs: it runs a static i386
# program of three instructions (exit 0), written here, so that nothing
# 32-bit need be installed to tell. Some hosts' kernels say in their
# configuration that they do and still refuse ("Exec format error").
# 32-bit Wine itself is probed later. Asked once a run (VRIX_KERNEL_32BIT).
vrix_kernel_runs_32bit() {
  if [ -z "${VRIX_KERNEL_32BIT:-}" ]; then
    local program
    mkdir -p "$VRIX_ROOT/build"
    program=$(mktemp -p "$VRIX_ROOT/build")  # not /tmp: it may forbid running programs
    printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000\270\001\000\000\000\061\333\315\200' >"$program"
    chmod +x "$program"
    if "$program" 2>/dev/null; then VRIX_KERNEL_32BIT=1; else VRIX_KERNEL_32BIT=0; fi
    rm -f "$program"
    export VRIX_KERNEL_32BIT
  fi
  [ "$VRIX_KERNEL_32BIT" = 1 ]
}

# What a prefix made by vrix_ensure_prefix holds; a prefix marked otherwise
# (older settings, or made before 32-bit Wine could run) is made anew. Where
# the kernel runs no 32-bit code, 32-bit Wine may be installed (for the
# virtual machine) but cannot fill the prefix's 32-bit half.
vrix_prefix_mark() {
  if [ -x "$VRIX_WINE32" ] && vrix_kernel_runs_32bit; then
    echo "vrix-prefix 5 wow64"
  else
    echo "vrix-prefix 5"
  fi
}

vrix_prefix_current() {
  [ "$(cat "$WINEPREFIX/.vrix-ready" 2>/dev/null)" = "$(vrix_prefix_mark)" ] || return 1
  # Without this every 32-bit program fails with "could not load kernel32.dll".
  [[ "$(vrix_prefix_mark)" != *wow64 ]] || [ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]
}

# Makes the prefix when it is missing or out of date (under a lock, as tests
# may start together) and sets what the tests rely on: no window manager wait
# at exit, crashes end at once with their exception code instead of starting
# the debugger (in both registry views: 32-bit programs read the 32-bit one),
# and the East Asian fonts a Western Windows has, so that the Chinese texts
# render as they would there: no font link of the prefix's own.
vrix_ensure_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    vrix_prefix_current && exit 0
    [ -e "$WINEPREFIX" ] && echo "Making the Wine prefix anew: $WINEPREFIX"
    "$VRIX_WINESERVER" -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    "$VRIX_WINE64" wineboot --init >/dev/null 2>&1
    reg() { "$VRIX_WINE64" reg add "$@" /f >/dev/null 2>&1; }
    reg 'HKCU\Software\Wine\X11 Driver' /v Managed /d N
    for view in /reg:64 /reg:32; do
      reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d 'no-such-debugger.exe' $view
      reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /d 1 $view
    done
    reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
    # The East Asian fonts of a Western Windows from Vista on, under their
    # Windows names: SimSun, and MS UI Gothic, which every font link of such
    # a Windows names first. Wine's font links are left as shipped: they are
    # Windows' own.
    reg 'HKCU\Software\Wine\Fonts\Replacements' /v 'SimSun' /d 'WenQuanYi Micro Hei'
    reg 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /d 'IPAGothic'
    # The file SimSun comes in, which the font links name ("SIMSUN.TTC,SimSun")
    # and through which the system's message font (Tahoma, Segoe UI) draws
    # Chinese. MSGOTHIC.TTC, the first file of each link, stays out: Wine
    # stops at the first linked file there is, where Windows goes on to
    # SimSun for each character MS UI Gothic lacks.
    cp /usr/share/fonts/truetype/wqy/wqy-microhei.ttc "$WINEPREFIX/drive_c/windows/Fonts/simsun.ttc"
    # Marlett, whose glyphs every Windows draws its title bars' buttons with,
    # from Wine's own fonts (fonts-wine): Debian's Wine 8 does not find those
    # where the package puts them. Wine's Tahoma stays out: with it Wine
    # draws the Chinese of bold captions as boxes, which Windows links to
    # SimSun.
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    "$VRIX_WINESERVER" -w
    vrix_prefix_mark >"$WINEPREFIX/.vrix-ready"
  ) 9>"$(dirname "$WINEPREFIX")/.wineprefix.lock"
}

# The scripts run every Windows program of a run in one Wine session: a
# wineserver kept alive until vrix_stop_wine_session, and Wine's background
# programs and desktop process (explorer /desktop), started here with no
# terminal or pipe attached. Otherwise each starts with the first test that
# needs it and holds that test's output pipe open, and CTest waits after
# every test until Wine ends it again: Wine closes the desktop a second after
# its last program ends. A cmd waiting on a pipe that this script holds open
# stays for the whole session and keeps the desktop in use; rundll32 creates
# a window, which makes Wine start the desktop process now.
vrix_start_wine_session() {
  vrix_stop_wine_session
  "$VRIX_WINESERVER" -p </dev/null >/dev/null 2>&1
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  "$VRIX_WINE64" cmd /c pause <"$fifo" >/dev/null 2>&1 &
  exec {VRIX_SESSION_FD}>"$fifo"
  rm -f "$fifo"
  "$VRIX_WINE64" rundll32 user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1 || true
}

# For a program run outside the scripts (a CTest run on its own): a session
# that ends a minute after its last program, with Wine's background
# programs started as above. Does nothing while a session runs.
vrix_start_brief_wine_session() {
  "$VRIX_WINESERVER" -p60 </dev/null >/dev/null 2>&1 || return 0
  "$VRIX_WINE64" cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
}

vrix_stop_wine_session() {
  "$VRIX_WINESERVER" -k 2>/dev/null || true
  if [ -n "${VRIX_SESSION_FD:-}" ]; then
    exec {VRIX_SESSION_FD}>&-
    VRIX_SESSION_FD=
  fi
}

# True when 32-bit Windows programs really run in the prefix: a 32-bit cmd
# started by 32-bit Wine reports an x86 processor.
vrix_probe_32bit() {
  [ -x "$VRIX_WINE32" ] || return 1
  local arch
  arch=$("$VRIX_WINE32" cmd /c 'echo %PROCESSOR_ARCHITECTURE%' </dev/null 2>/dev/null | tr -d '\r')
  [ "$arch" = x86 ]
}
