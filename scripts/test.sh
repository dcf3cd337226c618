#!/usr/bin/env bash
# Builds every preset and runs every test: the native build (portable code
# under ASan and UBSan), the fuzz smoke run, the Windows build under Wine,
# and the release build with its package, unpacked and tried under Wine.
# The Windows build is the 32-bit one (win32) where this host runs 32-bit
# x86 programs, else the same code and tests as 64-bit code under 64-bit
# Wine (win64); the package is then built and checked, and the checks that
# would run its 32-bit programs are skipped. TESSEL_WINDOWS=win64 takes the
# 64-bit path on any host.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/host-check.sh
echo "test.sh: $windows_line"

jobs=$(nproc)
status=0

cmake --preset native >/dev/null
cmake --build --preset native -j"$jobs"
ctest --preset native || status=1

if [ -f fuzz/CMakeLists.txt ]; then
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j"$jobs"
  ctest --preset fuzz || status=1
fi

for preset in "$windows" release; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
  ctest --preset "$preset" || status=1
  WINEPREFIX="$PWD/build/$preset/wineprefix" wineserver -k 2>/dev/null || true
done

echo "test.sh: $windows_line"
exit $status
