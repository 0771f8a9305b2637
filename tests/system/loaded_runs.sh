#!/usr/bin/env bash
# Runs the Wine tests several times in a row under "ctest -j2" while a shell loop keeps one core
# busy, as on a loaded CI machine, and reports every run and every failed test. Not part of
# "make test"; build first ("make build").
#
# Usage: tests/system/loaded_runs.sh [RUNS] [NATIVE_BUILD_DIR]
# Each run's output stays in NATIVE_BUILD_DIR/loaded-runs/run-N.log (ctest's) and run-N.all.log
# (every test's, passed ones included); set-up steps run once more and crashes in a prefix
# are listed per run.
set -uo pipefail

runs=${1:-5}
build=$(realpath "${2:-$(dirname "$0")/../../build/native}")
logs=$build/loaded-runs
mkdir -p "$logs"

(while :; do :; done) &
hog=$!
trap 'kill "$hog" 2>/dev/null' EXIT

echo "load: one busy shell loop (pid $hog) on $(nproc) cores; $runs runs of the Wine tests"
failed_runs=0
for ((run = 1; run <= runs; run++)); do
    log=$logs/run-$run.log
    started=$SECONDS
    ctest --test-dir "$build" -L wine -j2 --output-on-failure >"$log" 2>&1
    status=$?
    # The whole output of every test, passed ones included, for the harness's own notes.
    cp "$build/Testing/Temporary/LastTest.log" "$logs/run-$run.all.log"
    summary=$(grep -E 'tests passed, [0-9]+ tests failed' "$log" || echo "no summary")
    echo "run $run: exit $status after $((SECONDS - started)) s: $summary"
    grep -E '^[[:space:]]+[0-9]+ - ' "$log" | sed 's/^[[:space:]]*/    failed: /'
    grep -E '\[harness\] .*(once more|NOT THE SHIPPING|crashed:)' "$logs/run-$run.all.log" | sed 's/^/    /'
    ((status == 0)) || failed_runs=$((failed_runs + 1))
done
echo "$failed_runs of $runs runs failed"
((failed_runs == 0))
