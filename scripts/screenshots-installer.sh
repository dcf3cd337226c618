#!/usr/bin/env bash
# Retakes the screenshots of the installer dialog (English and German) in
# docs/images/. Needs the win32 build (cmake --preset win32 && cmake --build
# build/win32). Runs TesselSetup.exe with the shipped install.ini under Xvfb,
# under an English and a German user locale, in a Wine prefix of its own that
# uses the X11 driver.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/win32
convert=/usr/bin/convert
import=/usr/bin/import
export TESSEL_WINEPREFIX=$build/wineprefix-x11
export TESSEL_WINE_DRIVER=x11

if [ -z "${DISPLAY_READY:-}" ]; then
  exec env DISPLAY_READY=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

locale_dir=$build/locale
for locale in de_DE en_US; do
  [ -d "$locale_dir/$locale.UTF-8" ] || localedef -i $locale -f UTF-8 "$locale_dir/$locale.UTF-8" || true
done
mkdir -p "$root/docs/images"
# Make the prefix first, so that Wine's set-up window is gone before the shots.
"$build/wine-run" cmd /c exit >/dev/null 2>&1 || true

shoot() {  # name, then environment assignments
  local name=$1; shift
  local folder=$build/screenshots/$name shot=$build/screenshots/$name-root.png
  rm -rf "$folder"; mkdir -p "$folder"
  cp "$build/bin/install.ini" "$folder/"
  touch "$folder/Tessel20.dll"
  (cd "$folder" && env "$@" "$build/wine-run" "$build/bin/TesselSetup.exe" >/dev/null 2>&1 &)
  # The dialog is the only window on the black screen: wait for it, then trim.
  for _ in $(seq 1 120); do
    sleep 0.5
    "$import" -window root "$shot"
    size=$("$convert" "$shot" -trim -format '%w' info: 2>/dev/null)
    [ "$size" -gt 300 ] && break
  done
  sleep 1
  "$import" -window root "$shot"
  "$convert" "$shot" -trim +repage "$root/docs/images/installer-$name.png"
  WINEPREFIX=$TESSEL_WINEPREFIX wineserver -k || true
  WINEPREFIX=$TESSEL_WINEPREFIX wineserver -w || true
  echo "docs/images/installer-$name.png"
}

shoot en LANG=en_US.UTF-8 LOCPATH="$locale_dir"
shoot de LANG=de_DE.UTF-8 LOCPATH="$locale_dir"
