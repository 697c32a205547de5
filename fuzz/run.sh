#!/usr/bin/env bash
# Runs the fuzz targets of a fuzz build folder (cmake -DVORLEN_FUZZ=ON with clang; see README.md).
#
#   fuzz/run.sh BUILD replay             every seed and every saved crasher, once each
#   fuzz/run.sh BUILD fuzz SECONDS [T..] fuzzes each target (or the ones named) for SECONDS,
#                                        two at a time, from the seeds into a scratch corpus
#   fuzz/run.sh BUILD cpu SECONDS [T..]  the same until each target has used SECONDS of
#                                        processor time (its decoders included), however long
#                                        that takes on a busy machine: at most 4 x SECONDS, or
#                                        FUZZ_MOST_SECONDS when set
#
# Findings land in BUILD/fuzz/findings/<target>/ (crash-*, timeout-*, leak-*, oom-*); the run
# fails when there are any. Logs are BUILD/fuzz/<target>.log. The summary gives per target the
# inputs run, inputs a second, coverage (cov: edges, ft: features), the corpus (inputs/bytes),
# the processor time used, decoders included, and the findings by kind.
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
  fuzz | cpu)
    seconds=${3:?seconds}
    shift 3
    [ $# -gt 0 ] && targets=("$@")
    failed=0
    wall=$seconds budget=0
    if [ "$mode" = cpu ]; then
      wall=${FUZZ_MOST_SECONDS:-$((4 * seconds))} budget=$seconds
    fi
    # Processor seconds used by a process and the children it has waited for (the decoders).
    processor_seconds() {
      awk -v tick="$(getconf CLK_TCK)" '{print int(($14 + $15 + $16 + $17) / tick)}' "/proc/$1/stat" 2>/dev/null || echo 0
    }
    # Fuzzes one target; with a budget, libFuzzer is interrupted (it then prints its final
    # statistics as at a normal end) once the target has used that much processor time.
    fuzz_target() {
      local target=$1 scratch=$2 findings=$3
      "$build/fuzz/${target}_fuzz" "${common[@]}" -max_total_time="$wall" -print_final_stats=1 \
        -dict="fuzz/dict/$target.dict" -artifact_prefix="$findings" "$scratch" "fuzz/corpus/$target" &
      local pid=$! interrupted=0
      while [ "$budget" -gt 0 ] && kill -0 "$pid" 2>/dev/null; do
        sleep 5
        if [ "$(processor_seconds "$pid")" -ge "$budget" ]; then
          kill -INT "$pid" 2>/dev/null || true
          interrupted=1
          break
        fi
      done
      local status=0
      wait "$pid" || status=$?
      # An interrupted libFuzzer ends with its own status (72) after a clean stop.
      [ "$interrupted" -eq 1 ] && [ "$status" -eq 72 ] && status=0
      return "$status"
    }
    run_one() {
      local target=$1
      local scratch="$build/fuzz/corpus-$target"
      local findings="$build/fuzz/findings/$target/"
      mkdir -p "$scratch" "$findings"
      local TIMEFORMAT="processor seconds: %U user %S system"
      # The processor time includes the decoder processes the picture target starts.
      { time fuzz_target "$target" "$scratch" "$findings" >"$build/fuzz/$target.log" 2>&1; } 2>>"$build/fuzz/$target.log"
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
      log="$build/fuzz/$target.log"
      stat() { grep -E "^stat::$1:" "$log" | awk '{print $2}'; }
      kinds=""
      for kind in crash timeout leak oom slow-unit; do
        kinds+=" $kind $(find "$build/fuzz/findings/$target" -name "$kind-*" | wc -l)"
      done
      echo "== $target: $(stat number_of_executed_units) runs, $(stat average_exec_per_sec) exec/s," \
           "$(grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[0-9]+[a-zA-Z]*' "$log" | tail -n 1)," \
           "$(grep -E '^processor seconds:' "$log" | tail -n 1 | cut -d: -f2-) s; findings:$kinds"
    done
    if [ "$failed" -ne 0 ] || [ -n "$(find "$build/fuzz/findings" -type f)" ]; then
      echo "fuzzing found problems: see $build/fuzz/findings/ and the logs" >&2
      exit 1
    fi
    ;;
  *)
    echo "usage: $0 BUILD replay | BUILD fuzz SECONDS [TARGET ...] | BUILD cpu SECONDS [TARGET ...]" >&2
    exit 64
    ;;
esac
