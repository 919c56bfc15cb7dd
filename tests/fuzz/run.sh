#!/bin/sh
# Builds the EDID decoder fuzz target with clang in its own build directory and runs it for a
# bounded time, starting from the seed images in tests/fuzz/seeds.
#
#   tests/fuzz/run.sh [SECONDS]        default 30
#
# Environment: FUZZ_BUILD_DIR (default: build-fuzz in the source tree), FUZZ_CXX (default:
# clang++-14 or clang++). Needs clang and its libFuzzer runtime (Debian: clang-14,
# libclang-rt-14-dev). Exits non-zero when the fuzzer finds a crash; the input that caused it
# is left in the build directory.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=${1:-30}
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
cxx=${FUZZ_CXX:-$(command -v clang++-14 || command -v clang++ || true)}
if [ -z "$cxx" ]; then
    echo "run.sh: clang++ not found (install clang-14 and libclang-rt-14-dev)" >&2
    exit 2
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$cxx" \
    -DKESTRELON_FUZZ=ON >/dev/null
cmake --build "$build" -j2 --target fuzz_edid_decode

corpus=$build/fuzz-corpus/edid
mkdir -p "$corpus"
cp "$here"/seeds/* "$corpus"/
cd "$build"
exec "$build/tests/fuzz/fuzz_edid_decode" -max_total_time="$seconds" -max_len=4096 \
    -print_final_stats=1 "$corpus"
