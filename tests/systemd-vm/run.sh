#!/usr/bin/env bash
# The package on a real systemd: a Debian guest under QEMU (software emulation, no KVM) with an
# emulated AHCI disk installs the .deb made from the build under test, and guest_checks.sh checks
# the service there as an administrator uses it.
#
#   tests/systemd-vm/run.sh BUILD_DIR WORK_DIR
#
# BUILD_DIR is a built CMake build folder (cpack makes its package). WORK_DIR (in the build tree)
# caches the guest's root image, rebuilt only when its package list changes: systemd, udev and
# the package's dependencies, from this machine's Debian suite and sources with mmdebstrap, plus
# the modules of Debian's kernel (tests/vm/debian_kernel.sh). The guest boots from a throwaway
# overlay of that image; the package and the checks come on a payload disk, the results go back
# on a result disk (tar archives). Everything comes from Debian's packages; when they cannot be
# reached the test is skipped (exit code 77), never passed.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR WORK_DIR" >&2
  exit 2
fi
build=$(realpath "$1")
mkdir -p "$2"
work=$(realpath "$2")
here=$(dirname "$(realpath "$0")")
source_dir=$(realpath "$here/../..")

now() { date +%s.%N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", b - a }'; }
die() {
  echo "systemd VM test: $*" >&2
  exit 1
}
skip() {
  echo "systemd VM test: SKIPPED: $*"
  exit 77
}
unreachable() {  # LOG: the log says a download failed for want of the network
  grep -qiE "Could not resolve|Temporary failure|Failed to fetch|Network is unreachable|Connection (refused|timed out)|Unable to connect" "$1"
}

for tool in mmdebstrap qemu-system-x86_64 qemu-img mkfs.ext4 busybox cpack dpkg-deb apt-get apt-cache tar gzip xz; do
  command -v "$tool" >/dev/null || die "$tool is missing (scripts/ensure-packages.sh installs it)"
done
[ "$(id -u)" -eq 0 ] || skip "building the guest's root needs root"
busybox=$(command -v busybox)
ldd "$busybox" >/dev/null 2>&1 && die "$busybox is not the static busybox (package busybox-static)"
[ -x "$build/bin/dwsvc" ] || die "$build is not a built build folder"

source "$source_dir/tests/vm/debian_kernel.sh"
total_start=$(now)

# The package of the build under test, made again whenever a program, the unit or a manual page
# of the build is newer than it (CPack strips and inspects every program: minutes).
deb=$(ls "$work"/package/lmxduowatch_*.deb 2>/dev/null | head -n 1 || true)
if [ -z "$deb" ] || [ -n "$(find "$build/bin" "$build/systemd" "$build/man" "$build/packaging" -newer "$deb" -print -quit 2>/dev/null)" ] ||
   [ -n "$(find "$source_dir/packaging" -newer "$deb" -print -quit)" ]; then
  rm -rf "$work/package"
  (cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.log" 2>&1) || { tail -n 20 "$work/cpack.log"; die "cpack failed"; }
  deb=$(ls "$work"/package/lmxduowatch_*.deb)
  echo "SYSTEMD-VM: $(basename "$deb") made in $(seconds "$total_start" "$(now)") s"
fi

# The kernel: the package tests/vm boots first (Debian's current 6.1 kernel).
kernel_package=$( (fetch_kernel linux-image-amd64) 2>"$work/kernel.log") ||
  { cat "$work/kernel.log"; skip "Debian's kernel package cannot be fetched"; }
kernel_deb=$(ls "$work/debs/${kernel_package}"_*.deb | head -n 1)

# The guest's packages: systemd and what the checks use, and the package's dependencies (the
# first of each set of alternatives), so that it installs without the network.
suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
packages=(systemd systemd-sysv udev dbus libpam-systemd kmod man-db procps sqlite3)
while IFS= read -r dependency; do
  [ -n "$dependency" ] && packages+=("$dependency")
done < <(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/|.*//; s/(.*)//; s/[[:space:]]//g')
package_list=$(printf '%s\n' "${packages[@]}" | sort -u | tr '\n' ',' | sed 's/,$//')
recipe=$(cat "$here/prepare_root.sh" "$here/guest_boot.sh" "$here/guest_init.sh" | sha256sum | cut -c1-12)
key=$(printf '%s|%s|%s|%s' "$suite" "$package_list" "$kernel_package" "$recipe" | sha256sum | cut -c1-16)
image=$work/root-$key.img
if [ ! -f "$image" ]; then
  rm -rf "$work"/root-*.img "$work"/initramfs-*.gz "$work/rootfs"
  sources=()
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] && grep -qE '^[^#]*debian' "$file" && sources+=("$file")
  done
  [ ${#sources[@]} -gt 0 ] || skip "this machine has no Debian sources for apt"
  start=$(now)
  if ! mmdebstrap --variant=minbase --include="$package_list" \
      --customize-hook="$here/prepare_root.sh \"\$1\" $kernel_deb $here" \
      "$suite" "$work/rootfs" "${sources[@]}" >"$work/mmdebstrap.log" 2>&1; then
    rm -rf "$work/rootfs"
    unreachable "$work/mmdebstrap.log" && skip "Debian's packages cannot be reached: $(grep -m1 -iE 'fail|resolve' "$work/mmdebstrap.log")"
    tail -n 30 "$work/mmdebstrap.log"
    die "mmdebstrap failed"
  fi
  size=$(du -sm "$work/rootfs" | cut -f1)
  mkfs.ext4 -q -F -L root -d "$work/rootfs" "$image.tmp" "$((size + 768))M" >/dev/null
  rm -rf "$work/rootfs"
  mv "$image.tmp" "$image"
  echo "SYSTEMD-VM: guest root ($size MB) made in $(seconds "$start" "$(now)") s"
fi

# The kernel and an initramfs with the modules that mount the root disk.
kernel_dir=$work/kernel-$key
if [ ! -f "$kernel_dir/ready" ]; then
  rm -rf "$work"/kernel-*
  mkdir -p "$kernel_dir/tree" "$kernel_dir/initramfs"/{bin,modules,proc,sys,dev,newroot}
  dpkg-deb --fsys-tarfile "$kernel_deb" | tar -x -C "$kernel_dir/tree" --wildcards './boot/vmlinuz-*' \
    './lib/modules/*/kernel/drivers/virtio/*' './lib/modules/*/kernel/drivers/block/*' \
    './lib/modules/*/kernel/fs/ext4/*' './lib/modules/*/kernel/fs/jbd2/*' './lib/modules/*/kernel/fs/mbcache*' \
    './lib/modules/*/kernel/lib/*' './lib/modules/*/kernel/crypto/*'
  cp "$kernel_dir"/tree/boot/vmlinuz-* "$kernel_dir/vmlinuz"
  declare -A files=() loaded=()
  while IFS= read -r file; do
    name=$(basename "$file")
    name=${name%.xz}
    name=${name%.ko}
    files[${name//-/_}]=$file
  done < <(find "$kernel_dir/tree/lib/modules" -name '*.ko' -o -name '*.ko.xz')
  load() {
    local key=${1//-/_} dependency depends
    [ -n "${loaded[$key]:-}" ] && return 0
    [ -n "${files[$key]:-}" ] || return 0  # built into the kernel
    loaded[$key]=1
    case ${files[$key]} in
      *.xz) xz -dc "${files[$key]}" >"$kernel_dir/initramfs/modules/$key.ko" ;;
      *) cp "${files[$key]}" "$kernel_dir/initramfs/modules/$key.ko" ;;
    esac
    depends=$(tr '\0' '\n' <"$kernel_dir/initramfs/modules/$key.ko" | sed -n 's/^depends=//p' | head -n 1)
    for dependency in ${depends//,/ }; do load "$dependency"; done
    echo "$key" >>"$kernel_dir/initramfs/modules/order"
  }
  for name in crc32c_generic virtio_pci virtio_blk ext4; do load "$name"; done
  cp "$busybox" "$kernel_dir/initramfs/bin/busybox"
  install -m 755 "$here/guest_init.sh" "$kernel_dir/initramfs/init"
  (cd "$kernel_dir/initramfs" && find . | busybox cpio -o -H newc 2>/dev/null | gzip -1) >"$kernel_dir/initramfs.gz"
  rm -rf "$kernel_dir/tree" "$kernel_dir/initramfs"
  touch "$kernel_dir/ready"
fi

# This run's disks: an overlay of the root, the payload, the result disk and the AHCI disk.
run=$work/run
rm -rf "$run"
mkdir -p "$run/payload" "$run/results"
cp "$deb" "$here/guest_checks.sh" "$run/payload/"
# The tray's stand-in, which the notifier must reach in the seated user's session.
[ -x "$build/bin/tray_stand_in" ] || die "$build has no tray_stand_in (build the target)"
cp "$build/bin/tray_stand_in" "$run/payload/"
# The README's Prometheus drop-in, as an administrator would copy it.
sed -n '/sudo systemctl edit LMXDuowatch/,/sudo systemctl restart LMXDuowatch/p' "$source_dir/README.md" |
  sed -n 's/^        //p' >"$run/payload/prometheus.conf"
grep -q '^ReadWritePaths=' "$run/payload/prometheus.conf" || die "the README has no Prometheus drop-in"
tar -c -f "$run/payload.tar" -C "$run/payload" .
qemu-img create -q -f qcow2 -b "$image" -F raw "$run/root.qcow2"
truncate -s 32M "$run/result.img"
truncate -s 64M "$run/ahci.img"

prepared=$(now)
serial=$run/serial.log
timeout 1200 qemu-system-x86_64 -accel tcg -machine pc -m 2048 -smp 1 -nographic -no-reboot -nic none \
  -kernel "$kernel_dir/vmlinuz" -initrd "$kernel_dir/initramfs.gz" \
  -append "console=ttyS0 quiet loglevel=3 panic=-1 systemd.show_status=0" \
  -drive if=virtio,file="$run/root.qcow2",format=qcow2 \
  -drive if=virtio,file="$run/result.img",format=raw \
  -drive if=virtio,file="$run/payload.tar",format=raw,readonly=on \
  -drive if=none,id=disk,file="$run/ahci.img",format=raw -device ahci,id=ahci -device ide-hd,drive=disk,bus=ahci.0 \
  </dev/null >"$serial" 2>&1 || true
finished=$(now)
rm -f "$run/root.qcow2" "$run/ahci.img"

tar -x -f "$run/result.img" -C "$run/results" 2>/dev/null || true
echo "SYSTEMD-VM: guest booted and checked in $(seconds "$prepared" "$finished") s, in all $(seconds "$total_start" "$finished") s"
if [ ! -f "$run/results/log" ]; then
  echo "SYSTEMD-VM: no results came back; the serial console's end:"
  tail -n 40 "$serial"
  exit 1
fi
cat "$run/results/log"
echo "SYSTEMD-VM: the guest's journal is $run/results/journal.txt"
grep -q '^SYSTEMD-VM-RESULT: pass' "$run/results/log"
