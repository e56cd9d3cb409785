#!/usr/bin/env bash
# The real-disk test: boots Debian kernels under QEMU (software emulation, no KVM) with an emulated
# AHCI disk, and runs vm_drive_probe and dwsvc against it in the guest (tests/vm/guest_init.sh).
#
#   tests/vm/run.sh BIN_DIR WORK_DIR
#
# BIN_DIR holds the built programs (vm_drive_probe, dwsvc, lmxpipe). WORK_DIR (in the build tree)
# caches the kernel packages and keeps each kernel's serial log (serial-KERNEL.log).
# Everything comes from Debian packages: qemu-system-x86 and busybox-static installed (see
# scripts/ensure-packages.sh), and the kernels fetched with `apt-get download` and unpacked into
# WORK_DIR, never installed. Each kernel meta package below is resolved to the image it depends
# on now: 6.1 returns failed commands' sense in the older libata layout, 6.12 in the SAT layout.
set -euo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 BIN_DIR WORK_DIR" >&2
  exit 2
fi
bin=$(realpath "$1")
mkdir -p "$2"
work=$(realpath "$2")
here=$(dirname "$(realpath "$0")")
kernels=(linux-image-amd64 linux-image-6.12-amd64)
wanted_modules=(ahci sd_mod sg)
programs=(vm_drive_probe dwsvc lmxpipe)

now() { date +%s.%N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", b - a }'; }
die() {
  echo "VM test: $*" >&2
  exit 1
}

for tool in qemu-system-x86_64 busybox dpkg-deb apt-get apt-cache xz gzip; do
  command -v "$tool" >/dev/null || die "$tool is missing (scripts/ensure-packages.sh installs it)"
done
busybox=$(command -v busybox)
if ldd "$busybox" >/dev/null 2>&1; then
  die "$busybox is not the static busybox (package busybox-static)"
fi
for program in "${programs[@]}"; do
  [ -x "$bin/$program" ] || die "$bin/$program is not built"
done

# image_package, fetch_package, fetch_kernel: Debian's kernel packages in $work/debs.
source "$here/debian_kernel.sh"

# The kernel and its disk modules from package $1, unpacked once into $2.
unpack_kernel() {
  local package=$1 target=$2
  [ -f "$target/ready" ] && return 0
  local deb
  deb=$(fetch_package "$package")
  rm -rf "$target" "$target.tree"
  mkdir -p "$target/modules" "$target.tree"
  dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$target.tree" --wildcards './boot/vmlinuz-*' \
    './lib/modules/*/kernel/drivers/ata/*' './lib/modules/*/kernel/drivers/scsi/*' \
    './lib/modules/*/kernel/lib/*' './lib/modules/*/kernel/block/*' './lib/modules/*/kernel/crypto/*'
  cp "$target.tree"/boot/vmlinuz-* "$target/vmlinuz"

  # The wanted modules and what they depend on, in loading order (dependencies first).
  local -A files=() loaded=()
  local file name
  while IFS= read -r file; do
    name=$(basename "$file")
    name=${name%.xz}
    name=${name%.ko}
    files[${name//-/_}]=$file
  done < <(find "$target.tree/lib/modules" -name '*.ko' -o -name '*.ko.xz')
  load() {
    local key=${1//-/_} dependency
    [ -n "${loaded[$key]:-}" ] && return 0
    [ -n "${files[$key]:-}" ] || return 0  # built into the kernel
    loaded[$key]=1
    local modinfo
    case ${files[$key]} in
      *.xz) xz -dc "${files[$key]}" >"$target/modules/$key.ko" ;;
      *) cp "${files[$key]}" "$target/modules/$key.ko" ;;
    esac
    modinfo=$(tr '\0' '\n' <"$target/modules/$key.ko" | sed -n 's/^depends=//p' | head -n 1)
    for dependency in ${modinfo//,/ }; do load "$dependency"; done
    echo "$key" >>"$target/modules/order"
  }
  for name in "${wanted_modules[@]}"; do load "$name"; done
  rm -rf "$target.tree"
  touch "$target/ready"
}

# The initramfs: busybox, the init, the programs with their shared libraries, the modules.
build_initramfs() {
  local kernel_dir=$1 output=$2
  local root
  root=$(mktemp -d "$work/initramfs.XXXXXX")
  mkdir -p "$root"/{bin,programs,modules,proc,sys,dev,tmp,var/lib}
  cp "$busybox" "$root/bin/busybox"
  cp "$here/guest_init.sh" "$root/init"
  chmod 755 "$root/init"
  cp "$kernel_dir"/modules/* "$root/modules/"
  local program library
  for program in "${programs[@]}"; do
    # Without debug sections: the initramfs stays small and quick to build and unpack.
    strip --strip-debug -o "$root/programs/$program" "$bin/$program" 2>/dev/null || cp "$bin/$program" "$root/programs/"
    for library in $(ldd "$bin/$program" | awk '/=> \// { print $3 } /^\t\// { print $1 }'); do
      mkdir -p "$root$(dirname "$library")"
      cp -L "$library" "$root$library"
    done
  done
  (cd "$root" && find . | busybox cpio -o -H newc 2>/dev/null | gzip -1) >"$output"
  rm -rf "$root"
}

overall=pass
packages=()
total_start=$(now)
for meta in "${kernels[@]}"; do
  start=$(now)
  package=$(fetch_kernel "$meta")
  packages+=("$package")
  kernel_dir="$work/kernels/$package"
  unpack_kernel "$package" "$kernel_dir"
  build_initramfs "$kernel_dir" "$work/initramfs-$package.gz"
  prepared=$(now)

  disk="$work/disk-$package.img"
  rm -f "$disk"
  truncate -s 64M "$disk"
  log="$work/serial-$package.log"
  timeout 600 qemu-system-x86_64 -accel tcg -machine pc -m 1024 -smp 1 -nographic -no-reboot -nic none \
    -kernel "$kernel_dir/vmlinuz" -initrd "$work/initramfs-$package.gz" \
    -append "console=ttyS0 quiet panic=-1" \
    -drive if=none,id=disk,file="$disk",format=raw -device ahci,id=ahci -device ide-hd,drive=disk,bus=ahci.0 \
    </dev/null >"$log" 2>&1 || true
  rm -f "$disk"
  finished=$(now)

  tr -d '\r' <"$log" | grep -E '^(VM|ROW|ok|FAIL|RAW|STATUS|DEBUG|VM-RESULT)|passed, [0-9]+ failed' || true
  echo "VM: $package: prepared in $(seconds "$start" "$prepared") s, booted and tested in $(seconds "$prepared" "$finished") s"
  if ! tr -d '\r' <"$log" | grep -q '^VM-RESULT: pass'; then
    echo "VM: $package: FAILED (serial log: $log)"
    tail -n 20 "$log"
    overall=fail
  fi
done
echo "VM: all kernels in $(seconds "$total_start" "$(now)") s"

# Drop the cached files of kernels that the meta packages no longer name.
for cached in "$work"/debs/*.deb "$work"/kernels/*; do
  [ -e "$cached" ] || continue
  name=$(basename "$cached")
  name=${name%%_*}
  [[ " ${packages[*]} " == *" $name "* ]] || rm -rf "$cached"
done
[ "$overall" = pass ]
