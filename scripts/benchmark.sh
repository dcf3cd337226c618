#!/usr/bin/env bash
# Benchmarks by hand (not part of the test run), written to docs/performance.md:
#  1. Google Benchmark of ConvertRecord (parse and report line) beside
#     ScanRecord (the parse alone), per kind (bench preset: native, optimised);
#  2. 65,535 records side by side, in interleaved runs: a whole HotSync under
#     Wine with Tessel20.dll, the same with ReferenceConduit.dll (the same
#     Sync Manager calls on Ledgerly_DB, nothing written), a Perl script on Debian's
#     Palm::PDB that writes the default reports from the same .pdb, and
#     tessel-report natively and under Wine; all of them must write the same
#     report bytes; then the HotSync and tessel-report again on a second set
#     where about a tenth of the fields are longer than their columns;
#     wall and CPU time (user plus system) of each;
#  2b. tessel-report beside the disk: cat of the backup plus cp of the same
#     report bytes, time and peak memory, on both sets;
#  3. deleting against keeping, and the start-up (sync type 6), each beside
#     the reference conduit; the flushes of a HotSync, counted on the
#     power-cut file system of the tests;
#  4. peak memory at 1,000, 8,000 and 65,535 records;
#  5. an appending HotSync into empty reports and into reports that already
#     hold a million lines each.
# The reports are written to a real disk (TESSEL_BENCH_DISK, default
# /var/tmp), where flushing them costs what it costs.
# Usage: scripts/benchmark.sh [--quick]   (--quick: fewer runs and records;
# for trying the script, not for figures)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
quick=0
[ "${1:-}" = --quick ] && quick=1
records=65535
rounds=3
reps=7
sizes=(1000 8000 65535)
append_records=8000
append_lines=1000000
if [ $quick = 1 ]; then
  records=4000 rounds=1 reps=3 sizes=(1000 4000) append_records=1000 append_lines=100000
fi

bash scripts/setup.sh
work=$root/build/benchmark
rm -rf "$work"
mkdir -p "$work"
out=$work/performance.md

# --- 1. Google Benchmark ----------------------------------------------------
cmake --preset bench >/dev/null
cmake --build --preset bench -j2 --target records_bench pdbtool tessel-report >/dev/null
build/bench/bin/records_bench --benchmark_min_time=1 --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true --benchmark_format=console \
  --benchmark_out="$work/records_bench.json" --benchmark_out_format=json >"$work/records_bench.txt"
gbench_table=$(python3 - "$work/records_bench.json" <<'PY'
import json, sys
data = json.load(open(sys.argv[1]))
rate = {}
for b in data["benchmarks"]:
    if b.get("aggregate_name") != "median":
        continue
    name = b["name"].split("/")[0].replace("BM_", "")
    rate[(name, b.get("label", ""))] = b.get("items_per_second", 0)
print("| Kind | ConvertRecord, records/s | ScanRecord, records/s | Convert ÷ Scan |")
print("|---|---:|---:|---:|")
for kind in ["Task", "Expense", "Route", "Memo", "Contact"]:
    c, s = rate[("ConvertRecord", kind)], rate[("ScanRecord", kind)]
    print(f"| {kind} | {c:,.0f} | {s:,.0f} | {c / s:.2f} |")
PY
)

# --- the Windows side ----------------------------------------------------------
build=$root/build/win32
[ -f "$build/CMakeCache.txt" ] || cmake --preset win32 >/dev/null
cmake --build "$build" -j2 --target Tessel20 hotsync ReferenceConduit tessel-report >/dev/null
cmake --build "$build" --target powercut_fs >/dev/null 2>&1 || true
wine() { "$build/wine-run" "$@"; }
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

