# Debian's kernel image packages for the test guests (tests/vm/run.sh, tests/systemd-vm/run.sh),
# fetched with `apt-get download` into $work/debs and never installed. Sourced: the caller sets
# $work and defines die().

# The versioned image package a meta package depends on now.
image_package() {
  apt-cache depends "$1" 2>/dev/null | awk '/Depends: linux-image-/ { print $2; exit }'
}

# The package file of $1 in the cache, downloaded when it is not there yet.
fetch_package() {
  local package=$1
  if ! ls "$work/debs/${package}"_*.deb >/dev/null 2>&1; then
    mkdir -p "$work/debs"
    (cd "$work/debs" && apt-get download "$package" >"$work/debs/download.log" 2>&1) || return 1
  fi
  ls "$work/debs/${package}"_*.deb | head -n 1
}

# The image package of meta package $1, resolved and in the cache; with stale package lists
# (nothing resolved, or the file gone from the archive) the lists are updated once.
fetch_kernel() {
  local meta=$1 package
  package=$(image_package "$meta")
  if [ -z "$package" ] || ! fetch_package "$package" >/dev/null; then
    [ "$(id -u)" -eq 0 ] && apt-get update -qq >/dev/null 2>&1
    package=$(image_package "$meta")
    [ -n "$package" ] || die "apt cannot resolve $meta to a kernel image package"
    fetch_package "$package" >/dev/null ||
      die "apt-get download $package failed: $(tail -n 2 "$work/debs/download.log")"
  fi
  echo "$package"
}
