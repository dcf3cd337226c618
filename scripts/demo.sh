#!/usr/bin/env bash
# The main job: a HotSync of the bundled example handheld through the
# Ledgerly conduit. Builds the 32-bit Windows preset when needed, registers
# Tessel20.dll with the HotSync manager stand-in through the installer,
# runs `hotsync sync` on a scratch copy of the example handheld and prints
# the HotSync log and the five reports.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/setup.sh

build=$root/build/win32
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset win32 >/dev/null
fi
cmake --build "$build" -j2 --target Tessel20 TesselSetup setup-driver hotsync example_handheld >/dev/null

run() { "$build/wine-run" "$@"; }
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

# A scratch handheld, so the repository's example stays as it is.
demo=$build/demo
rm -rf "$demo"
mkdir -p "$demo/handheld" "$demo/desktop"
cp "$build/examples/handheld/"*.pdb "$build/examples/handheld/User.txt" "$demo/handheld/"

# Register the conduit through the real installer: setup-driver starts
# TesselSetup.exe beside install.ini, presses Install, answers Yes to its
# questions (replacing an earlier registration) and presses Quit.
echo "=== TesselSetup"
run "$build/bin/setup-driver.exe" install "$(winpath "$build/bin")" --create-key
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
exit $status