base='Software\Tessel Benchmark'
wine reg delete "HKCU\\$base" /f >/dev/null 2>&1 || true
register() {  # KEYNAME LIBRARY: a HotSync key of its own with one entry
  local key="HKCU\\$base\\$1\\Application1"
  wine reg add "$key" /v Conduit /t REG_SZ /d "$(winpath "$build/bin/$2")" /f >/dev/null
  wine reg add "$key" /v Creator /t REG_DWORD /d 0x4C444759 /f >/dev/null
  wine reg add "$key" /v Directory /t REG_SZ /d Reports /f >/dev/null
  wine reg add "$key" /v Name /t REG_SZ /d "$1" /f >/dev/null
  wine reg add "$key" /v ShowSyncStatus /t REG_DWORD /d 0 /f >/dev/null
}
register Tessel Tessel20.dll
register Reference ReferenceConduit.dll
setting() {  # NAME VALUE, for both conduits
  for k in Tessel Reference; do
    wine reg add "HKCU\\$base\\$k\\Application1" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null
  done
}

# database N [SET]: Ledgerly_DB.pdb of N records of the five kinds in turn,
# every one marked. In the set "long", 18 of every 25 records have a customer
# of 100 characters, which its column (79) cannot hold: with 7.2 fields a
# record on average, about a tenth of the fields.
database() {
  local n=$1 set=${2:-plain} pdb=$work/db-$1-${2:-plain}.pdb
  if [ ! -f "$pdb" ]; then
    {
      printf 'name "Ledgerly_DB"\ntype "DATA"\ncreator "LDGY"\n'
      awk -v n="$n" -v set="$set" 'BEGIN {
        long = sprintf("%100s", ""); gsub(/ /, "K", long)
        for (i = 0; i < n; i++) {
          k = i % 5
          c = set == "long" && i % 25 < 18 ? long : "Kunde " i
          if (k == 0) t = "1.2.01,8:00,1:30," c ",Projekt,Arbeit,Eintrag " i
          if (k == 1) t = "2.1.01," c ",Projekt,Taxi,2,12.50,25.00,Eintrag " i
          if (k == 2) t = "3.1.01," c ",Projekt,Besuch,Berlin,Potsdam,10500,10536,36,Eintrag " i
          if (k == 3) t = "4.1.01," c ",Projekt,Layout,Eintrag " i
          if (k == 4) t = "5.1.01," c ",Projekt,Angebot,$0001A2F3:Name,Eintrag " i
          printf "record cat=%d flags=dirty \"%s\"\n", k + 1, t
        }
      }'
    } >"$work/db.txt"
    build/bench/bin/pdbtool build "$work/db.txt" "$pdb" >/dev/null
  fi
  echo "$pdb"
}

handheld=$work/Messer/Backup
disk=${TESSEL_BENCH_DISK:-/var/tmp}/tessel-benchmark
rm -rf "$disk"
mkdir -p "$disk"
disk_fs=$(df --output=fstype "$disk" | tail -1)
[ "$disk_fs" = tmpfs ] && echo "warning: $disk is on tmpfs, flushes cost nothing there" >&2
desktop=$disk/desktop
reports=$desktop/Messer/Reports
printf 'name "LedgerlyAux_DB"\ntype "DATA"\ncreator "LDGY"\nrecord cat=14 "UID=M-1"\n' >"$work/aux.txt"
build/bench/bin/pdbtool build "$work/aux.txt" "$work/aux.pdb" >/dev/null

# fresh N: a handheld (laid out as a backup folder) with a fresh copy of the
# database of the set $set.
set=plain
fresh() {
  rm -rf "$handheld" && mkdir -p "$handheld"
  printf 'Messer\r\n' >"$handheld/User.txt"
  cp "$(database "$1" "$set")" "$handheld/Ledgerly_DB.pdb"
  cp "$work/aux.pdb" "$handheld/LedgerlyAux_DB.pdb"
}

