#!/usr/bin/env bash
# The main job: a HotSync of the bundled example handheld through the
# Ledgerly conduit as a Windows user gets it. Builds the release preset and
# its package Tessel-<version>-win32.zip, unpacks the package into a folder,
# registers the unpacked Tessel20.dll with the HotSync manager stand-in by
# running the unpacked TesselSetup.exe (with its install.ini), runs
# `hotsync sync` on a scratch copy of the example handheld and prints the
# HotSync log and the five reports. The stand-ins (hotsync.exe, SYNC20.dll,
# HSLOG20.dll, setup-driver.exe) come from the release build tree; they are
# not part of the package.
# On a host that cannot run 32-bit x86 programs (or with TESSEL_WINDOWS=win64)
# the package is still built, but the unpacked installer, conduit and
# stand-ins are their 64-bit builds (the win64 tree), run under 64-bit Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/setup.sh
source scripts/host-check.sh
if [ "$windows" = win32 ]; then
  echo "=== demo: $finding: the conduit and the installer run as 32-bit code under Wine"
else
  echo "=== demo: $finding: the conduit and the installer run as their 64-bit builds under 64-bit Wine"
fi

cmake --preset release >/dev/null
cmake --build --preset release -j2 --target package >/dev/null
package=$(ls "$root"/build/release/Tessel-*-win32.zip)
build=$root/build/release
if [ "$windows" = win64 ]; then
  build=$root/build/win64
  cmake --preset win64 >/dev/null
  cmake --build --preset win64 -j2 --target TesselSetup Tessel20 tessel-report hotsync setup-driver \
    example_handheld >/dev/null
fi

run() { "$build/wine-run" "$@"; }
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

# The package unpacked as a user unpacks it, and a scratch handheld, so the
# repository's example stays as it is.
demo=$build/demo
rm -rf "$demo"
mkdir -p "$demo/Tessel" "$demo/handheld" "$demo/desktop"
(cd "$demo/Tessel" && cmake -E tar xf "$package")
if [ "$windows" = win64 ]; then
  cp "$build/bin/TesselSetup.exe" "$build/bin/Tessel20.dll" "$build/bin/tessel-report.exe" "$demo/Tessel/"
fi
cp "$build/examples/handheld/"*.pdb "$build/examples/handheld/User.txt" "$demo/handheld/"

# Register the conduit through the package's installer: setup-driver starts
# the unpacked TesselSetup.exe beside its install.ini, presses Install,
# answers Yes to its questions (replacing an earlier registration) and
# presses Quit.
echo "=== TesselSetup ($(basename "$package"))"
run "$build/bin/setup-driver.exe" install "$(winpath "$demo/Tessel")" --create-key \
  --program "$(winpath "$demo/Tessel/TesselSetup.exe")"
echo

status=0
run "$build/bin/hotsync.exe" sync --handheld "$(winpath "$demo/handheld")" \
  --desktop "$(winpath "$demo/desktop")" || status=$?

user_folder="$demo/desktop/Ziduv Vazuv"
show() {
  echo
  echo "=== $1"
  iconv -f WINDOWS-1252 -t UTF-8 "$2" | tr -d '\r'
}
show "HotSync log" "$user_folder/HotSync.log"
# The report file names are settings (install.ini seeds them per language).
for report in "$user_folder/Ledgerly/"*.txt; do
  show "$(basename "$report")" "$report"
done
echo
echo "(files under $user_folder)"
echo "(the 32-bit Windows package: $package)"
exit $status
