#!/bin/sh
# Mounts (mount DIR PROGRAM) or unmounts (umount DIR) the two power-cut file
# systems of the cut tests: DIR/whole forgets every write since the last
# flush when the power fails, DIR/torn keeps a random part of them. When they
# cannot be mounted, DIR/skip says why and the tests skip with that reason.
dir=$2
case "$1" in
  mount)
    sh "$0" umount "$dir"
    mkdir -p "$dir"
    rm -f "$dir/skip" "$dir"/*.log
    reason=
    if [ ! -x "$3" ]; then
      reason="the power-cut file system was not built (it needs libfuse3-dev and pkg-config)"
    elif [ ! -c /dev/fuse ]; then
      reason="/dev/fuse is missing"
    else
      for mode in whole torn; do
        if mountpoint -q "$dir/$mode"; then
          reason="$dir/$mode is still mounted"
          break
        fi
        rm -rf "$dir/$mode.disk"
        mkdir -p "$dir/$mode.disk" "$dir/$mode"
        seed=
        [ $mode = torn ] && seed="--torn 18"
        # shellcheck disable=SC2086
        if ! "$3" $seed --log "$dir/$mode.log" "$dir/$mode.disk" "$dir/$mode" 2>"$dir/mount.err"; then
          reason="mounting a FUSE file system failed: $(cat "$dir/mount.err")"
          break
        fi
      done
    fi
    [ -n "$reason" ] && echo "$reason" >"$dir/skip"
    ;;
  umount)
    for mode in whole torn; do
      if mountpoint -q "$dir/$mode" 2>/dev/null; then
        fusermount3 -uz "$dir/$mode" 2>/dev/null || umount -l "$dir/$mode" 2>/dev/null || true
      fi
    done
    ;;
esac
exit 0
