#!/usr/bin/env bash
# mount DIR: puts a tiny tmpfs at DIR and fills it, so that any write there
# fails for lack of space; unmount DIR: takes it away again.
# Without the rights to mount, DIR stays an ordinary folder with a marker
# file, and the tests that need a full disk skip themselves.
set -u
dir=$2
case $1 in
  mount)
    mkdir -p "$dir"
    mountpoint -q "$dir" && umount "$dir"
    rm -rf "$dir"/* 2>/dev/null
    if mount -t tmpfs -o size=64k,mode=0777 tmpfs "$dir" 2>/dev/null; then
      dd if=/dev/zero of="$dir/filler" bs=4k 2>/dev/null
      echo "full-disk: mounted and filled $(df -k --output=avail "$dir" | tail -1 | tr -d ' ') KiB left"
    else
      touch "$dir/NOT-MOUNTED"
      echo "full-disk: cannot mount a tmpfs here; tests needing it will skip"
    fi ;;
  unmount)
    mountpoint -q "$dir" && umount "$dir"
    rm -rf "$dir" ;;
esac
exit 0
