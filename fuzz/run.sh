#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for the given seconds on the committed
# corpus (default 20). Usage: fuzz/run.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
shift || true
targets=("$@")
((${#targets[@]})) || targets=(identify_reply serial_port_map device_path detector_verdict)

build=build/fuzz
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQAR_FUZZ=ON -DQAR_SANITIZE=OFF \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ > /dev/null
cmake --build "$build" -j 2 > /dev/null

for target in "${targets[@]}"; do
    corpus=fuzz/corpus/$target
    work=$build/corpus/$target
    mkdir -p "$work"
    log=$build/$target.log
    "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/$target-" "$work" "$corpus" > "$log" 2>&1 || {
        echo "fuzz_$target: FAILED"; tail -40 "$log"; exit 1; }
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
    echo "fuzz_$target: $runs executions in ${seconds}s, 0 crashes"
done