# run WHAT: one run, on a fresh handheld and a fresh output; sets wall
# (seconds), cpu (user plus system seconds) and rss (KiB, largest resident
# set of the process). Disk: cat of the backup and cp of the reports that
# Tessel wrote from it ($work/ref-$set).
run() {
  local t0 t1 cmd
  fresh "$n"
  rm -rf "$desktop" "$work/perl" "$work/native" "$work/wine" "$work/disk"
  case $1 in
    Tessel|Reference)
      cmd=("$build/wine-run" "$build/bin/hotsync.exe" sync --handheld "$(winpath "$handheld")"
           --desktop "$(winpath "$desktop")" --registry "$base\\$1" --type "$type") ;;
    Perl)
      mkdir -p "$work/perl"
      cmd=(perl bench/ledgerly-reports.pl "$handheld/Ledgerly_DB.pdb" Messer M-1 "$work/perl") ;;
    Native)
      cmd=(build/bench/bin/tessel-report "$handheld/Ledgerly_DB.pdb" "$work/native") ;;
    Wine)
      cmd=("$build/wine-run" "$build/bin/tessel-report.exe" "$(winpath "$handheld/Ledgerly_DB.pdb")"
           "$(winpath "$work/wine")") ;;
    Disk)
      cmd=(sh -c 'cat "$1" >/dev/null && cp -r "$2" "$3"' sh "$handheld/Ledgerly_DB.pdb"
           "$work/ref-$set" "$work/disk") ;;
  esac
  t0=$(date +%s.%N)
  # The subshell's "times" gives the CPU time of the process and its
  # children in milliseconds (time -v gives hundredths).
  (/usr/bin/time -v -o "$work/time.txt" "${cmd[@]}" >"$work/run.out" 2>&1 && times >"$work/times.txt") || {
    echo "$1 failed:" >&2; cat "$work/run.out" >&2; exit 1; }
  t1=$(date +%s.%N)
  wall=$(echo "$t1 - $t0" | bc -l)
  cpu=$(awk 'NR == 2 { for (i = 1; i <= 2; i++) { split($i, p, /[ms]/); s += p[1] * 60 + p[2] } }
    END { print s }' "$work/times.txt")
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# interleave NAME...: $reps rounds of one run of each; medians in med[NAME]
# (wall) and cpumed[NAME], largest peaks in peak[NAME].
declare -A med cpumed peak
interleave() {
  local i w
  declare -A walls=() cpus=()
  for w in "$@"; do walls[$w]="" cpus[$w]="" peak[$w]=0; done
  for ((i = 0; i < reps; i++)); do
    for w in "$@"; do
      run "$w"
      walls[$w]+="$wall"$'\n'
      cpus[$w]+="$cpu"$'\n'
      [ "$rss" -gt "${peak[$w]}" ] && peak[$w]=$rss
    done
  done
  for w in "$@"; do
    med[$w]=$(printf '%s' "${walls[$w]}" | median)
    cpumed[$w]=$(printf '%s' "${cpus[$w]}" | median)
  done
}

# The prefix's server runs before the first measurement, so none pays for it.
wine cmd /c exit >/dev/null 2>&1 || true

# --- 2. side by side --------------------------------------------------------
n=$records type=0
setting SyncBackupMethod 0
setting DeleteRecords 0
# cell NAME: the median wall time and, in brackets, CPU time of NAME.
cell() { printf '%.3f s (%.3f s)' "${med[$1]}" "${cpumed[$1]}"; }
side_rows="" disk_rows=""
for set in plain long; do
  # The same bytes from every writer: Tessel's reports are the reference.
  run Tessel && rm -rf "$work/ref-$set" && mv "$reports" "$work/ref-$set"
  writers=(Native Wine)
  [ $set = plain ] && writers+=(Perl)
  for w in "${writers[@]}"; do
    run "$w"
    diff -r "$work/ref-$set" "$work/$(echo "$w" | tr A-Z a-z)" >/dev/null ||
      { echo "$w wrote other reports than Tessel from the $set set" >&2; exit 1; }
  done
  for ((r = 1; r <= rounds; r++)); do
    if [ $set = plain ]; then
      interleave Tessel Reference Perl Native Wine
      perl_cells="$(cell Perl) | $(echo "(${med[Tessel]} - ${med[Reference]}) / ${med[Perl]}" | bc -l | xargs printf '%.3f')"
    else
      interleave Tessel Reference Native Wine
      perl_cells="- | -"
    fi
    share=$(echo "${med[Tessel]} - ${med[Reference]}" | bc -l | xargs printf '%.3f')
    side_rows+="| $set | $r | $(cell Tessel) | $(cell Reference) | $share s | $perl_cells | $(cell Native) | $(cell Wine) |"$'\n'
    echo "$set round $r: Tessel ${med[Tessel]} Reference ${med[Reference]} native ${med[Native]} wine ${med[Wine]}" >&2
  done
  # --- 2b. tessel-report beside the disk: cat of the backup, cp of the reports
  interleave Native Disk
  size=$(stat -c %s "$(database "$n" "$set")")
  disk_rows+=$(awk -v s="$set" -v b="$size" -v nt="${med[Native]}" -v nc="${cpumed[Native]}" \
    -v dt="${med[Disk]}" -v dc="${cpumed[Disk]}" -v np="${peak[Native]}" 'BEGIN {
      printf "| %s | %.1f MiB | %.3f s (%.3f s) | %.3f s (%.3f s) | %.2f | %.2f | %.1f MiB | %.1f MiB |\n",
        s, b / 1048576, nt, nc, dt, dc, nt / dt, nc / (dc > 0 ? dc : 0.001), np / 1024, b / 1048576 + 8 }')
  disk_rows+=$'\n'
done
set=plain

# --- 3. deleting, and the start-up ----------------------------------------------
delete_rows=""
for deleting in 0 1; do
  setting DeleteRecords "$deleting"
  interleave Tessel Reference
  delete_rows+=$(awk -v d="$deleting" -v t="${med[Tessel]}" -v f="${med[Reference]}" -v n="$n" 'BEGIN {
    printf "| %s | %.3f s | %.3f s | %.1f µs |\n", d ? "deleting" : "keeping", t, f, (t - f) * 1e6 / n }')
  delete_rows+=$'\n'
  own[$deleting]=$(echo "${med[Tessel]} - ${med[Reference]}" | bc -l)
done
# The flushes of a HotSync with deleting on (the second into the same
# reports, so that their histories are written too) and off, counted by the
# power-cut file system of the tests, which logs every fsync.
flushes_text="not counted: the power-cut file system (tests/powercut) could not be mounted here."
fuse=$build/tests/powercut/powercut
mkdir -p "$work/fuse.disk" "$work/fuse"
if [ -x "$fuse" ] && [ -c /dev/fuse ] && "$fuse" --log "$work/fuse.log" "$work/fuse.disk" "$work/fuse"; then
  declare -A flushes histories
  for deleting in 1 0; do
    setting DeleteRecords "$deleting"
    for pass in 1 2; do
      fresh "$n"
      : >"$work/fuse.log"
      wine "$build/bin/hotsync.exe" sync --handheld "$(winpath "$handheld")" \
        --desktop "$(winpath "$work/fuse/desktop")" --registry "$base\\Tessel" --type 0 >/dev/null 2>&1
    done
    flushes[$deleting]=$(grep -c '^fsync .*/Reports/' "$work/fuse.log" || true)
    histories[$deleting]=$(grep -c '^fsync .*/Reports/.*\.history\.' "$work/fuse.log" || true)
  done
  fusermount3 -u "$work/fuse"
  batches=$(( (n + 1023) / 1024 ))
  flushes_text="A HotSync of $n records into reports that hold lines already flushes ${flushes[1]} times with deleting on:
${histories[1]} for the histories and $((flushes[1] - histories[1])) for the reports in $batches batches of up to 1,024 records ($(awk -v f="$((flushes[1] - histories[1]))" -v b="$batches" 'BEGIN { printf "%.2f", f / b }') a batch,
at most five). With deleting off it flushes ${flushes[0]} times, once a report before the modification marks are reset."
fi
setting DeleteRecords 0
type=6
interleave Tessel Reference
startup_tessel=${med[Tessel]} startup_reference=${med[Reference]}
startup_tessel_rss=${peak[Tessel]} startup_reference_rss=${peak[Reference]}
type=0

# --- 4. memory at every size ------------------------------------------------------
memory_rows=""
for n in "${sizes[@]}"; do
  interleave Tessel Reference
  memory_rows+=$(awk -v n="$n" -v t="${peak[Tessel]}" -v f="${peak[Reference]}" 'BEGIN {
    printf "| %d | %.1f MiB | %.1f MiB | %+.1f MiB |\n", n, t / 1024, f / 1024, (t - f) / 1024 }')
  memory_rows+=$'\n'
done

# --- 5. appending into empty reports and into reports of a million lines ----------
setting SyncBackupMethod 1
files=("Ledgerly Arbeitszeiten.txt" "Ledgerly Ausgaben.txt" "Ledgarly Fahrten.txt"
       "Ledgerly Kontakte.txt" "Ledgerly Notizen.txt")
awk -v n="$append_lines" 'BEGIN { for (i = 0; i < n; i++)
  printf "Messer\tM-1\t2000/01/01\tKunde %d\tProjekt\tArbeit\t08:00\t90\tfr\374here Zeile\r\n", i }' \
  >"$work/million.txt"
