#!/usr/bin/env bash
# Fails when a CTest log shows a test skipped that skips.txt does not name:
# on a runner without administrator rights, or where the wizard cannot come
# to the foreground, tests skip for that reason alone, and the run must not
# pass as if they had run.
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
unlisted=0
# CTest ends its log with "  12 - Name (Skipped)" for each skipped test.
while IFS= read -r name; do
  listed=0
  for pattern in "${patterns[@]}"; do
    # shellcheck disable=SC2053  # the list holds shell patterns
    [[ $name == $pattern ]] && listed=1
  done
  if [ "$listed" = 0 ]; then
    echo "check_skips: skipped, and not in $list: $name" >&2
    unlisted=$((unlisted + 1))
  fi
done < <(sed -nE 's/^[[:space:]]*[0-9]+ - (.+) \(Skipped\)\r?$/\1/p' "$log")
[ "$unlisted" = 0 ]
