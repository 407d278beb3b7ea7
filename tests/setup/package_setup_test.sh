#!/usr/bin/env bash
# The set-up's package step on a day when the mirror is mid-sync. A broken
# mirror cannot be had at will, so apt-get, dpkg-query, dpkg, id and cmake
# are stand-ins placed first on PATH: they keep their "package database" in
# a scratch folder and never touch the real one. The host's own probes (does
# the kernel run 32-bit code, does 32-bit Wine run) are stood in for too.
#   package_setup_test.sh SOURCE_DIR
set -u
src=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED ($scenario): $*"; failures=$((failures + 1)); }

mkdir -p "$work/bin"
cat >"$work/bin/apt-get" <<'EOF'
#!/usr/bin/env bash
# The mirror of the day: the i386 list of the security suite is always the
# wrong size. STANDIN_I386 says how the i386 set installs: "with-target"
# (only with the main suite as target release), "with-pins" (only with the
# amd64 partner libfoo, installed at 1.1, taken back to the main suite's 1.0)
# or "never"; STANDIN_BROKEN names an amd64 package that never installs.
echo "apt-get $*" >>"$STANDIN/apt.log"
options=" $* "
if [ "$1" = update ]; then
  echo 'E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 203.0.113.80 80]' >&2
  echo 'E: Some index files failed to download. They have been ignored, or old ones used instead.' >&2
  exit 100
fi
packages=() target=
shift
while [ $# -gt 0 ]; do
  case $1 in
    -t) target=$2; shift ;;
    -*) ;;
    *) packages+=("$1") ;;
  esac
  shift
done
unmet() {
  echo 'The following packages have unmet dependencies:'
  echo " $1 : Depends: libgstreamer-plugins-base1.0-0:i386 (>= 1.0.0) but it is not installable"
  echo '              Depends: zlib1g:i386 (>= 1:1.1.4) but it is not going to be installed'
  echo 'E: Unable to correct problems, you have held broken packages.'
  exit 100
}
pinned=
[[ $options == *" --allow-downgrades "* && " ${packages[*]} " == *" libfoo=1.0 libfoo:i386=1.0 "* ]] && pinned=1
for p in "${packages[@]}"; do
  [ "$p" = "${STANDIN_BROKEN:-}" ] && unmet "$p"
  case $p:${STANDIN_I386:-}:$target:$pinned in
    *:i386:never:* | *:i386:with-target::* | *:i386:with-pins:*:) unmet libwine:i386 ;;
  esac
done
for p in "${packages[@]}"; do touch "$STANDIN/installed/$p"; done
EOF
cat >"$work/bin/apt-cache" <<'EOF'
#!/usr/bin/env bash
# What 32-bit Wine needs is libfoo:i386, whose newest build is 1.0.
case $1 in
  depends) printf 'wine32:i386\n  Depends: libfoo:i386\nlibfoo:i386\n' ;;
  madison) [ "$2" = libfoo:i386 ] && echo ' libfoo:i386 |        1.0 | http://deb.debian.org/debian bookworm/main i386 Packages' ;;
esac
exit 0
EOF
cat >"$work/bin/dpkg-query" <<'EOF'
#!/usr/bin/env bash
# dpkg-query -W -f='${Status}' PACKAGE, or -f='${Version}' (the file's text)
[ -e "$STANDIN/installed/${!#}" ] || { echo "dpkg-query: no packages found matching ${!#}" >&2; exit 1; }
case $* in
  *Version*) cat "$STANDIN/installed/${!#}" ;;
  *) printf 'install ok installed' ;;
