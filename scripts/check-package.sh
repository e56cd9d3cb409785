#!/usr/bin/env bash
# Checks the installed layout and the Debian package without touching this machine:
#
#   scripts/check-package.sh FULL_BUILD PACKAGE_BUILD
#
# FULL_BUILD (a built folder with the GUI) is installed into a scratch tree with DESTDIR, whose
# layout, systemd unit and manual pages are checked. PACKAGE_BUILD is packaged with CPack; the
# package's contents and dependencies are checked, lintian must report no error, and it is
# installed into a scratch root (dpkg --root, maintainer scripts run outside a chroot with
# DPKG_ROOT), where the service runs in place on a simulated controller; then it is removed
# and purged there.
set -euo pipefail
cd "$(dirname "$0")/.."

full_build=${1:?usage: $0 FULL_BUILD PACKAGE_BUILD}
package_build=${2:?usage: $0 FULL_BUILD PACKAGE_BUILD}
prefix=/opt/lmxduowatch
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "check-package: $*" >&2
  exit 1
}
expect_paths() {  # TREE PATH...: each path exists in the tree (as a file, folder or link)
  local tree=$1
  shift
  for path in "$@"; do
    [ -e "$tree$path" ] || [ -L "$tree$path" ] || fail "missing $path"
  done
}

echo "== the install rules (DESTDIR install of $full_build)"
tree=$scratch/tree
DESTDIR=$tree cmake --install "$full_build" >/dev/null
[ -x "$tree$prefix/dwsvc" ] || fail "the build in $full_build is not installed under $prefix (set CMAKE_INSTALL_PREFIX)"
expect_paths "$tree" \
  $prefix/{dwsvc,monswitch,traysignal,prockill,lmxpipe,LMXDuowatch,LMXDuo_fwupTool,TXTRES_EN.so,lmxduowatch-installed} \
  $prefix/LMXDuowatchHelp_jp/index.html $prefix/LMXDuowatchHelp_en/index.html $prefix/icons/icon129.svg \
  /lib/systemd/system/LMXDuowatch.service \
  /etc/xdg/autostart/LMXDuowatch-autostart.desktop /usr/share/applications/LMXDuowatch.desktop \
  /usr/share/icons/hicolor/scalable/apps/lmxduowatch.svg \
  /usr/sbin/dwsvc /usr/sbin/monswitch /usr/sbin/LMXDuo_fwupTool /usr/bin/lmxpipe /usr/bin/prockill /usr/bin/traysignal /usr/bin/LMXDuowatch \
  /usr/share/man/man8/dwsvc.8.gz /usr/share/man/man8/monswitch.8.gz /usr/share/man/man1/lmxpipe.1.gz \
  /usr/share/man/man1/prockill.1.gz /usr/share/man/man1/traysignal.1.gz /usr/share/man/man1/LMXDuowatch.1.gz \
  /usr/share/man/man8/LMXDuo_fwupTool.8.gz
[ "$(readlink "$tree/usr/sbin/dwsvc")" = "$prefix/dwsvc" ] || fail "/usr/sbin/dwsvc does not lead to $prefix/dwsvc"

echo "== the systemd unit"
systemd-analyze verify --root="$tree" --recursive-errors=no --man=no /lib/systemd/system/LMXDuowatch.service
grep -qx "ExecStart=$prefix/dwsvc" "$tree/lib/systemd/system/LMXDuowatch.service" || fail "the unit does not start $prefix/dwsvc"
# A unit with a setting systemd does not know fails the check, so the check is not idle.
sed 's/^Type=notify$/Type=notify\nNoSuchSetting=1/' "$tree/lib/systemd/system/LMXDuowatch.service" \
  >"$scratch/Broken.service"
if systemd-analyze verify --root="$tree" --recursive-errors=no --man=no "$scratch/Broken.service" >/dev/null 2>&1; then
  fail "systemd-analyze verify accepts an unknown setting"
fi

echo "== the manual pages"
# Every page as written (also those of programs this build leaves out), and as installed.
for page in man/*.[18] "$tree"/usr/share/man/man*/*.gz; do
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

