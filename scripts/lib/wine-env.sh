# Sourced by the scripts: the private Wine prefix under build/, the Wine
# session the tests run in, and the loaders for 32-bit and 64-bit programs.
VRIX_ROOT=${VRIX_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
export WINEPREFIX=${VRIX_WINEPREFIX:-$VRIX_ROOT/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
VRIX_WINE64=/usr/lib/wine/wine64
[ -x "$VRIX_WINE64" ] || VRIX_WINE64=$(command -v wine64 || command -v wine)
VRIX_WINE32=/usr/lib/wine/wine
VRIX_WINESERVER=/usr/lib/wine/wineserver
[ -x "$VRIX_WINESERVER" ] || VRIX_WINESERVER=$(command -v wineserver)

# What a prefix made by vrix_ensure_prefix holds; a prefix marked otherwise
# (older settings, or made before 32-bit Wine was installed) is made anew.
vrix_prefix_mark() {
  if [ -x "$VRIX_WINE32" ]; then echo "vrix-prefix 2 wow64"; else echo "vrix-prefix 2"; fi
}

vrix_prefix_current() {
  [ "$(cat "$WINEPREFIX/.vrix-ready" 2>/dev/null)" = "$(vrix_prefix_mark)" ] || return 1
  # Without this every 32-bit program fails with "could not load kernel32.dll".
  [ ! -x "$VRIX_WINE32" ] || [ -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]
}

# Makes the prefix when it is missing or out of date (under a lock, as tests
# may start together) and sets what the tests rely on: no window manager wait
# at exit, crashes end at once with their exception code instead of starting
# the debugger (in both registry views: 32-bit programs read the 32-bit one),
# and a CJK font behind the dialog fonts so the Chinese texts render.
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
    for face in 'MS Sans Serif' 'MS Shell Dlg' 'Tahoma' 'Microsoft Sans Serif'; do
      reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
        /v "$face" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei'
    done
    "$VRIX_WINESERVER" -w
    vrix_prefix_mark >"$WINEPREFIX/.vrix-ready"
  ) 9>"$(dirname "$WINEPREFIX")/.wineprefix.lock"
}

# Starts the prefix's wineserver, kept alive for PERSIST seconds after its
# last program ends (for ever without an argument), and with it Wine's own
# background programs, with no terminal or pipe attached. Otherwise they
# start with the first test and hold its output pipe open, and CTest waits
# for them to end after every test. Does nothing while a server runs.
vrix_start_wine_session() {
  "$VRIX_WINESERVER" "-p${1:-}" </dev/null >/dev/null 2>&1 || return 0
  "$VRIX_WINE64" cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
}

vrix_stop_wine_session() {
  "$VRIX_WINESERVER" -k 2>/dev/null || true
}

# True when 32-bit Windows programs really run in the prefix: a 32-bit cmd
# started by 32-bit Wine reports an x86 processor.
vrix_probe_32bit() {
  [ -x "$VRIX_WINE32" ] || return 1
  local arch
  arch=$("$VRIX_WINE32" cmd /c 'echo %PROCESSOR_ARCHITECTURE%' </dev/null 2>/dev/null | tr -d '\r')
  [ "$arch" = x86 ]
}