esac
EOF
cat >"$work/bin/dpkg" <<'EOF'
#!/usr/bin/env bash
[ "$1" = --compare-versions ] && exec /usr/bin/dpkg "$@"
echo "dpkg $*" >>"$STANDIN/apt.log"
EOF
printf '#!/bin/sh\necho 0\n' >"$work/bin/id"
printf '#!/bin/sh\necho "cmake $*" >>"$STANDIN/cmake.log"\n' >"$work/bin/cmake"
chmod +x "$work/bin"/*
echo 'VERSION_CODENAME=bookworm' >"$work/os-release"

# set_up NAME: runs the set-up's package step, the 32-bit decision and the
# builds, as scripts/run, scripts/test and scripts/bench do, in a database
# that lacks gcab and the i386 set. Leaves the output in $out and the exit
# code in $code.
set_up() {
  export STANDIN="$work/$1"
  mkdir -p "$STANDIN/installed" "$STANDIN/tree"
  ln -s "$src/scripts" "$STANDIN/tree/scripts"  # builds nothing in the real build/
  (
    . "$src/scripts/lib/setup.sh"
    for p in "${VRIX_PACKAGES[@]}"; do [ "$p" = gcab ] || touch "$STANDIN/installed/$p"; done
  )
  echo 1.1 >"$STANDIN/installed/libfoo:amd64"
  # Whatever the caller's environment says (VRIX_NO_32BIT=1 and VRIX_VM=1
  # among it). STANDIN_KERNEL_32BIT=0 is a kernel that runs no 32-bit code:
  # the product's tests then go to the virtual machine, whose kernel is not
  # fetched here.
  out=$(cd "$STANDIN/tree" && env -u VRIX_NO_32BIT -u VRIX_VM PATH="$work/bin:$PATH" VRIX_OS_RELEASE="$work/os-release" \
    VRIX_APT_RETRY_SECONDS=0 VRIX_WINE32=/bin/true bash -c 'set -euo pipefail
             . scripts/lib/setup.sh
             vrix_kernel_runs_32bit() { [ "${STANDIN_KERNEL_32BIT:-1}" = 1 ]; }
             vrix_probe_32bit() { vrix_kernel_runs_32bit && [ -e "$STANDIN/installed/wine32:i386" ]; }
             vrix_vm_prepare() { [ -e "$STANDIN/installed/qemu-system-x86" ]; }
             vrix_install_packages
             vrix_decide_32bit
             vrix_decide_vm
             vrix_build_trees
             echo "32-bit: $VRIX_RUNS_32BIT ${VRIX_NO_32BIT_REASON:-}"
             echo "in the virtual machine: $VRIX_PRODUCT_IN_VM"' 2>&1)
  code=$?
}
expect_line() {  # expect_line REGEX: exactly one line of the output matches
  [ "$(grep -c -E -- "$1" <<<"$out")" -eq 1 ] || fail "no single line matching '$1' in:"$'\n'"$out"
}
installed() { [ -e "$STANDIN/installed/$1" ]; }
built() { grep -q -x -F -- "cmake --build --preset $1 -j $(nproc)${2:+ --target $2}" "$STANDIN/cmake.log" 2>/dev/null; }

scenario="update fails, 32-bit Wine pairs with the main suite's versions"
STANDIN_I386=with-target set_up pairs
[ "$code" -eq 0 ] || fail "the set-up ended with $code:"$'\n'"$out"
expect_line '^Package lists: could not fetch http://deb\.debian\.org/debian-security/dists/bookworm-security/main/binary-i386/Packages\.xz \(File has unexpected size \(374820 != 376004\)\. Mirror sync in progress\?\), after 3 tries; going on'
[ "$(grep -c '^apt-get update' "$STANDIN/apt.log")" -eq 3 ] || fail "apt-get update was not tried three times"
installed gcab || fail "gcab, the missing package, was not installed"
installed wine32:i386 || fail "32-bit Wine was not installed"
grep -q -- '-t bookworm .*gcab.*wine32:i386' "$STANDIN/apt.log" || fail "the two sets were not installed together from the main suite"
expect_line '^32-bit: 1 $'
built win32 || fail "the 32-bit tree was not built with its tests"

scenario="update fails, an amd64 partner of 32-bit Wine came from the other suite"
STANDIN_I386=with-pins set_up pins
[ "$code" -eq 0 ] || fail "the set-up ended with $code:"$'\n'"$out"
installed wine32:i386 || fail "32-bit Wine was not installed"
expect_line '^Installed .* taken back to them: libfoo=1\.0 libfoo:i386=1\.0\.$'
expect_line '^32-bit: 1 $'

scenario="the kernel runs no 32-bit code: the product's tests go to the virtual machine"
STANDIN_KERNEL_32BIT=0 STANDIN_I386=with-target set_up vm
[ "$code" -eq 0 ] || fail "the set-up ended with $code:"$'\n'"$out"
grep -q -- '-t bookworm .*wine32:i386.*qemu-system-x86 busybox-static' "$STANDIN/apt.log" ||
  fail "the virtual machine's packages were not installed with 32-bit Wine"
expect_line '^32-bit: 0 this host cannot run 32-bit code \(its kernel refuses 32-bit programs\)$'
expect_line '^in the virtual machine: 1$'
built win32 || fail "the 32-bit tree was not built with its tests"
built clang-win64 || fail "the clang-built twin was not built"

scenario="update fails, 32-bit Wine cannot be installed"
STANDIN_I386=never set_up twin_only
[ "$code" -eq 0 ] || fail "the set-up ended with $code:"$'\n'"$out"
installed gcab || fail "gcab, the missing package, was not installed"
installed wine32:i386 && fail "32-bit Wine was installed"
expect_line '^32-bit Wine could not be installed \(libwine:i386 : Depends: libgstreamer-plugins-base1\.0-0:i386 \(>= 1\.0\.0\) but it is not installable\): only the 64-bit twin will run'
expect_line '^32-bit: 0 32-bit Wine could not be installed \(libwine:i386 '
built win32 VRIXSetup || fail "the 32-bit tree did not build the product alone"
built clang-win64 || fail "the clang-built twin was not built"

scenario="a package the build needs cannot be installed"
STANDIN_I386=with-target STANDIN_BROKEN=gcab set_up broken
[ "$code" -ne 0 ] || fail "the set-up went on without gcab"
expect_line '^Could not install what the build needs: gcab \(gcab : Depends: '
[ -e "$STANDIN/cmake.log" ] && fail "it built without gcab"

[ "$failures" -eq 0 ] && echo "The package set-up goes on past a failed list and a failed 32-bit Wine, pairs 32-bit Wine with partners from either suite, sends the product to the virtual machine where the kernel runs no 32-bit code, and stops on a missing build tool."
exit $((failures > 0))
