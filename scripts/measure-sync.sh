#!/usr/bin/env bash
# Measures HotSyncs of the Ledgerly conduit under Wine: wall time and peak
# memory (/usr/bin/time -v) of a HotSync of 10,000 and of 65,535 records, and
# an appending HotSync into empty reports against reports that already hold
# a million lines. Uses a HotSync key of its own, so the demo's entry stays.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build/win32
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset win32 >/dev/null
fi
cmake --build "$build" -j2 --target Tessel20 hotsync pdbtool >/dev/null

run() { "$build/wine-run" "$@"; }
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

work=$build/measure
rm -rf "$work"
mkdir -p "$work"
hotsync_key='Software\Tessel Measure\Pilot Desktop'
key="HKCU\\$hotsync_key\\Application1"
run reg delete "HKCU\\Software\\Tessel Measure" /f >/dev/null 2>&1 || true
run reg add "$key" /v Conduit /t REG_SZ /d "$(winpath "$build/bin/Tessel20.dll")" /f >/dev/null
run reg add "$key" /v Creator /t REG_DWORD /d 0x4C444759 /f >/dev/null
run reg add "$key" /v Directory /t REG_SZ /d Tessel /f >/dev/null
run reg add "$key" /v Name /t REG_SZ /d Ledgerly /f >/dev/null
run reg add "$key" /v ShowSyncStatus /t REG_DWORD /d 0 /f >/dev/null

# handheld COUNT: a handheld folder with COUNT dirty records of all five kinds.
handheld() {
  local count=$1 dir=$work/handheld
  rm -rf "$dir" && mkdir -p "$dir"
  printf 'Messer\r\n' >"$dir/User.txt"
  {
    printf 'name "Ledgerly_DB"\ntype "DATA"\ncreator "LDGY"\n'
    awk -v n="$count" 'BEGIN {
      for (i = 0; i < n; i++) {
        k = i % 5
        if (k == 0) t = "1.2.01,8:00,1:30,Kunde " i ",Projekt,Arbeit,Eintrag " i
        if (k == 1) t = "2.1.01,Kunde " i ",Projekt,Taxi,2,12.50,25.00,Eintrag " i
        if (k == 2) t = "3.1.01,Kunde " i ",Projekt,Besuch,Berlin,Potsdam,10500,10536,36,Eintrag " i
        if (k == 3) t = "4.1.01,Kunde " i ",Projekt,Layout,Eintrag " i
        if (k == 4) t = "5.1.01,Kunde " i ",Projekt,Angebot,$0001A2F3:Name,Eintrag " i
        printf "record cat=%d flags=dirty \"%s\"\n", k + 1, t
      }
    }'
  } >"$work/Ledgerly_DB.txt"
  run "$build/bin/pdbtool.exe" build "$(winpath "$work/Ledgerly_DB.txt")" \
    "$(winpath "$dir/Ledgerly_DB.pdb")" >/dev/null
  printf 'name "LedgerlyAux_DB"\ntype "DATA"\ncreator "LDGY"\nrecord cat=14 flags=- "UID=M-1"\n' \
    >"$work/LedgerlyAux_DB.txt"
  run "$build/bin/pdbtool.exe" build "$(winpath "$work/LedgerlyAux_DB.txt")" \
    "$(winpath "$dir/LedgerlyAux_DB.pdb")" >/dev/null
}

# measure LABEL: one HotSync, with its wall time and peak memory.
measure() {
  local label=$1 out=$work/time.txt
  /usr/bin/time -v -o "$out" "$build/wine-run" "$build/bin/hotsync.exe" sync \
    --handheld "$(winpath "$work/handheld")" --desktop "$(winpath "$work/desktop")" \
    --registry "$hotsync_key" --type 2 >"$work/hotsync.out" 2>&1 || {
      echo "$label: HotSync failed"; cat "$work/hotsync.out"; return 1; }
  grep -q "result 0" "$work/hotsync.out" || { echo "$label: conduit failed"; cat "$work/hotsync.out"; return 1; }
  local wall rss
  wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$out")
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$out")
  printf '%-58s wall %8s   peak RSS %7s KiB\n' "$label" "$wall" "$rss"
}

reports=$work/desktop/Messer/Tessel
lines() { cat "$reports"/*.txt | wc -l; }

# Start the prefix's server once, so no run pays for it.
run cmd /c exit >/dev/null 2>&1 || true

for n in 10000 65535; do
  handheld "$n"
  rm -rf "$work/desktop"
  measure "HotSync of $n records (all records, keep)"
  echo "   report lines: $(lines)"
done

handheld 65535
rm -rf "$work/desktop"
run reg add "$key" /v DeleteRecords /t REG_DWORD /d 1 /f >/dev/null
measure "HotSync of 65535 records (all records, delete)"
run reg add "$key" /v DeleteRecords /t REG_DWORD /d 0 /f >/dev/null

# Appending: only new and changed records, into empty reports and into
# reports of a million lines each.
run reg add "$key" /v SyncBackupMethod /t REG_DWORD /d 1 /f >/dev/null
for state in empty full; do
  handheld 5000
  rm -rf "$work/desktop"
  mkdir -p "$reports"
  for f in "Ledgerly Arbeitszeiten.txt" "Ledgerly Ausgaben.txt" "Ledgarly Fahrten.txt" \
           "Ledgerly Kontakte.txt" "Ledgerly Notizen.txt"; do
    if [ "$state" = full ]; then
      awk 'BEGIN { for (i = 0; i < 1000000; i++) printf "earlier line %d\t2000/01/01\tKunde\tProjekt\r\n", i }' \
        >"$reports/$f"
    else
      : >"$reports/$f"
    fi
  done
  before=$(du -sk "$reports" | cut -f1)
  measure "Appending HotSync of 5000 records, reports $state"
  echo "   reports before: ${before} KiB, lines after: $(lines)"
done
