# Sourced by the scripts: the private Wine prefix under build/ and how to run
# a Windows program in it with 64-bit Wine.
VRIX_ROOT=${VRIX_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
export WINEPREFIX=${VRIX_WINEPREFIX:-$VRIX_ROOT/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
VRIX_WINE64=/usr/lib/wine/wine64
[ -x "$VRIX_WINE64" ] || VRIX_WINE64=$(command -v wine64 || command -v wine)
VRIX_WINESERVER=/usr/lib/wine/wineserver
[ -x "$VRIX_WINESERVER" ] || VRIX_WINESERVER=$(command -v wineserver)

# Creates the prefix once (under a lock, as tests may start together) and
# sets what the tests rely on: no window manager wait at exit, crashes end
# at once with their exception code instead of starting the debugger, and
# a CJK font behind the dialog fonts so the Chinese texts render.
vrix_ensure_prefix() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    [ -f "$WINEPREFIX/.vrix-ready" ] && exit 0
    rm -rf "$WINEPREFIX"
    "$VRIX_WINE64" wineboot --init >/dev/null 2>&1
    "$VRIX_WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    "$VRIX_WINE64" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d 'no-such-debugger.exe' /f >/dev/null 2>&1
    "$VRIX_WINE64" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /d 1 /f >/dev/null 2>&1
    "$VRIX_WINE64" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    for face in 'MS Sans Serif' 'MS Shell Dlg' 'Tahoma' 'Microsoft Sans Serif'; do
      "$VRIX_WINE64" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
        /v "$face" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
    done
    "$VRIX_WINESERVER" -w
    touch "$WINEPREFIX/.vrix-ready"
  ) 9>"$(dirname "$WINEPREFIX")/.wineprefix.lock"
}
