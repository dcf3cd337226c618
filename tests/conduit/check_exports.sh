#!/bin/sh
# The conduit library exports its entry points under their plain names and
# imports the platform's libraries by their names.
set -e
objdump=$1 library=$2
table=$("$objdump" -p "$library")
for name in LibMain OpenConduit GetConduitName GetConduitVersion; do
  printf '%s\n' "$table" | grep -Eq "^[[:space:]]+\[ *[0-9]+\] $name\$" || {
    echo "missing export $name"; exit 1; }
done
for dll in SYNC20.dll HSLOG20.dll; do
  printf '%s\n' "$table" | grep -q "DLL Name: $dll" || { echo "no import of $dll"; exit 1; }
done
# Only 32-bit code decorates stdcall names.
if ! "$objdump" -f "$library" | grep -q 'file format pei-i386'; then
  echo "stdcall decorations not checked: 64-bit code has none"
elif printf '%s\n' "$table" | grep -Eq '\] _?(OpenConduit|LibMain)@'; then
  echo "decorated export"; exit 1
fi
echo "exports ok"
