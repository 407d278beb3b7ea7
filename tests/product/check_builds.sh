#!/usr/bin/env bash
# Builds the 32-bit product from scratch in three other folders:
# - two plain builds must be byte-identical to each other and to the preset
#   build (no time stamps, no build paths, fixed cabinet dates);
# - a build signed with a throwaway self-signed certificate made here must
#   pass `osslsigncode verify` against that certificate, and one with a wrong
#   password must leave no program and say so in one line;
# - VRIX_PAYLOAD_CAB refuses a missing file and a file that is no cabinet,
#   and embeds a supplied cabinet as it is.
#   check_builds.sh SOURCE_DIR PRESET_EXE WORK_DIR
set -euo pipefail
source_dir=$1 preset_exe=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
build() {  # build DIR [cmake options...]
  local dir=$1
  shift
  cmake -G Ninja -S "$source_dir" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel "$@" >"$dir.log" 2>&1
  cmake --build "$dir" -j 2 >>"$dir.log" 2>&1 || { cat "$dir.log"; exit 1; }
}

build "$work/first"
build "$work/second with space"
cmp "$work/first/VRIXSetup.exe" "$work/second with space/VRIXSetup.exe"
cmp "$work/first/VRIXSetup.exe" "$preset_exe"
echo "reproducible: two clean builds and the preset build are identical ($(stat -c %s "$preset_exe") bytes)"

keys=$work/keys
mkdir -p "$keys"
openssl rand -hex 16 >"$keys/password"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=VRIX Test Code Signing" \
        -addext "extendedKeyUsage=codeSigning" -keyout "$keys/key.pem" -out "$keys/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$keys/key.pem" -in "$keys/cert.pem" -out "$keys/signing.p12" \
        -passout "file:$keys/password"
# A wrong password leaves no program behind, and says so in one line.
echo wrong >"$keys/wrong"
if (build "$work/signed" -DVRIX_SIGN_PKCS12="$keys/signing.p12" -DVRIX_SIGN_PASSWORD_FILE="$keys/wrong") >/dev/null; then
  echo "a build signed with a wrong password succeeded"; exit 1
fi
[ ! -e "$work/signed/VRIXSetup.exe" ] || { echo "a failed signing left VRIXSetup.exe behind"; exit 1; }
grep -q '^Signing failed, so VRIXSetup.exe was removed: Failed to parse PKCS#12 file: .*Wrong password' "$work/signed.log" ||
  { echo "no one-line message for a wrong password:"; cat "$work/signed.log"; exit 1; }
build "$work/signed" -DVRIX_SIGN_PKCS12="$keys/signing.p12" -DVRIX_SIGN_PASSWORD_FILE="$keys/password"
osslsigncode verify -CAfile "$keys/cert.pem" -in "$work/signed/VRIXSetup.exe" >"$work/verify.log" 2>&1 \
  || { cat "$work/verify.log"; exit 1; }
grep -q 'Signature verification: ok' "$work/verify.log" || { cat "$work/verify.log"; exit 1; }
grep -q -i 'sha256' "$work/verify.log" || { echo "not signed with SHA-256"; cat "$work/verify.log"; exit 1; }
if cmp -s "$work/signed/VRIXSetup.exe" "$preset_exe"; then echo "the signed build carries no signature"; exit 1; fi
echo "signed: osslsigncode verifies the SHA-256 signature"

refused() {  # refused DIR MESSAGE FILE: configuring with FILE as the cabinet must stop with MESSAGE
  if cmake -G Ninja -S "$source_dir" -B "$1" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-i686.cmake" \
           -DVRIX_PAYLOAD_CAB="$3" >"$1.log" 2>&1; then
    echo "a build with VRIX_PAYLOAD_CAB=$3 was not refused"; exit 1
  fi
  grep -q "$2" "$1.log" || { echo "no clear message for VRIX_PAYLOAD_CAB=$3:"; cat "$1.log"; exit 1; }
}
refused "$work/missing-cab" "no such file" "$work/no-such.cab"
echo "not a cabinet" >"$work/not-a-cab.cab"
refused "$work/not-a-cab" "not a Microsoft Cabinet" "$work/not-a-cab.cab"
# A supplied cabinet (here: a different one made with gcab) is embedded byte for byte.
printf 'maker payload\n' >"$work/maker.txt"
gcab --create --zip --nopath "$work/maker.cab" "$work/maker.txt"
build "$work/maker" -DVRIX_PAYLOAD_CAB="$work/maker.cab"
hex() { od -An -v -tx1 "$1" | tr -d ' \n'; }
[[ $(hex "$work/maker/VRIXSetup.exe") == *"$(hex "$work/maker.cab")"* ]] ||
  { echo "the supplied cabinet is not embedded byte for byte"; exit 1; }
size=$(stat -c %s "$work/maker.cab")
echo "VRIX_PAYLOAD_CAB: refuses a missing file and a non-cabinet, embeds a supplied cabinet ($size bytes)"
rm -rf "$work"
