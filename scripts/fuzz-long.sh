#!/usr/bin/env bash
# A long fuzz run: every target (or those named) for SECONDS each, one after
# the other on one core, each over a working copy of its seed corpus in
# build/fuzz/long/<name>. Prints the executions per target; a crash leaves
# its input in build/fuzz/long/ and fails the script.
#   scripts/fuzz-long.sh [SECONDS] [TARGET...]
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(records pdb escapes columns properties registry_export installer_text)

cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j2 >/dev/null || exit 1
work=build/fuzz/long
mkdir -p "$work"
status=0
printf '%-16s %12s %8s %10s %s\n' target executions seconds "exec/s" result
for t in "${targets[@]}"; do
  mkdir -p "$work/$t"
  cp -n fuzz/corpus/"$t"/* "$work/$t/" 2>/dev/null
  log="$work/$t.log"
  build/fuzz/bin/fuzz_"$t" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="$work/$t-" "$work/$t" >"$log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log" | tail -1)
  [ -z "$took" ] && took=$seconds
  result=ok
  [ $rc -ne 0 ] && result="FAILED (see $log)" && status=1
  printf '%-16s %12s %8s %10s %s\n' "$t" "${runs:-?}" "$took" "$(( ${runs:-0} / (took > 0 ? took : 1) ))" "$result"
done
exit $status
