#!/usr/bin/env bash
# Static checks of the 32-bit product, which these machines cannot run:
#   check_product.sh OBJDUMP EXE ALLOWLIST SOURCE_DIR
# - it loads on Windows XP SP3: OS and subsystem version at most 5.1, GUI;
# - ASLR (with relocations to make it real) and DEP are on;
# - no link time stamp and no build paths inside; a well-formed manifest;
# - it imports exactly the functions of the committed allowlist, each one
#   exported by Windows XP SP3's own DLLs, and no other DLL.
set -euo pipefail
objdump=$1 exe=$2 allowlist=$3 source_dir=$4
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
headers=$("$objdump" -p "$exe")
field() { awk -v f="$1" '$1 == f { print $2; exit }' <<<"$headers"; }

[ "$(field MajorOSystemVersion).$(field MinorOSystemVersion)" = 5.1 ] || fail "OS version is not 5.1"
[ "$(field MajorSubsystemVersion).$(field MinorSubsystemVersion)" = 5.1 ] || fail "subsystem version is not 5.1"
[ "$(field Subsystem)" = 00000002 ] || fail "not a GUI program"
[ "$(field Magic)" = 010b ] || fail "not a 32-bit (PE32) program"
characteristics=$((16#$(field DllCharacteristics)))
(( characteristics & 0x40 )) || fail "no ASLR (DYNAMIC_BASE)"
(( characteristics & 0x100 )) || fail "no DEP (NX_COMPAT)"
grep -q 'Base Relocation Directory \[\.reloc\]' <<<"$headers" || fail "no relocations: ASLR cannot move it"
grep -q $'^Time/Date\t\tThu Jan  1 00:00:00 1970' <<<"$headers" || fail "carries a link time stamp"
if grep -a -q -F "$source_dir" "$exe"; then fail "contains the build path $source_dir"; fi
# Windows refuses to start a program whose manifest is not well-formed XML.
xmllint --noout "$source_dir/Installer/resources/VRIXSetup.manifest" || fail "the manifest is not well-formed"

imports=$(awk '/DLL Name:/ { dll = $3 } dll && NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print dll, $3 }' <<<"$headers" | sort)
allowed=$(grep -v -e '^#' -e '^$' "$allowlist" | sort)
extra=$(comm -23 <(echo "$imports") <(echo "$allowed"))
gone=$(comm -13 <(echo "$imports") <(echo "$allowed"))
[ -z "$extra" ] || fail "imports not on the allowlist (check they exist on XP SP3, then add them):"$'\n'"$extra"
[ -z "$gone" ] || fail "allowlist entries no longer imported (remove them):"$'\n'"$gone"
dlls=$(awk '/DLL Name:/ { print toupper($3) }' <<<"$headers" | sort -u | tr '\n' ' ')
[ "$dlls" = "ADVAPI32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL USER32.DLL " ] || fail "imports DLLs other than Windows' own: $dlls"

echo "$(wc -l <<<"$imports") imports, all on the allowlist; $(stat -c %s "$exe") bytes"
[ "$failures" -eq 0 ]
