#!/bin/sh
# The release's files of one architecture as a host developer checks them:
# the DLL and the installer verify with osslsigncode, copies changed after
# signing do not; SHA256SUMS holds; the SDK has the headers, type libraries
# and samples, and every file its sample server includes.
#
#   release_files.sh x86|x64     (KVR_RELEASE_DIR names dist/<version>;
#                                 KVR_SIGN_CA the signing certificates when
#                                 the release has no test-certificate.pem)
set -eu
arch=$1
dir=${KVR_RELEASE_DIR:?names dist/<version>}
version=$(basename "$dir")
name=KVRCmnCameraControlUI
ca=${KVR_SIGN_CA:-$dir/test-certificate.pem}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failed=0
check() { # expected-status description command...
  expected=$1 what=$2
  shift 2
  if "$@" >"$tmp/log" 2>&1; then status=0; else status=1; fi
  if [ $status -eq "$expected" ]; then
    echo "ok: $what"
  else
    echo "FAILED: $what"
    cat "$tmp/log"
    failed=1
  fi
}

dll=$dir/$arch/$name.dll
msi=$dir/$name-$version-$arch.msi
check 0 "the DLL's signature verifies" osslsigncode verify -CAfile "$ca" -in "$dll"
check 0 "the installer's signature verifies" osslsigncode verify -CAfile "$ca" -in "$msi"
# One byte in the middle of the DLL, one property of the installer.
cp "$dll" "$tmp/changed.dll"
middle=$(($(wc -c <"$dll") / 2))
byte=$(od -An -tu1 -j $middle -N 1 "$dll" | tr -d ' ')
printf "\\$(printf %o $(((byte + 1) % 256)))" |
  dd of="$tmp/changed.dll" bs=1 seek=$middle conv=notrunc 2>/dev/null
cp "$msi" "$tmp/changed.msi"
msibuild "$tmp/changed.msi" -q "UPDATE \`Property\` SET \`Value\` = 'Else' WHERE \`Property\` = 'Manufacturer'"
check 1 "a DLL changed after signing does not verify" osslsigncode verify -CAfile "$ca" -in "$tmp/changed.dll"
check 1 "an installer changed after signing does not verify" \
  osslsigncode verify -CAfile "$ca" -in "$tmp/changed.msi"
check 0 "SHA256SUMS holds" sh -c "cd '$dir' && sha256sum --check --quiet SHA256SUMS"

unzip -q "$dir/$name-$version-sdk.zip" -d "$tmp"
sdk=$tmp/$name-$version-sdk
missing=
for file in README.md docs/integration.md samples/host.exe.manifest samples/embedding.cpp \
  idl/CameraControlFN.idl idl/HostFramework.idl idl/CameraControlFNLib.idl idl/$name.idl \
  include/CameraControlFN.h include/HostFramework.h include/CameraControlFNLib.h include/$name.h \
  typelib/$arch/$name.tlb typelib/$arch/CameraControlFNLib.tlb; do
  [ -s "$sdk/$file" ] || missing="$missing $file"
done
check 0 "the SDK has its guide, samples, IDL, headers and type libraries${missing:+ (not:$missing)}" \
  test -z "$missing"
missing=
for file in $(cd "$sdk/samples/server" && find . -type f); do
  for include in $(sed -n 's/^#include "\([^"]*\)"/\1/p' "$sdk/samples/server/$file"); do
    [ -f "$sdk/samples/server/$include" ] || [ -f "$sdk/include/$include" ] ||
      missing="$missing $file:$include"
  done
done
check 0 "the sample server's includes are in the SDK${missing:+ (not:$missing)}" test -z "$missing"
exit $failed
