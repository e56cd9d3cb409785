#!/usr/bin/env bash
# Pictures of the GUI programs' windows, one PNG per window and state, for looking at what the
# programs show. Usage:
#
#   scripts/screenshots.sh DIR
#
# Builds the programs (preset $LMX_PRESET, default release), then on an X server of its own
# (Xvfb) with a session bus and a small notification area: installs and starts dwsvc in a
# scratch system root on two simulated controllers (a three-drive controller rebuilding, a
# two-drive controller whose first drive runs at the alarm threshold), starts the tray
# application LMXDuowatch and works its windows with the keyboard as a user would. The Japanese
# pictures go into DIR, the English ones (Language = 1) into DIR/en:
#
#   alert.png                          the pop-up alert of the rebuilding controller
#   raid-info-tab-rebuilding.png       tab form, RAID No.1: three-drive controller rebuilding
#   raid-info-tab-over-temperature.png tab form, RAID No.2: drive 0 at the threshold (red box,
#                                      alarm mark on the tab)
#   about.png                          the About box
#   setting-interval.png               the check-interval dialog
#   setting-patrol.png                 the verify schedule dialog with the next run time
#   setting-temperature.png            the temperature alarm dialog
#   setting-display.png                the display-form dialog, tree form ticked
#   raid-info-tree-raid.png            tree form, RAID No.1 selected
#   raid-info-tree-drive.png           tree form, drive 1 of RAID No.1 (rebuilding) selected
#
# and, in a system root of their own, the firmware update tool (in DIR only, it has one language):
#
#   fwup.png                           the device list: two simulated controllers, an ordinary disk
#   fwup-progress.png                  a download under way
#
# and the same windows of the Windows build, drawn under Wine on the same X server, into
# DIR/windows with the same file names (as far as the Windows build has those windows yet):
#
#   alert.png, raid-info-tab-rebuilding.png, setting-patrol.png, raid-info-tree-drive.png,
#   fwup.png, fwup-progress.png
#
# Without a window manager the windows have no title bars: the pictures show their client
# areas (menu bar included). Set KEEP_ROOT=1 to keep the scratch root for a look afterwards.
set -euo pipefail

