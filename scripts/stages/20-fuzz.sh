#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a bounded number of inputs,
# starting from the checked-in seed corpus. A failing input is kept in
# build-fuzz/artifacts/ and the stage fails.
#
# A longer run: VEMO_FUZZ_SECONDS=1800 scripts/stages/20-fuzz.sh
# (each harness then runs for that many seconds instead of a fixed count).
set -euo pipefail
cd "$(dirname "$0")/../.."

build=build-fuzz
rm -rf "$build"
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVEMO_FUZZ=ON -DVEMO_BUILD_TESTS=OFF
cmake --build "$build" -j "$(nproc)" --target vemo_fuzzers

artifacts=$PWD/$build/artifacts
mkdir -p "$artifacts"
work=$(mktemp -d /tmp/vemo-fuzz-corpus-XXXXXX)
trap 'rm -rf "$work"' EXIT

# Inputs per harness, about a minute in all.
declare -A runs=([bridge_reports]=150000 [monitor_replies]=120000 [log_text]=60000)

for harness in bridge_reports monitor_replies log_text; do
  if [ -n "${VEMO_FUZZ_SECONDS:-}" ]; then
    bound=(-max_total_time="$VEMO_FUZZ_SECONDS")
  else
    bound=(-runs="${runs[$harness]}")
  fi
  mkdir -p "$work/$harness"
  echo "-- $harness: ${bound[*]}"
  # Paths are absolute: the harnesses work in a scratch directory of their own.
  # New inputs go to the scratch corpus; the checked-in seeds stay as they are.
  if ! "$build/fuzz/${harness}_fuzzer" "${bound[@]}" -seed=1 -timeout=10 -max_len=4096 \
      -print_final_stats=1 -artifact_prefix="$artifacts/${harness}-" \
      "$work/$harness" "$PWD/fuzz/corpus/$harness" >"$work/$harness.log" 2>&1; then
    tail -n 60 "$work/$harness.log" >&2
    echo "fuzz: $harness failed; the input is in $artifacts:" >&2
    ls -l "$artifacts" >&2
    echo "reproduce with: $build/fuzz/${harness}_fuzzer <input>" >&2
    exit 1
  fi
  grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::average_exec_per_sec|stat::peak_rss_mb)' \
    "$work/$harness.log" || true
done
echo "fuzzing passed"
