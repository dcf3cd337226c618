#!/usr/bin/env bash
# Unpacks the Windows package as a user would and checks it.
#   files: what needs no Windows program to run: the files it holds
#          (contents.txt), that no binary carries debug sections, the
#          conduit's plain-name exports, the version resources as windres
#          reads them, the text for Windows users;
#   run:   what runs the package's programs under Wine: the version
#          resources as Windows reads them, and one HotSync of the example
#          handheld through the unpacked files: TesselSetup.exe registers the
#          unpacked Tessel20.dll, the HotSync manager stand-in syncs through
#          it, TesselSetup.exe removes it again.
#
#   check_package.sh files|run ZIP CONTENTS SOURCE_DIR BIN_DIR WINE_RUN HANDHELD OBJDUMP WORK_DIR
set -uo pipefail
mode=$1 zip=$2 contents=$3 source=$4 bin=$5 wine=$6 handheld=$7 objdump=$8 work=$9
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
# A program that waits for an answer nobody gives (a message box) ends the test.
wine_run() {
  timeout 120 "$wine" "$@"
  local status=$?
  [ $status -ne 124 ] || echo "(ended after 120 s: it waited for an answer, a message box?)"
  return $status
}
to_utf8() { iconv -f WINDOWS-1252 -t UTF-8 "$1" | tr -d '\r'; }

version=$(basename "$zip" .zip)
version=${version#Tessel-}
version=${version%-win32}
[ -f "$zip" ] || { echo "FAIL: no package $zip"; exit 1; }

rm -rf "$work"
unpacked=$work/Tessel-$version
mkdir -p "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$zip") || { echo "FAIL: cannot unpack $zip"; exit 1; }

# The file list: exactly the names of contents.txt, all in the top folder.
expected=$(grep -v '^#' "$contents" | awk 'NF { print $1 }' | sort)
actual=$(cd "$unpacked" && find . -mindepth 1 | sed 's|^\./||' | sort)
[ "$mode" = run ] || [ "$actual" = "$expected" ] ||
  fail "the package holds"$'\n'"$actual"$'\n'"instead of"$'\n'"$expected"

# The conduit's file version from its version resource; the HotSync below
# compares it with the version that the HotSync manager reads from the library.
conduit_version=

# The version resource of a file as name=value lines: file, product, type
# (app or dll), FileVersion, ProductVersion, OriginalFilename.
version_fields() {  # file
  if [ "$mode" = run ]; then
    "$wine" "$bin/version_probe.exe" "$(winpath "$1")" | tr -d '\r' | tr ' ' '\n'
  else
    "${objdump%objdump}windres" -i "$1" -O rc | tr -d '\r' | sed -n \
      -e 's/^ *FILEVERSION \([0-9]*\), \([0-9]*\), \([0-9]*\), \([0-9]*\)$/file=\1.\2.\3.\4/p' \
      -e 's/^ *PRODUCTVERSION \([0-9]*\), \([0-9]*\), \([0-9]*\), \([0-9]*\)$/product=\1.\2.\3.\4/p' \
      -e 's/^ *FILETYPE 0x1$/type=app/p' -e 's/^ *FILETYPE 0x2$/type=dll/p' \
      -e 's/^ *VALUE "\(FileVersion\|ProductVersion\|OriginalFilename\)", "\(.*\)"$/\1=\2/p'
  fi
}

check_binary() {  # name kind
  local file=$unpacked/$1 sections probe
  if [ "$mode" = files ]; then
    sections=$("$objdump" -h "$file" | awk '$2 ~ /^\.debug/ { print $2 }' | tr '\n' ' ')
    [ -z "$sections" ] || fail "$1 carries debug sections: $sections"
  fi
  probe=$(version_fields "$file")
  field() { printf '%s\n' "$probe" | sed -n "s/^$1=//p"; }
  [ "$(field product)" = "$version.0.0" ] || fail "$1: product version $(field product), not $version"
  [ "$(field ProductVersion)" = "$version" ] || fail "$1: ProductVersion text $(field ProductVersion)"
  [ "$(field OriginalFilename)" = "$1" ] || fail "$1: OriginalFilename $(field OriginalFilename)"
  local file_version=$(field file)
  [ "$(field FileVersion)" = "${file_version%.0.0}" ] ||
    fail "$1: FileVersion text $(field FileVersion) for file version $file_version"
  if [ "$2" = program ]; then
    [ "$(field type)" = app ] || fail "$1: file type $(field type), not a program"
    [ "$file_version" = "$version.0.0" ] || fail "$1: file version $file_version, not $version"
  else
    [ "$(field type)" = dll ] || fail "$1: file type $(field type), not a library"
    conduit_version=$file_version
    [ "$mode" = files ] || return
    local table
    table=$("$objdump" -p "$file")
    for name in LibMain OpenConduit ConfigureConduit GetConduitName GetConduitVersion; do
      grep -Eq "^[[:space:]]+\[ *[0-9]+\] $name\$" <<<"$table" ||
        fail "$1 does not export $name by its plain name"
    done
  fi
}

