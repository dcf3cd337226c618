#!/usr/bin/env bash
# Takes PNG screenshots of the conduit's HotSync action, options and about
# dialogs and of its HotSync status strip (under a stand-in for the HotSync
# manager's progress window, during a HotSync of the example handheld) from
# their real windows under Xvfb, as users see them: with the shipped
# conduit.nls beside the library, once under a German and once under an
# English user locale, into docs/images/:
#   conduit-{action,options,about,status}-{de,en}.png
# Needs a win32 build (made here when missing). Uses a Wine prefix of its own
# that draws through the X11 driver (build/win32/wineprefix-x11).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build/win32
images=$root/docs/images

if [ "${1:-}" != --inner ]; then
    if [ ! -x "$build/bin/dialog_shots.exe" ] || [ ! -x "$build/bin/status_shot.exe" ]; then
        cmake --preset win32 >/dev/null
        cmake --build "$build" -j2
    fi
    mkdir -p "$images"
    exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inner
fi

export TESSEL_WINEPREFIX=$build/wineprefix-x11 TESSEL_WINE_DRIVER=x11
unset LC_ALL
# The user locales, compiled into the build tree (Wine takes the user's
# language from LANG).
export LOCPATH=$build/locale
for locale in de_DE en_US; do
    [ -d "$LOCPATH/$locale.UTF-8" ] || localedef -i $locale -f UTF-8 "$LOCPATH/$locale.UTF-8" || true
done
library=Tessel20.dll
[ -f "$build/bin/$library" ] || library=TesselDialogs.dll
work=$(mktemp -d)
trap 'WINEPREFIX=$TESSEL_WINEPREFIX wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
windows() { echo "Z:${1//\//\\}"; }

# shoot PROGRAM DIR NAME...: runs the program over the library copy in DIR and
# takes one picture per NAME when it announces NAME.rect.
shoot() {
    local program=$1 dir=$2 name shots
    shift 2
    rm -rf "$dir/out"
    mkdir -p "$dir/out"
    "$build/wine-run" "$build/bin/$program.exe" "$(windows "$dir")" "$library" \
        "$(windows "$dir/out")" &
    shots=$!
    for name in "$@"; do
        for _ in $(seq 600); do
            [ -f "$dir/out/$name.rect" ] && break
            kill -0 "$shots" 2>/dev/null || break
            sleep 0.1
        done
        if [ ! -f "$dir/out/$name.rect" ]; then
            echo "screenshots: $program did not show $name" >&2
            kill "$shots" 2>/dev/null || true
            exit 1
        fi
        read -r x y w h <"$dir/out/$name.rect"
        sleep 0.5  # let it paint
        /usr/bin/import -window root -crop "${w}x${h}+${x}+${y}" +repage \
            "$images/conduit-$name-$language.png"
        touch "$dir/out/$name.done"
        echo "docs/images/conduit-$name-$language.png"
    done
    if ! wait "$shots"; then
        echo "screenshots: $program failed" >&2
        exit 1
    fi
}

for language in de en; do
    dir=$work/$language
    mkdir -p "$dir"
    for file in "$library" SYNC20.dll HSLOG20.dll; do
        [ -f "$build/bin/$file" ] && cp "$build/bin/$file" "$dir/"
    done
    cp "$build/bin/conduit.nls" "$dir/"
    if [ $language = en ]; then export LANG=en_US.UTF-8; else export LANG=de_DE.UTF-8; fi
    shoot dialog_shots "$dir" action options about
    shoot status_shot "$dir" status
done