append_rows=""
n=$append_records
for state in empty full; do
  fresh "$n"
  rm -rf "$desktop"
  mkdir -p "$reports"
  for f in "${files[@]}"; do
    if [ $state = full ]; then cp "$work/million.txt" "$reports/$f"; else : >"$reports/$f"; fi
  done
  size=$(du -sm "$reports" | cut -f1)
  t0=$(date +%s.%N)
  wine "$build/bin/hotsync.exe" sync --handheld "$(winpath "$handheld")" \
    --desktop "$(winpath "$desktop")" --registry "$base\\Tessel" >/dev/null 2>&1
  t1=$(date +%s.%N)
  [ $state = full ] && label="$append_lines lines each ($size MiB in all)" || label="empty"
  append_rows+="| $label | $n | $(echo "$t1 - $t0" | bc -l | xargs printf '%.2f') s |"$'\n'
  if [ $state = full ]; then
    for f in "${files[@]}"; do
      head -c "$(stat -c %s "$work/million.txt")" "$reports/$f" | cmp -s - "$work/million.txt" ||
        { echo "$f lost its earlier lines" >&2; exit 1; }
    done
  fi
done
rm -f "$work/million.txt"
rm -rf "$disk"
WINEPREFIX="$build/wineprefix" wineserver -k 2>/dev/null || true

