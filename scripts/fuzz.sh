#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan, no Qt) into build-fuzz/, installing clang
# and its fuzzer runtime if missing.
#   scripts/fuzz.sh                          each target for TVX_FUZZ_SECONDS (60) under CTest
#   scripts/fuzz.sh TARGET [RUNS] [WORKERS]  a campaign: RUNS executions in all (10 million),
#                                            shared by WORKERS processes (one per core)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh

ensure_packages clang cmake make nlohmann-json3-dev libcli11-dev libeigen3-dev
ensure_packages "libclang-rt-$(clang -dumpversion | cut -d. -f1)-dev"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DTVX_WITH_QT=OFF -DTVX_FUZZ=ON -DTVX_WERROR=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz --target tvx_fuzz -j"$(nproc)"

if (($# == 0)); then
    cd build-fuzz
    exec ctest --output-on-failure -j2 -L fuzz
fi

target=$1
runs=${2:-10000000}
workers=${3:-$(nproc)}
# New inputs go to a scratch corpus the workers share; findings land beside it.
work=build-fuzz/campaign-$target
mkdir -p "$work/corpus"
pids=()
for ((w = 0; w < workers; ++w)); do
    build-fuzz/bin/"$target" -runs=$(((runs + workers - 1) / workers)) -max_len=2048 \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/" \
        "$work/corpus" "tests/fuzz/corpus/$target" >"$work/worker-$w.log" 2>&1 &
    pids+=($!)
done
failed=0
for pid in "${pids[@]}"; do
    wait "$pid" || failed=1
done
total=$(cat "$work"/worker-*.log | sed -n 's/^stat::number_of_executed_units: //p' |
    awk '{ n += $1 } END { print n + 0 }')
echo "$target: $total executions in all, $workers worker process(es); logs in $work/"
if ((failed)); then
    echo "$target: a worker stopped on a finding; see $work/" >&2
    exit 1
fi
