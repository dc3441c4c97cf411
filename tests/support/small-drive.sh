#!/usr/bin/env bash
# Mounts a 1 MiB tmpfs and maps it as drive Q: of the build's Wine prefix, so that tests can
# fill a disk. Where mounting is not permitted the drive stays missing and those tests skip.
# Usage: small-drive.sh mount|unmount <wine folder>
set -u
action=$1
wine_dir=$2
mount_point="$wine_dir/small-drive"
link="$wine_dir/prefix/dosdevices/q:"

unmount() {
  rm -f "$link"
  if mountpoint -q "$mount_point" 2>/dev/null; then
    umount "$mount_point" 2>/dev/null || umount -l "$mount_point"
  fi
  rmdir "$mount_point" 2>/dev/null
  return 0
}

case "$action" in
  mount)
    unmount
    mkdir -p "$mount_point"
    if ! mount -t tmpfs -o size=1m,mode=0777 qu-small-drive "$mount_point" 2>/dev/null; then
      rmdir "$mount_point" 2>/dev/null
      echo "small drive: mounting a tmpfs was not permitted here; the full-disk tests will skip"
      exit 0
    fi
    # The tests look for this file to know the drive is the small one.
    echo "a 1 MiB drive for the full-disk tests" > "$mount_point/small-drive.txt"
    ln -s "$mount_point" "$link"
    ;;
  unmount) unmount ;;
  *) echo "usage: $0 mount|unmount <wine folder>" >&2; exit 2 ;;
esac
exit 0
