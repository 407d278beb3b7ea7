#!/usr/bin/env bash
# Static checks of 32-bit builds of the product (the GCC build, and the same
# sources built by clang):
#   check_product.sh OBJDUMP READOBJ ALLOWLIST SOURCE_DIR EXE...
# For each EXE:
# - it loads on Windows XP SP3: OS and subsystem version at most 5.1, GUI;
# - ASLR (with relocations to make it real) and DEP are on, and it is marked
#   NO_SEH, so that no address of it passes for an exception handler;
# - its entry point sets the stack guard before it calls anything of the
#   program or the runtime, and functions read it to check it;
# - no link time stamp and no build paths inside;
# - it imports only functions of the committed allowlist, each one exported
#   by Windows XP SP3's own DLLs: from kernel32 and the C runtime when it
#   starts, and from user32, gdi32 and advapi32 delay-loaded, as its PE
#   header lists them (READOBJ is llvm-readobj).
# And once: a well-formed manifest; given both builds, no allowlist entry
# that neither imports.
set -euo pipefail
objdump=$1 readobj=$2 allowlist=$3 source_dir=$4
shift 4
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
allowed=$(grep -v -e '^#' -e '^$' "$allowlist" | sort)
all_imports=

for exe in "$@"; do
  headers=$("$objdump" -p "$exe")
  field() { awk -v f="$1" '$1 == f { print $2; exit }' <<<"$headers"; }
  [ "$(field MajorOSystemVersion).$(field MinorOSystemVersion)" = 5.1 ] || fail "$exe: OS version is not 5.1"
  [ "$(field MajorSubsystemVersion).$(field MinorSubsystemVersion)" = 5.1 ] || fail "$exe: subsystem version is not 5.1"
  [ "$(field Subsystem)" = 00000002 ] || fail "$exe: not a GUI program"
  [ "$(field Magic)" = 010b ] || fail "$exe: not a 32-bit (PE32) program"
  characteristics=$((16#$(field DllCharacteristics)))
  (( characteristics & 0x40 )) || fail "$exe: no ASLR (DYNAMIC_BASE)"
  (( characteristics & 0x100 )) || fail "$exe: no DEP (NX_COMPAT)"
  grep -q 'Base Relocation Directory \[\.reloc\]' <<<"$headers" || fail "$exe: no relocations: ASLR cannot move it"
  (( characteristics & 0x400 )) || fail "$exe: not marked NO_SEH: an overwritten stack record may name any address of it as a handler"
  code=$("$objdump" -d --no-show-raw-insn "$exe")
  # A frame-based handler is registered by writing the head of the list at
  # %fs:0; NO_SEH would leave it uncalled.
  if grep -q -E ',%fs:0x0$' <<<"$code"; then fail "$exe: registers a frame-based exception handler, which NO_SEH leaves uncalled"; fi
  # The stack guard: what the entry point's code writes last before its
  # first direct call or jump (into the runtime), at an absolute address
  # (GCC) or through a pointer read from one (clang reaches data of another
  # file through such a pointer). Calls through the import table
  # (call *0x...) may come before.
  entry=$((16#$(field ImageBase) + 16#$(field AddressOfEntryPoint)))
  entry_code=$("$objdump" -d --no-show-raw-insn --start-address=$entry --stop-address=$((entry + 256)) "$exe" |
    awk '/\t(call|jmp) +0x/ { exit } { print }')
  guard=$(awk '
    /\tmov +%e[a-z]+,0x[0-9a-f]+$/ { sub(/.*,/, ""); guard = $0 }
    /\tmov +0x[0-9a-f]+,%e[a-z]+$/ { split($NF, op, ","); pointer[op[2]] = op[1] }
    /\tmov +%e[a-z]+,\(%e[a-z]+\)$/ { reg = $NF; sub(/.*\(/, "", reg); sub(/\)/, "", reg)
                                      if (reg in pointer) guard = pointer[reg] }
    END { print guard }' <<<"$entry_code")
  checks=0
  if [ -z "$guard" ]; then
    fail "$exe: its entry point sets no stack guard before it calls the runtime"
  else
    # Each function with a stack check reads it (or the pointer to it) as it
    # starts, and again before it returns.
    reads() { grep -c -E "[[:space:]]$guard," || true; }
    checks=$(( $(reads <<<"$code") - $(reads <<<"$entry_code") ))
    [ "$checks" -ge 2 ] || fail "$exe: no function checks the stack guard at $guard"
  fi
  # The raw field: objdump and llvm-readobj print the date itself in local time.
  "$readobj" --file-headers "$exe" | grep -q -E '^ *TimeDateStamp: .*\(0x0\)$' || fail "$exe: carries a link time stamp"
  if grep -a -q -F "$source_dir" "$exe"; then fail "$exe: contains the build path $source_dir"; fi

  # "static DLL FUNCTION" or "delayed DLL FUNCTION", one a line.
  listed=$("$readobj" --coff-imports "$exe" | awk '
    /^Import \{/ { kind = "static" } /^DelayImport \{/ { kind = "delayed" }
    /^  Name: / { dll = $2 } /Symbol: / { print kind, dll, $2 }')
  imports=$(awk '{ print $2, $3 }' <<<"$listed" | sort)
  extra=$(comm -23 <(echo "$imports") <(echo "$allowed"))
  [ -z "$extra" ] || fail "$exe imports functions not on the allowlist (check they exist on XP SP3, then add them):"$'\n'"$extra"
  dlls() { awk -v k="$1" '$1 == k { print toupper($2) }' <<<"$listed" | sort -u | tr '\n' ' '; }
  # Only Known DLLs load before the entry has locked the DLL search.
  [ "$(dlls static)" = "KERNEL32.DLL MSVCRT.DLL " ] || fail "$exe imports other DLLs when it starts: $(dlls static)"
  [ "$(dlls delayed)" = "ADVAPI32.DLL GDI32.DLL USER32.DLL " ] || fail "$exe delay-loads other DLLs than Windows' own user32, gdi32 and advapi32: $(dlls delayed)"
  all_imports+=$imports$'\n'
  echo "$exe: $(wc -l <<<"$imports") imports, all on the allowlist (at start: $(dlls static); delayed: $(dlls delayed)); stack guard at ${guard:-none} set by the entry point, read $checks times; $(stat -c %s "$exe") bytes"
done

# Windows refuses to start a program whose manifest is not well-formed XML.
xmllint --noout "$source_dir/Installer/resources/VRIXSetup.manifest" || fail "the manifest is not well-formed"
if [ $# -ge 2 ]; then
  gone=$(comm -13 <(sort -u <<<"$all_imports" | sed '/^$/d') <(echo "$allowed"))
  [ -z "$gone" ] || fail "allowlist entries that no build imports any more (remove them):"$'\n'"$gone"
fi
[ "$failures" -eq 0 ]
