#!/usr/bin/env bash
# Whether this host runs 32-bit x86 programs. Some kernels run no 32-bit x86
# code at all; Debian's 32-bit loader, installed with Wine's 32-bit part,
# shows it in a few milliseconds.
#
# Run: says it in a few words; exits 0 when the host does, 1 when not.
# Sourced (scripts/test.sh, scripts/demo.sh): sets windows to the Windows
# build whose programs run here (win32, or win64 under 64-bit Wine, also
# wherever TESSEL_WINDOWS=win64 asks for it) and windows_line to one line
# that says so and why.
host_runs_i386() {
  local loader=/lib/ld-linux.so.2 out reason
  if [ ! -e "$loader" ]; then
    reason="no 32-bit loader $loader"
  elif out=$("$loader" --version 2>&1 </dev/null); then
    echo "this host runs 32-bit x86 programs"
    return 0
  else
    reason=$(printf '%s\n' "$out" | head -n 1)
    reason=${reason##*: }
  fi
  echo "this host cannot run 32-bit x86 programs ($reason)"
  return 1
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  host_runs_i386
  exit
fi

if finding=$(host_runs_i386); then windows=win32; else windows=win64; fi
case ${TESSEL_WINDOWS:-} in
  '') ;;
  win32 | win64) windows=$TESSEL_WINDOWS finding="$finding, TESSEL_WINDOWS=$TESSEL_WINDOWS" ;;
  *) echo "TESSEL_WINDOWS is win32 or win64, not $TESSEL_WINDOWS" >&2; exit 2 ;;
esac
if [ "$windows" = win32 ]; then
  windows_line="$finding: the Windows tests run as 32-bit code under Wine"
else
  windows_line="$finding: the Windows tests run as 64-bit code under 64-bit Wine"
fi
