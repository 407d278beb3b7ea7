#!/usr/bin/env bash
# The device cabinet: a Microsoft Cabinet with MSZIP compression that
# cabextract and gcab both list, whose _setup.xml is well-formed XML and
# extracts only files that the cabinet holds.
set -euo pipefail
cab=$1
fail() { echo "FAIL: $*" >&2; exit 1; }

[ "$(head -c 4 "$cab")" = MSCF ] || fail "no MSCF signature"
cabextract -l "$cab" >/dev/null || fail "cabextract cannot list it"
gcab -t "$cab" >/dev/null || fail "gcab cannot list it"
# CFFOLDER.typeCompress, at offset 42 right after the 36-byte header: 1 is MSZIP.
compress=$(od -An -tu2 -j 42 -N 2 "$cab" | tr -d ' ')
[ "$compress" = 1 ] || fail "folder compression is $compress, not MSZIP (1)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cabextract -q -d "$work" "$cab" || fail "cabextract cannot extract it"
[ -f "$work/_setup.xml" ] || fail "no _setup.xml in the cabinet"
xmllint --noout "$work/_setup.xml" || fail "_setup.xml is not well-formed"

listed=$(gcab -t "$cab")
sources=$(xmllint --xpath '//characteristic[@type="Extract"]/parm[@name="Source"]/@value' "$work/_setup.xml" \
          | sed -E 's/ ?value="([^"]*)"/\1\n/g' | sed '/^$/d')
[ -n "$sources" ] || fail "_setup.xml extracts no file"
while IFS= read -r s; do
  grep -qixF "$s" <<<"$listed" || fail "_setup.xml extracts $s, which the cabinet does not hold"
done <<<"$sources"
echo "cabinet OK: $(wc -c <"$cab") bytes, $(wc -l <<<"$listed") files, extracts: $(echo $sources)"