# --- docs/performance.md ----------------------------------------------------
cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
mem=$(awk '/MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
perl_version=$(perl -MPalm::PDB -e 'printf "Perl %vd, Palm::PDB %s", $^V, $Palm::PDB::VERSION')
ratio=$(echo "${own[1]} / ${own[0]}" | bc -l | xargs printf '%.2f')
{
  echo "# Performance"
  echo
  echo "Measured by \`scripts/benchmark.sh\` on $(date -u +%Y-%m-%d)$([ $quick = 1 ] && echo ' (quick run: few runs, few records)'), all in one run."
  echo
  echo "Machine: $(nproc) cores, $cpu, $mem memory; $(sed -n 's/^PRETTY_NAME=//p' /etc/os-release | tr -d '"'),"
  echo "$(wine --version 2>/dev/null || echo wine), MinGW-w64 g++ $(i686-w64-mingw32-g++-posix -dumpfullversion 2>/dev/null), g++ $(g++ -dumpfullversion) for the native programs, $perl_version."
  echo "Other work may have run on the machine at the same time; the runs are interleaved so that it weighs on all alike."
  echo
  echo "## Record conversion (native, Google Benchmark)"
  echo
  echo "\`ConvertRecord\` parses one record and appends its lines to the report of its kind (real files"
  echo "in a temporary folder, written out when the stream's buffer is full); \`ScanRecord\` is the parse"
  echo "alone, with the derived fields. Medians of three repetitions."
  echo
  echo "$gbench_table"
  echo
  echo "## $records records side by side"
  echo
  echo "One \`Ledgerly_DB.pdb\` of $records records of the five kinds in turn, default settings (every record,"
  echo "the reports rewritten, nothing deleted). Each round interleaves $reps runs of each, on a fresh"
  echo "copy of the handheld and into new reports; the figures are medians of whole processes:"
  echo
  echo "- Tessel: \`hotsync.exe sync\` under Wine with \`Tessel20.dll\`;"
  echo "- Reference: the same with \`ReferenceConduit.dll\` (\`bench/reference_conduit.cpp\`), which makes the"
  echo "  same Sync Manager calls on \`Ledgerly_DB\` and writes nothing, so Tessel − Reference is the"
  echo "  conduit's own share. It skips \`SyncReadUserID\` and both opens of \`LedgerlyAux_DB\` (the"
  echo "  handheld's properties read before the pass and written back after it): a handful of calls"
  echo "  beside the $records reads, counted in Tessel's share;"
  echo "- Perl: \`bench/ledgerly-reports.pl\`, a script on Debian's Palm::PDB that writes the five default"
  echo "  reports from the same file, as a Linux user would write it;"
  echo "- \`tessel-report\` natively (bench preset) and \`tessel-report.exe\` under Wine, from the same file."
  echo
  echo "All of them write the same report bytes (the script checks it)."
  echo
  echo "The set \`long\` is the same but for its customers: 18 of every 25 records have one of 100 characters,"
  echo "which its column (79) cannot hold, about a tenth of all fields. The conduit names the first 20 cut"
  echo "records of a run in the log and counts the others in one line. The Perl script does not cut fields,"
  echo "so it runs on the first set only. Each cell is the wall time and, in brackets, the CPU time"
  echo "(user plus system) of the process and the processes it waits for (under Wine not the"
  echo "wineserver, which runs on): a wall time can carry idle waits of the host."
  echo
  echo "| Set | Round | Tessel | Reference | Tessel's own share (wall) | Perl | share ÷ Perl | tessel-report | tessel-report.exe |"
  echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|"
  printf '%s' "$side_rows"
  echo
  echo "## tessel-report beside the disk"
  echo
  echo "\`tessel-report\` (bench preset) beside what reading the backup and writing the same report bytes"
  echo "costs at the least: \`cat\` of the backup to \`/dev/null\` and \`cp\` of the five reports that Tessel"
  echo "wrote from it, in one shell. $reps runs of each, interleaved, on a fresh copy of the backup and into"
  echo "a new folder; medians, wall (CPU). The goals: at most 3 times the time, a peak resident set of at"
  echo "most the backup's size plus 8 MiB, the same bytes (checked)."
  echo
  echo "| Set | Backup | tessel-report | cat + cp | ÷ (wall) | ÷ (CPU) | Peak memory | Backup + 8 MiB |"
  echo "|---|---:|---:|---:|---:|---:|---:|---:|"
  printf '%s' "$disk_rows"
  echo
  echo "The command maps the backup (on Windows: one read into a buffer of its size) and converts each"
  echo "record where it lies; only the record list (24 bytes a record) is built beside it."
  echo
  echo "## Deleting"
  echo
  echo "The same $records records, with \`DeleteRecords\` off and on, each beside the reference conduit"
  echo "(which deletes as well), the reports on a real disk ($disk_fs under \`$(dirname "$disk")\`). With deleting"
  echo "on, Tessel writes a batch of up to 1,024 records, writes the reports out and flushes each one"
  echo "that got lines to the disk itself (\`FlushFileBuffers\`), once a batch, and then deletes the"
  echo "batch, each record only after its line is on the disk. With deleting off the reports are"
  echo "flushed once, before the modification marks are reset."
  echo
  echo "| Run | Tessel | Reference | Tessel's own per record |"
  echo "|---|---:|---:|---:|"
  printf '%s' "$delete_rows"
  echo
  echo "A record costs the conduit $ratio times as much with deleting on as with it off:"
  echo "$(echo "(${own[1]} - ${own[0]}) * 1000000 / $records" | bc -l | xargs printf '%.1f') µs more a record. A real HotSync is bound by the handheld's link (hundreds"
  echo "to a few thousand records a second, a batch taking about a second), next to which the flushes"
  echo "of a batch are small."
  echo
  echo "$flushes_text"
  echo
  echo "## Start-up"
  echo
  echo "A HotSync of sync type 6 (the conduit only logs that it does nothing): $(printf '%.3f' "$startup_reference") s and"
  echo "$(awk -v r="$startup_reference_rss" 'BEGIN { printf "%.1f", r / 1024 }') MiB with the reference conduit (Wine, \`hotsync.exe\`, the platform DLLs), $(printf '%.3f' "$startup_tessel") s and"
  echo "$(awk -v r="$startup_tessel_rss" 'BEGIN { printf "%.1f", r / 1024 }') MiB with Tessel: $(echo "($startup_tessel - $startup_reference) * 1000" | bc -l | xargs printf '%.0f') ms more. Loading the library and its own imports,"
  echo "its message file and its settings make the difference; the window and shell libraries"
  echo "(user32, gdi32, shell32) are loaded only when a window is shown."
  echo
  echo "## Memory"
  echo
  echo "Largest resident set of the whole host process over the runs, all records:"
  echo
  echo "| Records | Tessel | Reference | Tessel − Reference |"
  echo "|---:|---:|---:|---:|"
  printf '%s' "$memory_rows"
  echo
  echo "The host's peak grows with the database, because the Sync Manager stand-in holds the whole"
  echo "\`.pdb\` in memory; the reference conduit's grows the same way. The conduit's own share does not"
  echo "grow with the records: its code and data, one record buffer of 1 KiB, and for each of the five"
  echo "report streams a buffer of 64 KiB and the array of its line ends in that buffer (8,192 ends of"
  echo "4 bytes: 32 KiB); with deleting on, the delete batch (1,024 pending records of 24 bytes in the"
  echo "32-bit library: 24 KiB) and the log lines it holds back, and while a history is written, one"
  echo "more stream's 96 KiB."
  echo
  echo "## Appending into long reports"
  echo
  echo "Only modified records (\`SyncBackupMethod\` 1: the reports are appended to), $append_records records,"
  echo "into five empty reports and into five reports that already hold $append_lines lines each."
  echo "Afterwards each report still begins with exactly the lines it held."
  echo
  echo "| Reports before | Records | Wall |"
  echo "|---|---:|---:|"
  printf '%s' "$append_rows"
  echo
  echo "The conduit never reads a report it appends to: its length tells whether it is empty."
  echo
  echo "## How to repeat"
  echo
  echo '```'
  echo "scripts/benchmark.sh            # some minutes; rewrites docs/performance.md"
  echo "scripts/benchmark.sh --quick    # tries the script, the figures are not kept"
  echo '```'
  echo
  echo "It builds the \`bench\` and \`win32\` presets, makes its handhelds with \`pdbtool\`, registers both"
  echo "conduits under \`HKCU\\$base\` in the win32 build's Wine prefix and works in \`build/benchmark/\`;"
  echo "the HotSyncs write their reports to \`$disk\` (\`TESSEL_BENCH_DISK\`, a real disk), removed at the end."
} >"$out"
if [ $quick = 0 ]; then cp "$out" docs/performance.md; echo "wrote docs/performance.md"; else cat "$out"; fi
