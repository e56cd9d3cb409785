#!/usr/bin/env bash
# Makes sure the Debian packages the suite builds and runs with are installed. As root it
# installs what is missing; otherwise it prints the apt-get line to run and fails.
#
#   scripts/ensure-packages.sh            everything: the service, the tools and the GUI programs
#   scripts/ensure-packages.sh --server   only what the build without the GUI needs
#                                         (cmake --preset server): no Qt, no X server
#   scripts/ensure-packages.sh --windows  the Windows build (cmake --preset windows): the
#                                         MinGW-w64 cross compiler, GoogleTest's sources and
#                                         Wine to run the programs and their tests
set -euo pipefail

# The service, the tools, their tests and the benchmarks.
packages=(
  cmake ninja-build g++ pkg-config
  libsqlite3-dev sqlite3 libsystemd-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  # The package and its checks (scripts/check-package.sh): dpkg-shlibdeps for its dependencies,
  # lintian, systemd-analyze for the unit, man and groff for the manual pages.
  dpkg-dev lintian systemd man-db groff-base
  # The fuzz targets (scripts/fuzz.sh, cmake --preset fuzz): clang with its libFuzzer and
  # sanitizer runtimes, and llvm-symbolizer for the findings' stacks.
  clang-14 libclang-rt-14-dev llvm-14
)

apt_options=(-y -qq)
case "${1:-}" in
  --server) ;;
  --windows)
    packages=(
      cmake ninja-build nlohmann-json3-dev
      g++-mingw-w64-x86-64-posix googletest
      # The language library's message and string tables are generated from the English texts.
      python3
      # 64-bit Wine alone: the programs are 64-bit, and no i386 architecture is needed.
      wine wine64
      # The tray's end-to-end test draws on an X server of its own (scripts/wine-desktop-run).
      xvfb
    )
    # Wine's recommended packages (fonts, sound, printing) serve no headless test.
    apt_options+=(--no-install-recommends)
    ;;
  "")
    packages+=(
      # GUI programs: Qt 6 Widgets and SVG icons, the Japanese dialog font, and libqt6gui6's
      # offscreen platform plugin on which the GUI tests run without a display.
      qt6-base-dev qt6-svg-dev libqt6gui6 fonts-ipafont-gothic
      # The tray's desktop tests: an X server (Qt's X11 plugin comes with libqt6gui6), a private
      # session bus for the notification area, and xdotool to look at windows and press keys.
      xvfb dbus-daemon dbus-bin xdotool
      # The real-disk test (tests/vm): a Linux guest under QEMU with an emulated AHCI disk, its init
      # a static busybox; the guest's kernels are fetched with apt-get download, not installed.
      qemu-system-x86 busybox-static xz-utils
      # The package on a real systemd (tests/systemd-vm): the guest's root made with mmdebstrap,
      # written to an ext4 image, booted from a qcow2 overlay.
      mmdebstrap e2fsprogs qemu-utils
    )
    ;;
  *)
    echo "usage: $0 [--server|--windows]" >&2
    exit 2
    ;;
esac

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing Debian packages. Install them with:" >&2
  echo "  sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi

echo "Installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install "${apt_options[@]}" "${missing[@]}"
