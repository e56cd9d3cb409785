#!/usr/bin/env bash
# Runs the coverage-guided fuzz targets of tests/fuzz with clang's libFuzzer.
#
#   scripts/fuzz.sh [TARGET|all] [SECONDS]   builds the fuzz preset and runs one target or all of
#                                            them in turn (default: all, 60 s each); prints each
#                                            one's executions per second and coverage, and fails
#                                            when any target finds an input that crashes or breaks
#                                            a property (kept in build/fuzz/findings/TARGET/)
#   scripts/fuzz.sh --merge FOLDER           minimises the committed corpus with the inputs in
#                                            FOLDER/TARGET/ (seeds, or a long run's new inputs,
#                                            build/fuzz/corpus); inputs named found_* (each one
#                                            found a defect) are kept as they are
#
# Each run starts from the committed corpus (tests/fuzz/corpus/TARGET/) and keeps what it finds
# new in build/fuzz/corpus/TARGET/; the committed corpus changes only with --merge. Every input
# has 1 s and the process 2048 MB.
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(pipe_server vendor_pages ata_sense identify drive_routes drive_json tray_status status_output encodings)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target $(printf 'fuzz_%s ' "${targets[@]}") fuzz_seed_corpus >/dev/null

bin=build/fuzz/bin
limits=(-rss_limit_mb=2048 -timeout=1)
# AddressSanitizer records two frames of each allocation's stack instead of thirty, and keeps
# 16 MB of freed memory in quarantine instead of 256: unwinding at every allocation and
# recycling the large quarantine were most of the JSON target's time. A finding replays with
# full stacks in the ASan test build (its input lands in build/fuzz/findings/).
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}malloc_context_size=2:quarantine_size_mb=16"

if [ "${1:-}" = "--merge" ]; then
  extra=${2:?usage: $0 --merge FOLDER}
  for target in "${targets[@]}"; do
    [ -d "$extra/$target" ] || continue
    merged=$(mktemp -d)
    "$bin/fuzz_$target" "${limits[@]}" -merge=1 "$merged" tests/fuzz/corpus/"$target" "$extra/$target" 2>/dev/null
    # The inputs that found a defect (found_*) stay under their names, whatever they add.
    cp tests/fuzz/corpus/"$target"/found_* "$merged"/ 2>/dev/null || true
    rm -rf tests/fuzz/corpus/"$target"
    mkdir -p tests/fuzz/corpus/"$target"
    cp "$merged"/* tests/fuzz/corpus/"$target"/
    rm -rf "$merged"
    echo "$target: $(ls tests/fuzz/corpus/"$target" | wc -l) inputs"
  done
  exit 0
fi

selected=${1:-all}
seconds=${2:-60}
if [ "$selected" != all ]; then
  if ! printf '%s\n' "${targets[@]}" | grep -qx -- "$selected"; then
    echo "unknown target $selected; targets: ${targets[*]}" >&2
    exit 2
  fi
  targets=("$selected")
fi

failed=()
for target in "${targets[@]}"; do
  work=build/fuzz/corpus/$target
  findings=build/fuzz/findings/$target
  mkdir -p "$work" "$findings"
  log=build/fuzz/$target.log
  status=0
  "$bin/fuzz_$target" "${limits[@]}" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$findings/" "$work" tests/fuzz/corpus/"$target" >"$log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -1 || true)
  printf '%-14s %10s execs %7s exec/s  %s\n' "$target" "${execs:-?}" "${rate:-?}" "${coverage:-cov: ?}"
  if [ "$status" -ne 0 ]; then
    echo "$target: FINDING (exit $status), see $log and $findings/" >&2
    grep -m1 -E 'ERROR: |fuzz property failed|runtime error' "$log" >&2 || true
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz findings in: ${failed[*]}" >&2
  exit 1
fi
