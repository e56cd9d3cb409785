#!/bin/bash
# The checks in the systemd guest (tests/systemd-vm/run.sh), run as root by its boot unit with the
# payload in /run/payload: the package of the build under test, and prometheus.conf, the README's
# drop-in. Every check prints "ok NAME", or "FAIL NAME" with its evidence; the last line is
# "SYSTEMD-VM-RESULT: pass" or "SYSTEMD-VM-RESULT: fail".
set -u
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
unit=LMXDuowatch.service
dropins=/etc/systemd/system/$unit.d
prom_dir=/var/lib/prometheus/node-exporter
passed=0
failed=0

ok() {
  echo "ok $1"
  passed=$((passed + 1))
}
fail() {  # NAME EVIDENCE...
  echo "FAIL $1"
  shift
  [ $# -gt 0 ] && printf '%s\n' "$@" | sed 's/^/    | /'
  failed=$((failed + 1))
}
check() {  # NAME COMMAND...: passes when the command does; its output is the evidence
  local name=$1 output
  shift
  if output=$("$@" 2>&1); then ok "$name"; else fail "$name" "$output"; fi
}
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.2f", b - a }'; }
wait_for() {  # SECONDS COMMAND...: true once the command succeeds
  local limit=$1 start
  shift
  start=$(date +%s)
  until "$@" >/dev/null 2>&1; do
    [ $(($(date +%s) - start)) -ge "$limit" ] && return 1
    sleep 0.5
  done
}
cursor() { journalctl -n 0 --show-cursor -q 2>/dev/null | sed -n 's/^-- cursor: //p'; }
journal_since() { journalctl -u "$unit" --after-cursor="$1" --no-pager -o cat 2>/dev/null; }
main_pid() { systemctl show -P MainPID "$unit"; }
active() { [ "$(systemctl is-active "$unit")" = active ]; }
setting() {  # NAME: the service key's value in the registry
  sqlite3 /var/lib/lmxduowatch/registry.db \
    "SELECT value FROM registry_view WHERE key_path = 'SYSTEM\\CurrentControlSet\\Services\\LMXDuowatch' AND name = '$1'"
}
export -f setting
expect_setting() {  # LABEL NAME VALUE: the setting takes the value within 15 s
  if wait_for 15 bash -c "[ \"\$(setting $2)\" = $3 ]"; then ok "$1"; else fail "$1" "$2 is '$(setting "$2")', not $3"; fi
}
no_refusal_of() {  # UID CURSOR
  ! journalctl --after-cursor="$2" -o cat --no-pager | grep "of user $1 .* refused"
}
restart_and_wait() {
  systemctl restart "$unit" && wait_for 60 active && wait_for 60 lmxpipe ready
}

echo "SYSTEMD-VM: guest up $(cut -d' ' -f1 /proc/uptime) s after boot, kernel $(uname -r), systemd $(systemctl --version | head -n 1 | cut -d' ' -f2)"
udevadm settle -t 60
# No manual-page index rebuilt after each apt run: minutes under emulation, and `man` finds the
# pages without it.
rm -f /var/lib/man-db/auto-update

# The install.
start=$(now)
if apt-get install -y /run/payload/lmxduowatch_*.deb >/tmp/apt.log 2>&1; then
  ok "apt install ($(since "$start") s)"
else
  fail "apt install" "$(tail -n 30 /tmp/apt.log)"
fi
check "the service is active after the install" wait_for 60 active
if ldd /opt/lmxduowatch/dwsvc 2>/dev/null | grep -q libasan; then
  # A sanitized build: the leak check at exit stops the threads with ptrace, which the unit's
  # system-call filter refuses.
  mkdir -p "$dropins"
  printf '[Service]\nEnvironment=ASAN_OPTIONS=detect_leaks=0\n' >"$dropins/sanitizer.conf"
  systemctl daemon-reload
  systemctl restart "$unit"
  echo "SYSTEMD-VM: a sanitized build: its leak check is off in the guest"
fi
check "the service is enabled" systemctl is-enabled "$unit"
ready=$(systemctl show -P ExecMainStartTimestampMonotonic "$unit")
up=$(systemctl show -P ActiveEnterTimestampMonotonic "$unit")
echo "SYSTEMD-VM: READY $(awk -v a="$ready" -v b="$up" 'BEGIN { printf "%.2f", (b - a) / 1e6 }') s after exec"
check "the service answers on its pipe" wait_for 60 lmxpipe ready
check "lmxpipe status as root" lmxpipe status
check "lmxpipe status --json as root" bash -c 'lmxpipe status --json | grep -q physicalNumber'
useradd -m -s /bin/bash reader
check "lmxpipe status as a user" runuser -u reader -- lmxpipe status
check "man dwsvc" bash -c 'MANPAGER=cat man dwsvc | grep -q LMXDUOWATCH_TEXTFILE_DIR'

# The sandbox: the program folder and /etc are read-only to the service.
pid=$(main_pid)
for folder in /opt/lmxduowatch /etc; do
  options=$(nsenter -t "$pid" -m findmnt -no OPTIONS --target "$folder" 2>&1)
  if [[ ",$options," == *,ro,* ]]; then ok "$folder is read-only to the service"; else fail "$folder is read-only to the service" "$options"; fi
done
options=$(nsenter -t "$pid" -m findmnt -no OPTIONS --target /var/lib/lmxduowatch 2>&1)
if [[ ",$options," == *,rw,* ]]; then ok "its state folder is writable"; else fail "its state folder is writable" "$options"; fi

# A disk that appears after the service started (its driver loaded later) is reached. The disk is
# taken away and its drivers unloaded, the service started, then the drivers loaded and the disk
# probed again and a poll asked for, until the service's log since its start says PATTERN (at
# most 90 s); that log is in $late_log.
late_disk() {  # PATTERN
  systemctl stop "$unit"
  [ -e /sys/block/sda/device/delete ] && echo 1 >/sys/block/sda/device/delete
  udevadm settle -t 30
  modprobe -r sg sd_mod 2>/tmp/rmmod.log
  if grep -q '^sd_mod ' /proc/modules; then
    fail "the disk driver is unloaded before the start" "$(cat /tmp/rmmod.log)" "$(lsmod | head -n 20)"
  fi
  local mark
  mark=$(cursor)
  systemctl start "$unit"
  wait_for 60 lmxpipe ready
  modprobe sd_mod
  modprobe sg
  for host in /sys/class/scsi_host/host*/scan; do echo '- - -' >"$host"; done
  udevadm settle -t 30
  wait_for 30 test -b /dev/sda
  lmxpipe refresh >/dev/null
  wait_for 90 bash -c "journalctl -u $unit --after-cursor='$mark' -o cat | grep -q '$1'"
  late_log=$(journal_since "$mark")
  late_evidence=("/proc/devices: $(grep -E ' (sd|sg)$' /proc/devices | tr '\n' ' ')"
    "ls /dev/sd* /dev/sg*: $(ls /dev/sd* /dev/sg* 2>&1 | tr '\n' ' ')" "the service's log since its start:"
    "$(tail -n 25 <<<"$late_log")")
}

# First as the unit was before its drivers were loaded for it (the loading units masked): the
# disk stays closed to the service, and its log says so, once, without debug output.
systemctl mask -q modprobe@sd_mod.service modprobe@sg.service
systemctl daemon-reload
late_disk '/dev/sda cannot be opened'
refusals=$(grep -c '^/dev/sda cannot be opened: Operation not permitted' <<<"$late_log")
if [ "$refusals" = 1 ]; then
  ok "without its drivers loaded first, the disk is refused and the log says so once"
else
  fail "without its drivers loaded first, the disk is refused and the log says so once" \
    "$refusals lines say so" "${late_evidence[@]}"
fi
systemctl unmask -q modprobe@sd_mod.service modprobe@sg.service

mkdir -p "$dropins"
printf '[Service]\nEnvironment=LMXDUOWATCH_DEBUG=1\n' >"$dropins/debug.conf"
systemctl daemon-reload
late_disk '^sda: SAT EC: GOOD'
if grep -q '^sda: SAT EC: GOOD, 512 bytes' <<<"$late_log"; then
  ok "a disk that appears after the start is reached (IDENTIFY by the SCSI route)"
else
  fail "a disk that appears after the start is reached (IDENTIFY by the SCSI route)" "${late_evidence[@]}"
fi
if grep -q 'cannot be opened' <<<"$late_log"; then
  fail "no disk refused to the service" "$(grep 'cannot be opened' <<<"$late_log")"
else
  ok "no disk refused to the service"
fi
check "lmxpipe status: drive 0 has no controller" bash -c 'lmxpipe status | head -n 1 | grep -q "^drive 0: no controller"'
rm -f "$dropins/debug.conf"
systemctl daemon-reload

# The README's Prometheus drop-in, on a machine without node_exporter's folder.
rm -rf /var/lib/prometheus
cp /run/payload/prometheus.conf "$dropins/prometheus.conf"
systemctl daemon-reload
mark=$(cursor)
systemctl restart "$unit"
if wait_for 60 active && wait_for 30 lmxpipe ready; then
  ok "the README's Prometheus drop-in starts the service where the folder is missing"
else
  fail "the README's Prometheus drop-in starts the service where the folder is missing" \
    "$(systemctl status "$unit" --no-pager 2>&1 | tail -n 15)"
fi
lmxpipe refresh >/dev/null
if wait_for 60 bash -c "journalctl -u $unit --after-cursor='$mark' -o cat | grep -q 'metrics folder $prom_dir is missing'"; then
  ok "the log says the metrics folder is missing"
else
  fail "the log says the metrics folder is missing" "$(journal_since "$mark" | tail -n 15)"
fi
mkdir -p "$prom_dir"
restart_and_wait
if wait_for 60 test -s "$prom_dir/lmxduowatch.prom"; then
  ok "the metrics file is written once the folder is there"
  check "the metrics file says when it was written" bash -c "head -n 1 $prom_dir/lmxduowatch.prom | grep -q '^# Written by dwsvc at '"
else
  fail "the metrics file is written once the folder is there" "$(ls -la "$prom_dir")" "$(journalctl -u "$unit" -n 15 --no-pager -o cat)"
fi

# A simulated controller in the default root: found, its events in the journal with their fields.
mark=$(cursor)
lmxsim create 0 controller "Lumavex ZDAP-RS482" >/dev/null
lmxpipe refresh >/dev/null
check "the simulated controller shows in lmxpipe status --json" \
  wait_for 60 bash -c 'lmxpipe status --json | grep -q "\"raidModel\": \"Lumavex ZDAP-RS482\""'
check "its metrics show it" wait_for 60 grep -q 'lmxduowatch_controller_present{drive="0"} 1' "$prom_dir/lmxduowatch.prom"
# The one controller found in this boot: its entry, with the fields an administrator filters by.
found_event() {
  journalctl -b -t LMXDuowatch LMX_EVENT_ID=0x400201F4 LMX_PHYSICAL_DRIVE=0 -o verbose --no-pager |
    grep -q '^ *MESSAGE_ID=[0-9a-f]\{32\}$'
}
if wait_for 20 found_event; then
  ok "the journal has the controller's event with its MESSAGE_ID and LMX_ fields"
else
  fail "the journal has the controller's event with its MESSAGE_ID and LMX_ fields" \
    "$(journalctl -b -o verbose --no-pager | grep -B 8 -A 25 '0x400201F4' | head -n 60)"
fi

# Who may change settings: root, the group lmxduowatch and the user at the machine (an
# autologin on tty1, a session on seat0); any other user is refused, and the journal says so.
useradd -m -s /bin/bash seated
useradd -m -s /bin/bash member
usermod -a -G lmxduowatch member
mkdir -p /etc/systemd/system/getty@tty1.service.d
printf '[Service]\nExecStart=\nExecStart=-/sbin/agetty --autologin seated --noclear %%I $TERM\n' \
  >/etc/systemd/system/getty@tty1.service.d/autologin.conf
systemctl daemon-reload
systemctl restart getty@tty1.service
seated_uid=$(id -u seated)
seat_session() { loginctl list-sessions --no-legend | awk -v u=seated '$3 == u && $4 == "seat0"' | grep -q .; }
if wait_for 60 seat_session; then
  ok "the autologin user has a session on seat0"
  lmxpipe set-popup 0
  mark=$(cursor)
  runuser -u seated -- lmxpipe set-popup 1
  expect_setting "the user at the machine may change a setting" PopMsgSetting 0x00000001
  runuser -u seated -- lmxpipe start-verify 0
  sleep 2
  check "the user at the machine may start a verify (no refusal in the journal)" no_refusal_of "$seated_uid" "$mark"
  check "the user's runtime folder is there for the tray's folders" test -d "/run/user/$seated_uid"
  # The tray's stand-in in that user's session: a refresh launches the notifier there as that
  # user, and it must find the window and deliver the change (0x8001).
  rm -f /tmp/tray-messages
  runuser -u seated -- /run/payload/tray_stand_in /tmp/tray-messages 90 &
  stand_in=$!
  if wait_for 20 bash -c "find /run/user/$seated_uid -name '*.title' | grep -q ."; then
    lmxpipe refresh >/dev/null
    if wait_for 30 grep -qx 0x8001 /tmp/tray-messages; then
      ok "the notifier reaches the tray's window in the user's session"
    else
      fail "the notifier reaches the tray's window in the user's session" \
        "messages: $(cat /tmp/tray-messages 2>&1)" "$(journal_since "$mark" | tail -n 15)" \
        "$(loginctl list-sessions --no-legend 2>&1)" \
        "$(timeout 10 nsenter -t "$(main_pid)" -m sh -c 'ls -la /run/systemd/sessions; for f in /run/systemd/sessions/*; do [ -f "$f" ] && cat "$f"; done' 2>&1 | head -n 40)"
    fi
  else
    fail "the tray's stand-in made its window" "$(ls -laR "/run/user/$seated_uid" 2>&1 | head -n 20)"
  fi
  kill "$stand_in" 2>/dev/null || true
else
  fail "the autologin user has a session on seat0" "$(loginctl list-sessions --no-legend 2>&1)" "$(systemctl status getty@tty1 --no-pager 2>&1 | tail -n 8)"
fi
lmxpipe set-popup 0
runuser -u member -- lmxpipe set-popup 1
expect_setting "a member of lmxduowatch may change a setting" PopMsgSetting 0x00000001
mark=$(cursor)
runuser -u reader -- lmxpipe set-popup 0
sleep 2
value=$(setting PopMsgSetting)
if [ "$value" = 0x00000001 ]; then
  ok "a user without a seat session is refused a change"
else
  fail "a user without a seat session is refused a change" "PopMsgSetting is $value after the user set 0"
fi
reader_uid=$(id -u reader)
if wait_for 10 bash -c "journalctl --after-cursor='$mark' -o cat | grep -q 'of user $reader_uid .* refused'"; then
  ok "the refusal is in the journal"
else
  fail "the refusal is in the journal" "$(journalctl --after-cursor="$mark" -o cat --no-pager | tail -n 10)"
fi
check "the refused user may still read" runuser -u reader -- lmxpipe status

# Stop, start, restart and a killed service.
for action in stop start restart; do
  start=$(now)
  systemctl "$action" "$unit"
  echo "SYSTEMD-VM: systemctl $action: $(since "$start") s"
done
old=$(main_pid)
start=$(now)
kill -9 "$old"
if wait_for 30 bash -c "[ \"\$(systemctl show -P MainPID $unit)\" != $old ] && [ \"\$(systemctl show -P MainPID $unit)\" != 0 ] && systemctl is-active -q $unit"; then
  ok "a killed service is restarted ($(since "$start") s)"
else
  fail "a killed service is restarted" "$(systemctl status "$unit" --no-pager 2>&1 | tail -n 10)"
fi

# The unit's exposure.
exposure=$(systemd-analyze security "$unit" --no-pager 2>&1 | sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\).*/\1/p')
if [ -n "$exposure" ] && awk -v e="$exposure" 'BEGIN { exit !(e <= 2.0) }'; then
  ok "systemd-analyze security: $exposure"
else
  fail "systemd-analyze security at or under 2.0" "$(systemd-analyze security "$unit" --no-pager 2>&1 | grep -v '✓' | tail -n 25)"
fi

# Removal and purge.
rm -rf "$dropins"
systemctl daemon-reload
apt-get remove -y lmxduowatch >/tmp/remove.log 2>&1 || fail "apt remove" "$(tail -n 20 /tmp/remove.log)"
if systemctl is-active -q "$unit"; then fail "apt remove stops the service" "$(systemctl status "$unit" --no-pager 2>&1 | tail)"; else ok "apt remove stops the service"; fi
if [ -e "$prom_dir/lmxduowatch.prom" ]; then
  fail "apt remove leaves no metrics file" "$(ls -la "$prom_dir")" "$(cat /tmp/remove.log)"
else
  ok "apt remove leaves no metrics file"
fi
apt-get purge -y lmxduowatch >/tmp/purge.log 2>&1 || fail "apt purge" "$(tail -n 20 /tmp/purge.log)"
left=$(ls -d /var/lib/lmxduowatch /var/log/lmxduowatch /opt/lmxduowatch "$prom_dir/lmxduowatch.prom" \
  /etc/systemd/system/*/LMXDuowatch.service /lib/systemd/system/LMXDuowatch.service 2>/dev/null
  getent group lmxduowatch)
if [ -z "$left" ]; then ok "apt purge leaves nothing"; else fail "apt purge leaves nothing" "$left"; fi

echo "$passed passed, $failed failed"
if [ "$failed" -eq 0 ]; then echo "SYSTEMD-VM-RESULT: pass"; else echo "SYSTEMD-VM-RESULT: fail"; fi
