#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test
# (the fuzz targets' corpora among them), fuzzes every target for 20 s, then runs the threaded
# tests again under ThreadSanitizer, then builds and tests the build for servers, without the
# GUI programs and without Qt (its package also in a Debian guest on a real systemd), then checks
# the installed layout and the Debian package in scratch trees (scripts/check-package.sh), and
# last cross-builds the Windows programs with MinGW-w64 and runs their tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/ensure-packages.sh

# Includes point down the layers, and only platform/linux/ includes operating-system headers.
scripts/check-layers.sh

jobs=$(nproc)
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
# The package on a real systemd (SystemdVmPackage, tests/systemd-vm) runs with the build for
# servers below: a sanitized package would need a guest twice the size, and run slower in it.
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset asan -j "$jobs" -E '^SystemdVm'

# Every fuzz target for 20 s from its committed corpus (clang's libFuzzer): a crash or a broken
# property fails the run.
scripts/fuzz.sh all 20

# Threaded code: events and waits, the service dispatcher and its threads, pipes, windows,
# the simulator's shared drives, the whole service end to end, the tray's worker and pipe client,
# and the firmware tool's download with its update thread (Qt's own hand-over between threads is
# suppressed: Qt is not built with the sanitizer).
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs" --target platform_tests monitor_tests ipc_platform_tests tool_tests \
  simulator_tests end_to_end_tests tray_core_tests dwsvc TXTRES_EN traysignal prockill monswitch session_probe lmxsim \
  fwup_tests fwup_gui_tests LMXDuo_fwupTool
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$(pwd)/scripts/tsan-qt.supp" ctest --preset tsan -j "$jobs" \
  -R 'SyncEvent|FileLock|ServiceDispatcher|ServiceRobustness|DwsvcProcess|ServiceManager|Registry|PollCycle|PipeServer|NamedPipe|WindowDirectory|LaunchInSession|Traysignal|Monswitch|Sim|ServiceEndToEnd|TrayWorker|ServicePipeClient|FirmwareDownload|FwupProgram|FwupDialog'

# The build for servers: dwsvc, TXTRES_EN, the tools and their tests, with no Qt found even
# though this machine has it; and its package installed in a Debian guest under QEMU, checked on
# a real systemd (skipped, never passed, where Debian's packages cannot be reached).
cmake --preset server >/dev/null
cmake --build --preset server -j "$jobs"
if ldd build/server/bin/* 2>/dev/null | grep -q 'libQt6'; then
  echo "The build without the GUI links Qt." >&2
  exit 1
fi
ctest --preset server -j "$jobs"
# The guest (label vm) is left out of the preset's run above, which runs beside other tests.
ctest --test-dir build/server -R '^SystemdVmPackage$' --output-on-failure

# The install rules of the full build, and the package of the build for servers: contents,
# lintian, and an install, a run, a removal and a purge in a scratch root.
scripts/check-package.sh build/asan build/server

# The Windows build: cross-built with MinGW-w64, its tests run under Wine in a prefix of the
# build tree, with one wineserver kept up for the whole run.
scripts/ensure-packages.sh --windows
# The prefix and its wineserver first: the build already runs the test programs under Wine to
# list their tests, and two of those must not both set up a fresh prefix.
scripts/wine-run --start
trap 'scripts/wine-run --stop' EXIT
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$jobs"
ctest --preset windows -j "$jobs"
