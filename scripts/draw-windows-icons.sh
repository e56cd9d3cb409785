#!/usr/bin/env bash
# Draws the programs' icons from gui/icons/*.svg into gui/icons/windows/*.ico, which the Windows
# build's resources include. Run it after changing a picture, and commit the files it writes.
#
#   scripts/draw-windows-icons.sh [BUILD_DIR]     (default: build/debug, configured if missing)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build=${1:-"$root/build/debug"}
[ -f "$build/build.ninja" ] || cmake --preset debug -S "$root" >/dev/null
cmake --build "$build" --target lmx_draw_windows_icons
mkdir -p "$root/gui/icons/windows"
"$build/bin/lmx_draw_windows_icons" "$root/gui/icons/windows"
ls -l "$root/gui/icons/windows"
