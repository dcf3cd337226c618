#!/usr/bin/env bash
# Builds every preset and runs every test: the native build (portable code
# under ASan and UBSan), the fuzz smoke run, the 32-bit Windows build under
# Wine, and the release build with its package, unpacked and tried under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

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

cmake --preset win32 >/dev/null
cmake --build --preset win32 -j"$jobs"
ctest --preset win32 || status=1
WINEPREFIX="$PWD/build/win32/wineprefix" wineserver -k 2>/dev/null || true

cmake --preset release >/dev/null
cmake --build --preset release -j"$jobs"
ctest --preset release || status=1
WINEPREFIX="$PWD/build/release/wineprefix" wineserver -k 2>/dev/null || true

exit $status
