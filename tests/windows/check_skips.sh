#!/usr/bin/env bash
# Checks the skipped tests of a CTest log against skips.txt: fails on a test
# skipped that the list does not name (on a runner without administrator
# rights, or where the wizard cannot come to the foreground, tests skip for
# that alone, and the run must not pass as if they had run), and on a line of
# the list that no skipped test matched (the list has gone stale).
#   check_skips.sh CTEST_LOG [LIST]
set -euo pipefail
log=$1
list=${2:-$(dirname "$0")/skips.txt}
if ! grep -qE 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log"; then
  echo "check_skips: $log holds no CTest totals" >&2
  exit 1
fi
patterns=()
while IFS= read -r line; do
  line=${line%%#*}
  line=${line%"${line##*[![:space:]]}"}
  [ -n "$line" ] && patterns+=("$line")
done <"$list"
matched=() bad=0
# CTest ends its log with "  12 - Name (Skipped)" for each skipped test.
while IFS= read -r name; do
  listed=0
  for i in "${!patterns[@]}"; do
    # shellcheck disable=SC2053  # the list holds shell patterns
    if [[ $name == ${patterns[$i]} ]]; then
      listed=1
      matched[i]=1
    fi
  done
  if [ "$listed" = 1 ]; then
    echo "check_skips: skipped as listed: $name"
  else
    echo "check_skips: skipped, and not in $list: $name" >&2
    bad=1
  fi
done < <(sed -nE 's/^[[:space:]]*[0-9]+ - (.+) \(Skipped\)\r?$/\1/p' "$log")
for i in "${!patterns[@]}"; do
  if [ -z "${matched[i]:-}" ]; then
    echo "check_skips: listed, and no test skipped as it: ${patterns[$i]}" >&2
    bad=1
  fi
done
[ "$bad" = 0 ]
