#!/bin/sh
# Mounts (mount DIR PROGRAM) or unmounts (umount DIR) the power-cut file
# system of the cut tests on DIR/disk. When it cannot be mounted, DIR/skip
# says why and the tests skip with that reason.
dir=$2
if mountpoint -q "$dir/disk" 2>/dev/null; then
  fusermount3 -uz "$dir/disk" 2>/dev/null || umount -l "$dir/disk" 2>/dev/null
fi
[ "$1" = mount ] || exit 0
rm -rf "$dir/skip" "$dir/backing"
mkdir -p "$dir/backing" "$dir/disk"
if [ ! -x "$3" ]; then
  echo "the power-cut file system was not built (it needs libfuse3-dev and pkg-config)" >"$dir/skip"
elif [ ! -c /dev/fuse ]; then
  echo "/dev/fuse is missing" >"$dir/skip"
elif ! "$3" "$dir/backing" "$dir/disk" 2>"$dir/mount.err"; then
  echo "mounting a FUSE file system failed: $(cat "$dir/mount.err")" >"$dir/skip"
fi
exit 0