if [ $# -ne 1 ]; then
  echo "usage: $0 DIR" >&2
  exit 2
fi
out=$(realpath -m "$1")
cd "$(dirname "$0")/.."
repo=$PWD

scripts/ensure-packages.sh

preset=${LMX_PRESET:-release}
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j 2 --target dwsvc TXTRES_EN monswitch traysignal lmxsim lmxpipe LMXDuowatch \
  notification_area_host window_picture LMXDuo_fwupTool >/dev/null
bin=$PWD/build/$preset/bin

scratch=$(mktemp -d /tmp/lmxduowatch-screenshots.XXXXXX)
export LMXDUOWATCH_ROOT=$scratch/root
programs=$LMXDUOWATCH_ROOT/programs
mkdir -p "$programs"
cp "$bin"/{dwsvc,TXTRES_EN.so,monswitch,traysignal,lmxsim,lmxpipe,LMXDuowatch,LMXDuo_fwupTool} "$programs/"

xserver_pid=
bus_pid=
host_pid=
tray_pid=
fwup_pid=
wine_started=
finish() {
  local status=$?
  [ -n "$tray_pid" ] && kill "$tray_pid" 2>/dev/null || true
  [ -n "$fwup_pid" ] && kill "$fwup_pid" 2>/dev/null || true
  "$programs/monswitch" stop LMXDuowatch >/dev/null 2>&1 || true
  [ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null || true
  [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null || true
  [ -n "$wine_started" ] && wineserver -k 2>/dev/null || true
  [ -n "$xserver_pid" ] && kill "$xserver_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  if [ "${KEEP_ROOT:-0}" = 1 ]; then
    echo "System root kept: $LMXDUOWATCH_ROOT"
  else
    rm -rf "$scratch"
  fi
  exit $status
}
trap finish EXIT

# Waits up to $2 seconds (default 20) until the command $1 succeeds.
wait_until() {
  local tries=$(( ${2:-20} * 10 ))
  while ! eval "$1" >/dev/null 2>&1; do
    tries=$((tries - 1))
    if [ $tries -le 0 ]; then
      echo "screenshots: gave up waiting for: $1" >&2
      return 1
    fi
    sleep 0.1
  done
}

# ---- the desktop: X server, session bus, notification area
# -noreset: an X server that resets when its last client leaves refuses connections meanwhile.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$scratch/display" 2>/dev/null &
xserver_pid=$!
wait_until '[ -s "$scratch/display" ]'
export DISPLAY=:$(head -n1 "$scratch/display")
dbus-daemon --session --nofork --print-address=3 3>"$scratch/bus" &
bus_pid=$!
wait_until '[ -s "$scratch/bus" ]'
export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$scratch/bus")
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR=$scratch/runtime
mkdir -m 0700 "$XDG_RUNTIME_DIR"
"$bin/notification_area_host" >"$scratch/host" &
host_pid=$!
wait_until 'grep -q "^ready" "$scratch/host"'

# ---- the service on two simulated controllers
cd "$programs"
./dwsvc install >/dev/null
./lmxsim create 0 controller "Lumavex ZDAP-RS482" >/dev/null
./lmxsim set 0 raid.status=2 raid.rebuildProgress=128 members.1.rebuilding=true \
  members.0.temperature=41 members.1.temperature=39 members.2.temperature=40 >/dev/null
./lmxsim create 1 controller "Lumavex ZDA-RS481" >/dev/null
./lmxsim set 1 members.0.temperature=60 members.1.temperature=45 >/dev/null
./monswitch start LMXDuowatch >/dev/null
wait_until './lmxpipe ready | grep -qx ready'
./lmxpipe set-temperature 0x3C01 >/dev/null    # alarm on at 60 °C
./lmxpipe set-patrol 0x1E0A0381 >/dev/null     # weekly, Wednesday 10:30, enabled
./lmxpipe refresh >/dev/null
wait_until '[ "$(./lmxpipe status | grep -c "RAID No.")" = 2 ]'

# ---- looking at windows
window_of() {  # the shown window whose title is exactly $1
  xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1
}
wait_window() {
  wait_until "[ -n \"\$(window_of '$1')\" ]"
  sleep 0.7  # painted
  window_of "$1"
}
wait_window_gone() {
  wait_until "[ -z \"\$(window_of '$1')\" ]"
}
# launch PIDVAR TITLE COMMAND...: starts a GUI program in the background, sets PIDVAR to its
# process id and waits for its window titled TITLE; a program that ends first fails the script
# with what it printed.
launch() {
  local var=$1 title=$2 pid
  shift 2
  "$@" >"$scratch/program.out" 2>&1 &
  pid=$!
  printf -v "$var" %s "$pid"
  wait_until "[ -n \"\$(window_of '$title')\" ] || ! kill -0 $pid"
  if ! kill -0 "$pid" 2>/dev/null; then
    echo "screenshots: no window '$title' from: $*" >&2
    cat "$scratch/program.out" >&2
    return 1
  fi
}
picture() {  # picture TITLE FILE
  local window
  window=$(wait_window "$1")
  "$bin/window_picture" "$window" "$2"
  echo "  $(basename "$2")"
}
keys() {  # keys TITLE KEY...: presses the keys, one after the other, in that window
  local title=$1 window
  shift
  window=$(wait_window "$title")
  xdotool windowfocus --sync "$window"
  for key in "$@"; do
    xdotool key "$key"
    sleep 0.4
  done
}

# One round of pictures with the tray application in the language the registry names.
round() {  # round DIR INFORMATION_TITLE ABOUT_TITLE INTERVAL_TITLE PATROL_TITLE TEMPERATURE_TITLE DISPLAY_TITLE
  local dir=$1 info=$2 about=$3 interval=$4 patrol=$5 temperature=$6 display=$7
  mkdir -p "$dir"
  ./lmxpipe set-dialog 0 >/dev/null
  : >"$scratch/host.items"
  launch tray_pid "Duowatch" ./LMXDuowatch

  # The first load raises the alert of the rebuilding controller; Enter is "show information".
  picture "Duowatch" "$dir/alert.png"
  keys "Duowatch" Return
  picture "$info" "$dir/raid-info-tab-rebuilding.png"
  keys "$info" ctrl+Tab
  picture "$info" "$dir/raid-info-tab-over-temperature.png"

  keys "$info" alt+h a
  picture "$about" "$dir/about.png"
  keys "$about" Return
  wait_window_gone "$about"

  keys "$info" alt+e i
  picture "$interval" "$dir/setting-interval.png"
  keys "$interval" Escape
  keys "$info" alt+e v
  picture "$patrol" "$dir/setting-patrol.png"
  keys "$patrol" Escape
  keys "$info" alt+e t
  picture "$temperature" "$dir/setting-temperature.png"
  keys "$temperature" Escape

  # The display-form dialog: tick the tree form and set it; the tree form replaces the tabs.
  keys "$info" alt+e d
  keys "$display" space
  picture "$display" "$dir/setting-display.png"
  keys "$display" alt+s
  wait_window_gone "$display"
  picture "$info" "$dir/raid-info-tree-raid.png"
  keys "$info" Down Down
  picture "$info" "$dir/raid-info-tree-drive.png"

  kill "$tray_pid"
  wait "$tray_pid" 2>/dev/null || true
  tray_pid=
}

echo "Japanese pictures in $out"
round "$out" "RAID情報" "バージョン情報" "監視インターバル設定" "ベリファイスケジュール設定" "温度監視設定" "RAID情報表示設定"

./dwsvc language en >/dev/null
echo "English pictures in $out/en"
round "$out/en" "RAID information" "Version information" "Monitoring interval settings" "Verify schedule settings" \
  "Temperature monitoring settings" "RAID information display settings"

# ---- the firmware update tool, each picture in a system root of its own
fwup_title="LMX Duocard Firmware Update Tool"
fwup_picture() {  # fwup_picture ROOT FILE READY [IMAGE]: the tool's window once the command READY succeeds
  local root=$1 file=$2 ready=$3
  shift 3
  launch fwup_pid "$fwup_title" env LMXDUOWATCH_ROOT="$root" ./LMXDuo_fwupTool "$@"
  wait_until "$ready"
  picture "$fwup_title" "$file"
  kill "$fwup_pid"
  wait "$fwup_pid" 2>/dev/null || true
  fwup_pid=
}
in_root() {  # in_root ROOT COMMAND...: runs a program with ROOT as the system root
  LMXDUOWATCH_ROOT=$1 "${@:2}"
}
echo "Firmware tool pictures in $out"
list_root=$scratch/fwup-list
in_root "$list_root" ./lmxsim create 0 controller "Lumavex ZDAP-RS482" >/dev/null
in_root "$list_root" ./lmxsim create 1 disk "WDC WD40EFRX" >/dev/null
in_root "$list_root" ./lmxsim create 2 controller "ZDA-JW100" >/dev/null
fwup_picture "$list_root" "$out/fwup.png" true

# A path on the command line starts the update at once on the controller selected first; slow
# blocks keep the download under way while it is drawn (after its fifth block).
progress_root=$scratch/fwup-progress
in_root "$progress_root" ./lmxsim create 0 disk "WDC WD40EFRX" >/dev/null
in_root "$progress_root" ./lmxsim create 1 controller "Lumavex ZDA-RS481" >/dev/null
in_root "$progress_root" ./lmxsim set 1 faults.delayMs=100 >/dev/null
head -c 262144 /dev/urandom >"$scratch/firmware.bin"
blocks_received='in_root "$progress_root" ./lmxsim firmware 1 | sed -n "s/.*(\([0-9]*\) blocks).*/\1/p"'
fwup_picture "$progress_root" "$out/fwup-progress.png" "[ \"\$($blocks_received)\" -ge 5 ]" "$scratch/firmware.bin"

# ---- the Windows build's windows under Wine, on the same X server
(
  cd "$repo"
  scripts/ensure-packages.sh --windows
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j 2 --target LMXDuo_fwupTool lmxsim dwsvc TXTRES_EN monswitch traysignal lmxpipe \
    LMXDuowatch >/dev/null
)
windows_bin=$repo/build/windows/bin
# A prefix of its own with Wine's X11 driver (the tests' prefix draws nothing).
export WINEPREFIX=$scratch/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine_started=1
wineboot -i </dev/null >/dev/null 2>&1
wineserver -w
# A fresh prefix has no Japanese face: the dialog fonts ("MS UI Gothic", "MS Shell Dlg") and the
# menus' and captions' faces are drawn with IPAGothic, as on Linux (the face Windows would use
# is not there to take).
for face in "MS UI Gothic" "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "Segoe UI"; do
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d IPAGothic /f </dev/null >/dev/null 2>&1
done
wineserver -w
windows_programs=$scratch/windows-programs
mkdir -p "$windows_programs"
cp "$windows_bin"/{LMXDuo_fwupTool.exe,lmxsim.exe} "$windows_programs/"
cd "$windows_programs"
win_root() {  # the Windows path of a scratch root
  winepath -w "$1" 2>/dev/null
}
wine_fwup_picture() {  # wine_fwup_picture ROOT FILE READY [IMAGE]
  local root=$1 file=$2 ready=$3
  shift 3
  launch fwup_pid "$fwup_title" env LMXDUOWATCH_ROOT="$(win_root "$root")" wine ./LMXDuo_fwupTool.exe "$@"
  wait_until "$ready"
  picture "$fwup_title" "$file"
  kill "$fwup_pid"
  wait "$fwup_pid" 2>/dev/null || true
  fwup_pid=
}
wine_sim() {  # wine_sim ROOT ARGUMENTS...: the Windows lmxsim on a scratch root
  LMXDUOWATCH_ROOT=$(win_root "$1") wine ./lmxsim.exe "${@:2}" </dev/null
}
echo "Windows pictures in $out/windows"
mkdir -p "$out/windows"
win_list_root=$scratch/win-fwup-list
mkdir -p "$win_list_root"
wine_sim "$win_list_root" create 0 controller "Lumavex ZDAP-RS482" >/dev/null
wine_sim "$win_list_root" create 1 disk "WDC WD40EFRX" >/dev/null
wine_sim "$win_list_root" create 2 controller "ZDA-JW100" >/dev/null
wine_fwup_picture "$win_list_root" "$out/windows/fwup.png" true

win_progress_root=$scratch/win-fwup-progress
mkdir -p "$win_progress_root"
wine_sim "$win_progress_root" create 0 disk "WDC WD40EFRX" >/dev/null
wine_sim "$win_progress_root" create 1 controller "Lumavex ZDA-RS481" >/dev/null
wine_sim "$win_progress_root" set 1 faults.delayMs=100 >/dev/null
win_blocks_received='wine_sim "$win_progress_root" firmware 1 | sed -n "s/.*(\([0-9]*\) blocks).*/\1/p"'
wine_fwup_picture "$win_progress_root" "$out/windows/fwup-progress.png" "[ \"\$($win_blocks_received)\" -ge 5 ]" \
  "$(winepath -w "$scratch/firmware.bin")"

# The tray application and the service of the Windows build, on the same two controllers as on
# Linux, in a root inside the prefix (the Windows side checks who may change the folders above
# a root, and C:\ is the prefix's own).
windows_root=$WINEPREFIX/drive_c/lmxroot
mkdir -p "$windows_root/programs"
cp "$windows_bin"/{dwsvc.exe,TXTRES_EN.dll,monswitch.exe,traysignal.exe,lmxsim.exe,lmxpipe.exe,LMXDuowatch.exe} \
  "$windows_root/programs/"
cd "$windows_root/programs"
export LMXDUOWATCH_ROOT='C:\lmxroot'
wine ./lmxsim.exe create 0 controller "Lumavex ZDAP-RS482" >/dev/null
wine ./lmxsim.exe set 0 raid.status=2 raid.rebuildProgress=128 members.1.rebuilding=true \
  members.0.temperature=41 members.1.temperature=39 members.2.temperature=40 >/dev/null
wine ./lmxsim.exe create 1 controller "Lumavex ZDA-RS481" >/dev/null
wine ./lmxsim.exe set 1 members.0.temperature=60 members.1.temperature=45 >/dev/null
wine ./dwsvc.exe install >/dev/null
wine ./monswitch.exe start LMXDuowatch >/dev/null
wait_until 'wine ./lmxpipe.exe ready | grep -q ready'
wine ./lmxpipe.exe set-temperature 0x3C01 >/dev/null
wine ./lmxpipe.exe set-patrol 0x1E0A0381 >/dev/null
wine ./lmxpipe.exe set-dialog 0 >/dev/null
wine ./lmxpipe.exe refresh >/dev/null
wait_until '[ "$(wine ./lmxpipe.exe status | grep -c "RAID No.")" = 2 ]'

launch tray_pid "Duowatch" wine ./LMXDuowatch.exe
picture "Duowatch" "$out/windows/alert.png"
keys "Duowatch" Return
picture "RAID情報" "$out/windows/raid-info-tab-rebuilding.png"
keys "RAID情報" alt+e v
picture "ベリファイスケジュール設定" "$out/windows/setting-patrol.png"
keys "ベリファイスケジュール設定" Escape
keys "RAID情報" alt+e d
keys "RAID情報表示設定" space alt+s
wait_window_gone "RAID情報表示設定"
keys "RAID情報" Down Down
picture "RAID情報" "$out/windows/raid-info-tree-drive.png"
wine ./monswitch.exe stop LMXDuowatch >/dev/null || true