echo "== the package (CPack in $package_build)"
(cd "$package_build" && cpack -G DEB -B "$scratch/package" >/dev/null)
deb=$(ls "$scratch"/package/lmxduowatch_*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\.||' >"$scratch/contents"
for path in $prefix/dwsvc $prefix/monswitch $prefix/lmxpipe $prefix/LMXDuo_fwupTool $prefix/TXTRES_EN.so $prefix/lmxduowatch-installed \
  /lib/systemd/system/LMXDuowatch.service /usr/sbin/dwsvc /usr/bin/lmxpipe /usr/share/man/man8/dwsvc.8.gz \
  /usr/share/doc/lmxduowatch/copyright /usr/share/doc/lmxduowatch/changelog.gz; do
  grep -qx "$path" "$scratch/contents" || fail "the package lacks $path"
done
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libsqlite3-0 libsystemd0; do
  [[ "$depends" == *"$library"* ]] || fail "the package does not depend on $library: $depends"
done
for script in postinst prerm postrm; do
  dpkg-deb -I "$deb" "$script" >/dev/null || fail "the package has no $script"
done
if ! lintian --fail-on error "$deb" >"$scratch/lintian.log" 2>&1; then
  cat "$scratch/lintian.log"
  fail "lintian reports an error"
fi
grep -v '^running with root' "$scratch/lintian.log" || true

echo "== installing the package into a scratch root"
root=$scratch/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg_root() { dpkg --root="$root" --force-script-chrootless --force-depends --force-not-root "$@"; }
dpkg_root -i "$deb" >"$scratch/install.log" 2>&1 || { cat "$scratch/install.log"; fail "dpkg -i failed"; }
grep -q "Service installed sucessfully." "$scratch/install.log" || { cat "$scratch/install.log"; fail "postinst did not install the service"; }
system_root=$root/var/lib/lmxduowatch
registry_value() {
  sqlite3 "$system_root/registry.db" \
    "SELECT value FROM registry_view WHERE key_path = 'SYSTEM\\CurrentControlSet\\Services\\LMXDuowatch' AND name = '$1'"
}
[ "$(registry_value IntervalSetting)" = "0x00000010" ] || fail "the service's default settings are missing"

echo "== running the installed suite in place"
export LMXDUOWATCH_ROOT=$system_root
programs=$root$prefix
# The metrics file, in a folder outside the service's own (node_exporter's, on a real machine).
textfile_dir=$scratch/node-exporter
mkdir -p "$textfile_dir"
export LMXDUOWATCH_TEXTFILE_DIR=$textfile_dir
"$programs/lmxsim" create 0 controller "Lumavex ZDAP-RS482" >/dev/null
"$programs/monswitch" start LMXDuowatch
for _ in $(seq 50); do
  # Read whole before it is searched: grep -q leaving early would end lmxpipe with SIGPIPE, which
  # pipefail counts as a failure.
  grep -q '"raidModel": "Lumavex ZDAP-RS482"' <<<"$("$programs/lmxpipe" status --json 2>/dev/null)" && break
  sleep 0.2
done
grep -q '"raidModel": "Lumavex ZDAP-RS482"' <<<"$("$programs/lmxpipe" status --json)" || fail "lmxpipe status --json lacks the controller"
grep -q 0x400201F4 <<<"$("$programs/lmxpipe" events)" || fail "the event log lacks the controller found"
grep -q "ZDAP-RS482" <<<"$("$programs/LMXDuo_fwupTool" --list)" || fail "LMXDuo_fwupTool --list lacks the controller"
for _ in $(seq 50); do
  [ -e "$textfile_dir/lmxduowatch.prom" ] && break
  sleep 0.2
done
head -n 1 "$textfile_dir/lmxduowatch.prom" | grep -q '^# Written by dwsvc at 20[0-9-]*T[0-9:]*Z\.$' ||
  fail "the metrics file does not say when it was written: $(head -n 1 "$textfile_dir/lmxduowatch.prom" 2>&1)"
unset LMXDUOWATCH_TEXTFILE_DIR

echo "== removing and purging it"
dpkg_root -r lmxduowatch >"$scratch/remove.log" 2>&1 || { cat "$scratch/remove.log"; fail "dpkg -r failed"; }
grep -q "Service uninstalled sucessfully." "$scratch/remove.log" || { cat "$scratch/remove.log"; fail "prerm did not delete the service"; }
[ -z "$(registry_value IntervalSetting)" ] || fail "the service's key is left after removal"
[ ! -e "$programs/dwsvc" ] || fail "the programs are left after removal"
[ -z "$(ls -A "$textfile_dir")" ] || fail "removal left the metrics file: $(ls -A "$textfile_dir")"
pgrep -f "$programs/dwsvc" >/dev/null && fail "the service still runs after removal"
dpkg_root -P lmxduowatch >/dev/null 2>&1 || fail "dpkg -P failed"
[ ! -e "$system_root" ] || fail "purging left $system_root"
unset LMXDUOWATCH_ROOT
echo "check-package: all checks passed"
