# Sourced by setup.sh: a QEMU virtual machine that runs the 32-bit product's
# tests on a host whose kernel cannot run 32-bit code. It boots Debian's own
# kernel (from the package, unpacked once into build/vm/, never installed)
# with a small initramfs made of busybox and scripts/lib/vm-init, and runs
# the host's own files: its root shared read-only under memory, the project
# shared read-write. So the guest runs exactly the host's packages, build
# trees and 32-bit Wine, with no second system to install or keep current.
# Software emulation only: KVM on these hosts boots only kernels built for it.

VRIX_VM_DIR=build/vm
VRIX_VM_PACKAGES=(qemu-system-x86 busybox-static)
# The modules the guest needs before it can see any file; their own
# dependencies come with them.
VRIX_VM_MODULES="virtio_pci virtio_console 9pnet_virtio 9p overlay"
# Wine in the guest runs 5 to 10 times slower than on the host. Time limits
# that stand for "never" are scaled by this; limits that are themselves
# under test are not.
VRIX_VM_TIME_SCALE=8

# Unpacks Debian's current amd64 kernel into build/vm/kernel once, and sets
# VRIX_VM_KERNEL to its image; else fails with the reason in
# VRIX_VM_UNAVAILABLE.
vrix_vm_kernel() {
  local dir=$VRIX_VM_DIR/kernel download=$VRIX_VM_DIR/download package= version tried=
  VRIX_VM_KERNEL=$(ls "$dir"/boot/vmlinuz-* 2>/dev/null | head -1) || true
  [ -n "$VRIX_VM_KERNEL" ] && [ -f "$dir/.unpacked" ] && return 0
  rm -rf "$dir" "$download"
  mkdir -p "$download"
  # apt-get download writes as the _apt user where it can.
  chmod 777 "$download"
  # The kernel that linux-image-amd64 names, newest first: on a day when the
  # mirror is mid-sync, one suite's file may be missing, the other's not.
  # Not a backports kernel: its modules are compressed.
  for version in $(apt-cache madison linux-image-amd64 2>/dev/null | grep -v backports | awk -F' *[|] *' '{ print $2 }'); do
    package=$(apt-cache depends "linux-image-amd64=$version" 2>/dev/null |
      awk '/Depends: linux-image-/ { print $2; exit }')
    [ -n "$package" ] || continue
    tried+=" $package"
    (cd "$download" && apt-get download -qq "$package" >/dev/null 2>&1) && break
    package=
  done
  if [ -z "$package" ]; then
    VRIX_VM_UNAVAILABLE="no Debian kernel package could be downloaded (tried:${tried:- none, apt knows no linux-image-amd64})"
    return 1
  fi
  mkdir -p "$dir"
  # Only the boot image and the modules are kept.
  if ! dpkg-deb -x "$download"/*.deb "$dir" || ! rm -rf "$dir/usr" "$dir/etc" "$download" ||
     ! busybox depmod -b "$dir" "$(basename "$(ls -d "$dir"/lib/modules/*)")"; then
    VRIX_VM_UNAVAILABLE="the kernel package $package could not be unpacked into $dir"
    return 1
  fi
  touch "$dir/.unpacked"
  VRIX_VM_KERNEL=$(ls "$dir"/boot/vmlinuz-*)
}

# Makes build/vm/initramfs.gz when missing or older than its init or the
# kernel: busybox, vm-init, the modules the guest needs before it can see
# any file (listed in /modules, in the order to load them), with their own
# dependencies. Fails with the reason in VRIX_VM_UNAVAILABLE.
vrix_vm_initramfs() {
  local out=$VRIX_VM_DIR/initramfs.gz tree modules version module
  local init=scripts/lib/vm-init
  [ -f "$out" ] && [ "$out" -nt "$init" ] && [ "$out" -nt "$VRIX_VM_DIR/kernel/.unpacked" ] && return 0
  tree=$(mktemp -d)
  modules=$(ls -d "$VRIX_VM_DIR"/kernel/lib/modules/*)
  version=$(basename "$modules")
  mkdir -p "$tree/bin" "$tree/proc" "$tree/sys" "$tree/dev" &&
    cp /bin/busybox "$tree/bin/busybox" && cp "$init" "$tree/init" && chmod 755 "$tree/init" &&
    echo "$VRIX_VM_MODULES" >"$tree/modules" || { VRIX_VM_UNAVAILABLE="cannot put the initramfs together in $tree"; return 1; }
  for module in $(awk -v want="$VRIX_VM_MODULES" '
      BEGIN { n = split(want, w, " "); for (i = 1; i <= n; i++) wanted[w[i] ".ko"] = 1 }
      { name = $1; sub(/:$/, "", name); base = name; sub(/.*\//, "", base)
        if (base in wanted) for (i = 1; i <= NF; i++) { m = $i; sub(/:$/, "", m); print m } }' \
      "$modules/modules.dep" | sort -u); do
    mkdir -p "$tree/lib/modules/$version/$(dirname "$module")"
    cp "$modules/$module" "$tree/lib/modules/$version/$module"
  done
  if [ "$(find "$tree/lib/modules" -name '*.ko' | wc -l)" -lt "$(wc -w <<<"$VRIX_VM_MODULES")" ] ||
     ! busybox depmod -b "$tree" "$version" ||
     ! (cd "$tree" && find . | busybox cpio -o -H newc 2>/dev/null) | gzip -1 >"$out.new"; then
    rm -rf "$tree" "$out.new"
    VRIX_VM_UNAVAILABLE="the kernel $version lacks modules the guest needs ($VRIX_VM_MODULES), or the initramfs could not be made"
    return 1
  fi
  rm -rf "$tree"
  mv "$out.new" "$out"
}

# Sets VRIX_PRODUCT_IN_VM to 1 where the product's tests go to the virtual
# machine: 32-bit Wine is installed but cannot run here (or VRIX_VM=1), and
# the machine can be had; else 0, with the reason in VRIX_VM_UNAVAILABLE
# where it was wanted but cannot be had.
vrix_decide_vm() {
  VRIX_PRODUCT_IN_VM=0 VRIX_VM_UNAVAILABLE=
  [ "$VRIX_RUNS_32BIT" = 0 ] && [ "${VRIX_NO_32BIT:-}" != 1 ] || return 0
  # Without 32-bit Wine the reason for not testing the product says why.
  [ -x "$VRIX_WINE32" ] || return 0
  vrix_vm_prepare && VRIX_PRODUCT_IN_VM=1
  return 0
}

# Everything the virtual machine needs; fails with the reason in
# VRIX_VM_UNAVAILABLE.
vrix_vm_prepare() {
  local missing
  missing=$(vrix_not_installed "${VRIX_VM_PACKAGES[@]}" | paste -sd ' ' -)
  if [ -n "$missing" ]; then
    VRIX_VM_UNAVAILABLE="the virtual machine's packages are not installed ($missing)"
    return 1
  fi
  mkdir -p "$VRIX_VM_DIR"
  vrix_vm_kernel && vrix_vm_initramfs
}

# vrix_vm_run LIMIT_SECONDS COMMAND...: boots the virtual machine, runs
# COMMAND in the project folder there (as root, with the host's files), shows
# its output as it comes, and returns its exit code; 125 when the machine did
# not run it to the end within LIMIT_SECONDS (the reason is in the boot log,
# kept then). Each run has a job file of its own.
vrix_vm_run() {
  local limit=$1 job root code=125
  shift
  root=$(pwd)
  job=$(mktemp "$VRIX_VM_DIR/job-XXXXXX")
  printf '%q ' "$@" >"$job"
  # In the foreground: Ctrl-C stops the machine with the script.
  timeout --foreground --kill-after=10 "$limit" qemu-system-x86_64 -accel tcg -cpu max,-smap -smp "$(nproc)" -m 6144 \
    -nodefaults -display none -monitor none -no-reboot \
    -kernel "$VRIX_VM_KERNEL" -initrd "$VRIX_VM_DIR/initramfs.gz" \
    -append "console=ttyS0 panic=-1 quiet vrix_project=\"$root\" vrix_job=$(basename "$job") vrix_tz=\"${TZ:-}\"" \
    -serial "file:$job.boot.log" \
    -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap \
    -virtfs "local,path=$root,mount_tag=project,security_model=none,multidevs=remap" \
    -device virtio-serial-pci -chardev stdio,id=out,signal=off -device virtconsole,chardev=out </dev/null || true
  if [ -f "$job.exit" ]; then
    code=$(cat "$job.exit")
    rm -f "$job" "$job.exit" "$job.boot.log"
  else
    echo "The virtual machine did not run its command to the end; its boot log: $job.boot.log" >&2
  fi
  return "$code"
}
