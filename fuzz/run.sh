#!/usr/bin/env bash
# Builds the libFuzzer targets into build-fuzz/ (clang) and runs each one (see fuzz/README):
#   fuzz/run.sh                            every committed seed, then a fixed number of inputs
#                                          from a fixed seed, so two runs agree (./test.sh)
#   VANTORIA_FUZZ_SECONDS=600 fuzz/run.sh  open-ended search from a random seed, keeping what it
#                                          finds in build-fuzz/corpus-<target>/
# Stops at the first finding, leaving the input in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${VANTORIA_FUZZ_SECONDS:-}
# Inputs after the seeds, per target: each under a minute on one core. Both targets run on one
# thread, and the fixed run turns address-space randomisation off: with it on, two runs from the
# same seed kept different inputs after a few thousand (the decode path depends on where memory
# lands somehow); with it off they agree input for input.
declare -A runs=([decode]=10000 [dispatch]=40000)
seed=20261207

unset ASAN_OPTIONS UBSAN_OPTIONS  # libFuzzer's own settings; the targets stop at the first error
export QT_QPA_PLATFORM=offscreen QT_HASH_SEED=0  # Qt's hashing the same in every run
cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    ${CMAKE_CXX_COMPILER_LAUNCHER:+-DCMAKE_CXX_COMPILER_LAUNCHER=$CMAKE_CXX_COMPILER_LAUNCHER}
cmake --build build-fuzz
mkdir -p build-fuzz/artifacts
# libmng once reserved 4 GB without touching it; memory really used is still caught.
limits=(-timeout=25 -rss_limit_mb=4096 -malloc_limit_mb=16384)

# Where the kernel allows it (a container's seccomp filter may not), the fixed run starts with
# the same memory layout every time.
fixed_layout=()
if [ -z "$seconds" ] && setarch "$(uname -m)" -R true 2>/dev/null; then
  fixed_layout=(setarch "$(uname -m)" -R)
fi

for target in decode dispatch; do
  log="build-fuzz/fuzz_$target.log"
  if [ -n "$seconds" ]; then
    # New inputs go to a working corpus in the build tree; the committed seeds are only read.
    work="build-fuzz/corpus-$target"
    mkdir -p "$work"
    mode=(-max_total_time="$seconds")
  else
    # A fresh working corpus, and no rereading of it on a timer (-reload made two runs differ).
    work="build-fuzz/fixed-$target"
    rm -rf "$work" && mkdir -p "$work"
    mode=(-seed="$seed" -runs="${runs[$target]}" -reload=0)
  fi
  start=$SECONDS
  if ! "${fixed_layout[@]}" "build-fuzz/fuzz_$target" "${mode[@]}" "${limits[@]}" -print_final_stats=1 \
      -artifact_prefix="build-fuzz/artifacts/$target-" "$work" "fuzz/corpus/$target" \
      >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz_$target found a problem; the input is in build-fuzz/artifacts/ (see fuzz/README)"
    exit 1
  fi
  executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1)
  echo "fuzz_$target: ${executed} inputs (${coverage}) in $((SECONDS - start)) s, nothing found"
done
