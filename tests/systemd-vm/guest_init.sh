#!/bin/busybox sh
# The initramfs of the systemd guest (tests/systemd-vm/run.sh): loads the virtio and ext4
# modules, mounts the root disk and hands over to systemd.
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
for module in $(cat /modules/order); do
  insmod "/modules/$module.ko" 2>/dev/null
done
tries=0
while [ ! -e /dev/vda ] && [ $tries -lt 100 ]; do
  tries=$((tries + 1))
  sleep 0.1
done
mkdir -p /newroot
mount -t ext4 -o rw /dev/vda /newroot || { echo "SYSTEMD-VM: the root disk does not mount"; poweroff -f; }
umount /proc /sys
mount --move /dev /newroot/dev 2>/dev/null || umount /dev
exec switch_root /newroot /sbin/init
