#!/usr/bin/env bash
# Checks the layering of the source tree, which the include paths cannot enforce (every library
# exports the whole tree): a file includes only its own folder and the folders of lower layers,
# and only platform/linux/ and platform/windows/ (and the tests and benchmarks) include
# operating-system headers, each only its own system's; gui/win32/, the dialog layer's Windows
# side, includes Windows' too.
#
#   layer 0  common/
#   layer 1  platform/
#   layer 2  lang/                     (the text tables; the language library's export macro)
#   layer 3  simulator/, gui/
#   layer 4  service/, tray/, fwup/, tools/
#   layer 5  benchmarks/, tests/       (may include anything below them)
#
#   scripts/check-layers.sh [DIR]      checks the tree at DIR (default: this repository)
# Prints every offending line and fails when there is one.
set -euo pipefail
root=${1:-"$(dirname "$0")/.."}
cd "$root"

declare -A layer=(
  [common]=0
  [platform]=1
  [lang]=2
  [simulator]=3 [gui]=3
  [service]=4 [tray]=4 [fwup]=4 [tools]=4
  [benchmarks]=5 [tests]=5
)

# Headers of an operating system (POSIX, Linux, systemd, SQLite, Windows): reached only through
# platform/.
os_headers='sys/|unistd\.h|fcntl\.h|linux/|scsi/|systemd/|sqlite3\.h|pwd\.h|grp\.h|dlfcn\.h|poll\.h|signal\.h|'
os_headers+='syslog\.h|spawn\.h|dirent\.h|elf\.h|termios\.h|netinet/|arpa/|netdb\.h|pthread\.h|semaphore\.h|'
windows_headers='windows\.h|winioctl\.h|ntddscsi\.h|winsock2\.h|tlhelp32\.h|shellapi\.h|wtsapi32\.h|'
windows_headers+='userenv\.h|aclapi\.h|sddl\.h|accctrl\.h|winsvc\.h|winver\.h|shlobj\.h|knownfolders\.h|ntddstor\.h|'
windows_headers+='commctrl\.h|commdlg\.h|psapi\.h|lmcons\.h|winternl\.h|io\.h|process\.h'
os_headers+='sched\.h|limits\.h|errno\.h|'"$windows_headers"

failures=0
fail() {
  echo "$1" >&2
  failures=$((failures + 1))
}

# Every include line of the tracked and new source files, as "file:line:text".
while IFS= read -r hit; do
  file=${hit%%:*}
  rest=${hit#*:}
  line_number=${rest%%:*}
  line=${rest#*:}
  top=${file%%/*}
  own=${layer[$top]:-}
  [ -n "$own" ] || continue
  [[ $line =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*([\"\<])([^\"\>]+)[\"\>] ]] || continue
  bracket=${BASH_REMATCH[1]}
  target=${BASH_REMATCH[2]}
  if [ "$bracket" = '"' ] && [[ $target == */* ]]; then
    folder=${target%%/*}
    theirs=${layer[$folder]:-}
    [ -n "$theirs" ] || continue
    [ "$folder" = "$top" ] && continue
    if [ "$own" -lt 5 ] && [ "$theirs" -ge "$own" ]; then
      fail "$file:$line_number: $top/ (layer $own) includes $target (layer $theirs)"
    fi
  elif [ "$bracket" = '<' ] && [[ $target =~ ^($os_headers) ]]; then
    [ "$own" -eq 5 ] && continue
    if [[ $target =~ ^($windows_headers) ]]; then
      [[ $file == platform/windows/* || $file == gui/win32/* ]] && continue
      fail "$file:$line_number: a Windows header <$target> outside platform/windows/ and gui/win32/"
    else
      [[ $file == platform/linux/* ]] && continue
      fail "$file:$line_number: an operating-system header <$target> outside platform/linux/"
    fi
  fi
done < <(git grep --untracked -n -E '^[[:space:]]*#[[:space:]]*include' -- '*.h' '*.hpp' '*.cpp' '*.cc' '*.c' '*.in')

if [ "$failures" -gt 0 ]; then
  echo "check-layers: $failures include(s) against the layering" >&2
  exit 1
fi
echo "check-layers: every include points down"
