#!/usr/bin/env bash
# Runs the fuzz targets of a fuzz build folder (cmake -DVORLEN_FUZZ=ON with clang; see README.md).
#
#   fuzz/run.sh BUILD replay             every seed and every saved crasher, once each
#   fuzz/run.sh BUILD fuzz SECONDS [T..] fuzzes each target (or the ones named) for SECONDS,
#                                        two at a time, from the seeds into a scratch corpus
#
# Findings land in BUILD/fuzz/findings/<target>/ (crash-*, timeout-*, leak-*, oom-*); the run
# fails when there are any. Logs are BUILD/fuzz/<target>.log.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?build folder}
mode=${2:?replay or fuzz}
targets=(xnl table picture definition)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# Bounds of one input: a decoder that hangs is killed after 5 s, a script call after 0.1 s.
common=(-timeout=20 -rss_limit_mb=3072 -max_len=65536)

case "$mode" in
  replay)
    for target in "${targets[@]}"; do
      echo "== replay $target"
      "$build/fuzz/${target}_fuzz" "${common[@]}" -runs=0 "fuzz/corpus/$target" "fuzz/crashers/$target" 2>&1 | tail -n 2
    done
    ;;
  fuzz)
    seconds=${3:?seconds}
    shift 3
    [ $# -gt 0 ] && targets=("$@")
    failed=0
    run_one() {
      local target=$1
      local scratch="$build/fuzz/corpus-$target"
      local findings="$build/fuzz/findings/$target/"
      mkdir -p "$scratch" "$findings"
      "$build/fuzz/${target}_fuzz" "${common[@]}" -max_total_time="$seconds" -print_final_stats=1 \
        -dict="fuzz/dict/$target.dict" -artifact_prefix="$findings" "$scratch" "fuzz/corpus/$target" \
        >"$build/fuzz/$target.log" 2>&1
    }
    pids=()
    for target in "${targets[@]}"; do
      run_one "$target" &
      pids+=($!)
      if [ ${#pids[@]} -eq 2 ]; then
        wait "${pids[0]}" || failed=1
        pids=("${pids[1]}")
      fi
    done
    for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
    for target in "${targets[@]}"; do
      echo "== $target: $(grep -E '^stat::number_of_executed_units' "$build/fuzz/$target.log" | awk '{print $2}') runs," \
           "$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$build/fuzz/$target.log" | tail -n 1)," \
           "findings: $(ls "$build/fuzz/findings/$target" | wc -l)"
    done
    if [ "$failed" -ne 0 ] || [ -n "$(find "$build/fuzz/findings" -type f)" ]; then
      echo "fuzzing found problems: see $build/fuzz/findings/ and the logs" >&2
      exit 1
    fi
    ;;
  *)
    echo "usage: $0 BUILD replay | BUILD fuzz SECONDS [TARGET ...]" >&2
    exit 64
    ;;
esac
