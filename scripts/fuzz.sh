#!/usr/bin/env bash
# Builds the libFuzzer targets with Clang and runs each for the given number of minutes.
#
#   scripts/fuzz.sh MINUTES [TARGET...]     (MINUTES may be a fraction: 0.1 is six seconds)
#
# Environment: FUZZ_BUILD_DIR (default build/fuzz), FUZZ_PARALLEL (targets run at once, default 1),
# FUZZ_MAX_LEN (largest input, default 4096). Each target starts from its seeds in tests/fuzz-corpus/<target>
# and grows a working corpus in <build dir>/corpus/<target>; a crash, a hang (a case over 10 s) or a leak
# leaves its input in <build dir>/artifacts/<target>/ and makes the script exit with 1.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 1 ]; then
    echo "usage: $0 MINUTES [TARGET...]" >&2
    exit 2
fi
minutes="$1"
shift
build="${FUZZ_BUILD_DIR:-build/fuzz}"
parallel="${FUZZ_PARALLEL:-1}"
max_len="${FUZZ_MAX_LEN:-4096}"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(fuzz_split fuzz_datetime fuzz_regexp fuzz_ini fuzz_timeframes fuzz_conversion fuzz_layout fuzz_archive)
fi

cmake --preset fuzz -B "$build" -DVELMORA_WERROR=ON >/dev/null
cmake --build "$build" --target "${targets[@]}"

seconds=$(awk -v m="$minutes" 'BEGIN { s = int(m * 60); print (s < 1 ? 1 : s) }')
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

run_one() {
    local target="$1"
    local corpus="$build/corpus/$target" artifacts="$build/artifacts/$target/" log="$build/logs/$target.log"
    mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
    local status=0
    "$build/bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -max_len="$max_len" \
        -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" "tests/fuzz-corpus/$target" >"$log" 2>&1 ||
        status=$?
    local runs
    runs=$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$' | tail -1 || true)
    if [ "$status" -eq 0 ]; then
        echo "$target: ${runs:-?} executions in ${seconds} s, no finding"
    else
        echo "$target: FINDING after ${runs:-?} executions (exit $status), see $log and $artifacts"
    fi
    return "$status"
}

failed=0
pids=()
for target in "${targets[@]}"; do
    run_one "$target" &
    pids+=("$!")
    if [ ${#pids[@]} -ge "$parallel" ]; then
        wait "${pids[0]}" || failed=1
        pids=("${pids[@]:1}")
    fi
done
for pid in "${pids[@]}"; do
    wait "$pid" || failed=1
done
exit "$failed"
