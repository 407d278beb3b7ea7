#!/usr/bin/env bash
# Builds the 32-bit product from scratch in three other folders:
# - two plain builds must be byte-identical to each other and to the preset
#   build (no time stamps, no build paths, fixed cabinet dates);
# - a build signed with a throwaway self-signed certificate made here must
#   pass `osslsigncode verify` against that certificate.
#   check_builds.sh SOURCE_DIR PRESET_EXE WORK_DIR
set -euo pipefail
source_dir=$1 preset_exe=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
build() {  # build DIR [cmake options...]
  local dir=$1
  shift
  cmake -S "$source_dir" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-i686.cmake" \
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
build "$work/signed" -DVRIX_SIGN_PKCS12="$keys/signing.p12" -DVRIX_SIGN_PASSWORD_FILE="$keys/password"
osslsigncode verify -CAfile "$keys/cert.pem" -in "$work/signed/VRIXSetup.exe" >"$work/verify.log" 2>&1 \
  || { cat "$work/verify.log"; exit 1; }
grep -q 'Signature verification: ok' "$work/verify.log" || { cat "$work/verify.log"; exit 1; }
grep -q -i 'sha256' "$work/verify.log" || { echo "not signed with SHA-256"; cat "$work/verify.log"; exit 1; }
if cmp -s "$work/signed/VRIXSetup.exe" "$preset_exe"; then echo "the signed build carries no signature"; exit 1; fi
echo "signed: osslsigncode verifies the SHA-256 signature"
rm -rf "$work"
