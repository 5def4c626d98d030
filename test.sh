#!/usr/bin/env bash
# Installs what the build needs (Debian 12), then:
#   1. builds into build/ and runs every test;
#   2. builds everything again with AddressSanitizer and UndefinedBehaviorSanitizer into
#      build-sanitize/ and runs every test there (window tests included, on the offscreen
#      platform), stopping at the first error;
#   3. builds the libFuzzer targets with clang into build-fuzz/ and runs each one on its committed
#      seeds in fuzz/corpus/, then on a fixed number of inputs from a fixed seed (fuzz/run.sh),
#      so every run executes the same inputs.
# VANTORIA_QUICK=1 stops after step 1 (for a quick check while working). Open-ended fuzzing is
# a command of its own: VANTORIA_FUZZ_SECONDS=600 fuzz/run.sh (see fuzz/README).
set -euo pipefail
cd "$(dirname "$0")"

quick=${VANTORIA_QUICK:-0}

packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libdeflate-dev libexiv2-dev libheif-dev libjxl-dev qt6-base-dev
          qt6-image-formats-plugins libqt6svg6 libgl-dev)
if [ "$quick" != 1 ]; then
  packages+=(clang libclang-rt-14-dev llvm)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

build_and_test() {
  local build_dir=$1
  shift
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
  cmake --build "$build_dir"
  # A test that hangs (a modal dialog nobody closes) fails after 5 minutes instead of 25.
  ctest --test-dir "$build_dir" --output-on-failure -j "$jobs" --timeout 300
}

echo "=== Build and tests (build/)"
build_and_test build
echo "=== stage 1 done at ${SECONDS} s (installs included)"

if [ "$quick" = 1 ]; then
  exit 0
fi

echo "=== Build and tests under AddressSanitizer and UBSan (build-sanitize/)"
# Set before the build too: test discovery runs the test programs. A request too large for the
# allocator gives a null pointer, as in the application (our code refuses the edit or file
# then; libmng asks for such sizes on crafted MNG headers).
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1
ASAN_OPTIONS+=:allocator_may_return_null=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
build_and_test build-sanitize -DVANTORIA_SANITIZE=ON -DVANTORIA_BUILD_BENCH=OFF
echo "=== stage 2 done at ${SECONDS} s"

echo "=== Fuzzers: committed seeds, then a fixed exploration (build-fuzz/)"
VANTORIA_FUZZ_SECONDS= fuzz/run.sh
echo "=== stage 3 done at ${SECONDS} s"
