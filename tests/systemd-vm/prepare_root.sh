#!/usr/bin/env bash
# mmdebstrap's customize hook for the guest's root (tests/systemd-vm/run.sh):
#
#   prepare_root.sh ROOT KERNEL_DEB HERE
#
# Lays the kernel's disk, SCSI, virtio and ext4 modules into ROOT with their index (depmod in the
# guest's own kmod), and the boot unit that runs the checks found on the payload disk.
set -euo pipefail
root=$1
kernel_deb=$2
here=$3

dpkg-deb --fsys-tarfile "$kernel_deb" | tar -x -C "$root" --wildcards \
  './lib/modules/*/modules.order' './lib/modules/*/modules.builtin*' \
  './lib/modules/*/kernel/drivers/ata/*' './lib/modules/*/kernel/drivers/scsi/*' \
  './lib/modules/*/kernel/drivers/block/*' './lib/modules/*/kernel/drivers/virtio/*' \
  './lib/modules/*/kernel/drivers/char/*' \
  './lib/modules/*/kernel/fs/ext4/*' './lib/modules/*/kernel/fs/jbd2/*' './lib/modules/*/kernel/fs/mbcache*' \
  './lib/modules/*/kernel/lib/*' './lib/modules/*/kernel/block/*' './lib/modules/*/kernel/crypto/*'
for version in "$root"/lib/modules/*; do
  chroot "$root" depmod -a "$(basename "$version")"
done

install -m 755 "$here/guest_boot.sh" "$root/usr/local/sbin/lmx-vm-check"
cat >"$root/etc/systemd/system/lmx-vm-check.service" <<'UNIT'
[Unit]
Description=LMX Duowatch guest checks
After=multi-user.target

[Service]
Type=oneshot
ExecStart=/usr/local/sbin/lmx-vm-check
StandardOutput=journal+console
StandardError=journal+console
TimeoutStartSec=infinity

[Install]
WantedBy=multi-user.target
UNIT
ln -sf /etc/systemd/system/lmx-vm-check.service "$root/etc/systemd/system/multi-user.target.wants/lmx-vm-check.service"
echo lmxguest >"$root/etc/hostname"
# The root is the first virtio disk, mounted read-write by the initramfs.
echo "/dev/vda / ext4 rw,errors=remount-ro 0 1" >"$root/etc/fstab"