check_readme() {  # name
  local file=$unpacked/$1 text report
  iconv -f WINDOWS-1252 -t UTF-8 "$file" >/dev/null 2>&1 && LC_ALL=C grep -q $'\xfc' "$file" ||
    fail "$1 is not German text in Windows-1252"
  ! LC_ALL=C grep -q -e $'\r.' -e $'[^\r]$' -e '^$' "$file" || fail "$1 has lines that do not end in CR LF"
  text=$(to_utf8 "$file")
  for heading in INSTALLING INSTALLIEREN REMOVING ENTFERNEN; do
    grep -q "^$heading" <<<"$text" || fail "$1 has no section $heading"
  done
  # It names every report file that the shipped install.ini seeds, in both languages.
  while IFS= read -r report; do
    grep -qF "$report" <<<"$(tr '\n' ' ' <<<"$text" | tr -s ' ')" || fail "$1 does not name the report $report"
  done < <(to_utf8 "$unpacked/install.ini" | sed -n 's/^[A-Za-z]*ReportFile=\(.\+\)$/\1/p')
}

while read -r name kind from; do
  [ -f "$unpacked/$name" ] || continue  # reported with the file list
  case $mode:$kind in
    *:program | *:conduit) check_binary "$name" "$kind" ;;
    run:*) ;;
    files:copy) cmp -s "$unpacked/$name" "$source/$from" || fail "$name differs from $from" ;;
    files:readme) check_readme "$name" ;;
    *) fail "contents.txt: unknown kind $kind" ;;
  esac
done < <(grep -v '^#' "$contents" | awk 'NF')

finish() {
  if [ $failures -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "package $(basename "$zip") ok ($mode)"
  exit 0
}
[ "$mode" = run ] || finish

# One HotSync through the unpacked files, on a scratch copy of the example handheld.
mkdir -p "$work/handheld" "$work/desktop"
cp "$handheld"/* "$work/handheld/"
"$wine" reg delete 'HKCU\Software\U.S. Robotics\Pilot Desktop' /f >/dev/null 2>&1
wine_run "$bin/setup-driver.exe" install "$(winpath "$unpacked")" --create-key \
  --program "$(winpath "$unpacked/TesselSetup.exe")" >"$work/install.out" 2>&1 ||
  fail "TesselSetup.exe from the package did not install: $(tr -d '\r' <"$work/install.out")"
wine_run "$bin/hotsync.exe" sync --handheld "$(winpath "$work/handheld")" \
  --desktop "$(winpath "$work/desktop")" >"$work/sync.out" 2>&1 ||
  fail "the HotSync failed: $(tr -d '\r' <"$work/sync.out")"
grep -qF "): $(winpath "$unpacked/Tessel20.dll")" "$work/sync.out" ||
  fail "the HotSync did not load the unpacked Tessel20.dll: $(tr -d '\r' <"$work/sync.out")"
user_folder="$work/desktop/$(tr -d '\r' <"$work/handheld/User.txt" | head -n 1 | iconv -f WINDOWS-1252 -t UTF-8)"
log=$(to_utf8 "$user_folder/HotSync.log" 2>/dev/null)
grep -q '^OK Ledgerly$' <<<"$log" || fail "the HotSync log does not end the conduit with OK: $log"
grep -q '^   - Updating the properties$' <<<"$log" ||
  fail "the conduit did not speak English from the shipped conduit.nls: $log"
reported=$(sed -n 's/.*, version \([0-9]*\.[0-9]*\), sync type.*/\1/p' <<<"$log")
[ -n "$conduit_version" ] && [ "$reported.0.0" = "$conduit_version" ] ||
  fail "GetConduitVersion reports $reported, the version resource states $conduit_version"
work_times="$user_folder/Ledgerly/Ledgerly Work Times.txt"
grep -q $'^Ziduv Vazuv\tU-17\t2000/03/14\tMüller GmbH' <<<"$(to_utf8 "$work_times" 2>/dev/null)" ||
  fail "no work time of the example handheld in $work_times"

wine_run "$bin/setup-driver.exe" uninstall "$(winpath "$unpacked")" \
  --program "$(winpath "$unpacked/TesselSetup.exe")" >"$work/uninstall.out" 2>&1 ||
  fail "TesselSetup.exe from the package did not uninstall: $(tr -d '\r' <"$work/uninstall.out")"
grep -qF '(none)' <<<"$("$wine" "$bin/hotsync.exe" list)" || fail "the conduit is still registered"

finish
