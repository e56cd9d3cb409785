#!/bin/bash
# The guest's boot unit (lmx-vm-check.service): unpacks the payload disk (/dev/vdc: the package
# and the checks), runs the checks, writes their log and the boot's journal to the result disk
# (/dev/vdb, a tar archive) and powers the guest off.
mkdir -p /run/payload /run/results
tar -x -f /dev/vdc -C /run/payload
bash /run/payload/guest_checks.sh 2>&1 | tee /run/results/log
journalctl -b --no-pager -o short-monotonic >/run/results/journal.txt 2>&1
tar -c -f /dev/vdb -C /run/results .
sync
systemctl poweroff --force --force
