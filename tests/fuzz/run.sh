#!/bin/sh
# Builds the fuzz targets with clang in their own build directory and runs each for a bounded
# time: the EDID decoder and the EDID model with its checks and JSON (both from the seed images
# in tests/fuzz/seeds), the reply framing, and the plan reader (from the plans in
# tests/fuzz/plan-seeds, with the plan keys of plan.dict).
#
#   tests/fuzz/run.sh [SECONDS [TARGET...]]     default 30 s, every target
#
# Environment: FUZZ_BUILD_DIR (default: build-fuzz in the source tree), FUZZ_CXX (default:
# clang++-14 or clang++). Needs clang and its libFuzzer runtime (Debian: clang-14,
# libclang-rt-14-dev). Exits non-zero when a fuzzer finds a crash; the input that caused it is
# left in the build directory.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=${1:-30}
[ $# -gt 0 ] && shift
targets=${*:-fuzz_edid_decode fuzz_edid_model fuzz_reply_framing fuzz_plan_reader}
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
cxx=${FUZZ_CXX:-$(command -v clang++-14 || command -v clang++ || true)}
if [ -z "$cxx" ]; then
    echo "run.sh: clang++ not found (install clang-14 and libclang-rt-14-dev)" >&2
    exit 2
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER="$cxx" \
    -DKESTRELON_FUZZ=ON >/dev/null
for target in $targets; do
    cmake --build "$build" -j2 --target "$target"
done

cd "$build"
for target in $targets; do
    corpus=$build/fuzz-corpus/$target
    mkdir -p "$corpus"
    dict=
    case $target in
    fuzz_edid_decode | fuzz_edid_model) cp "$here"/seeds/* "$corpus"/ ;;
    fuzz_plan_reader)
        cp "$here"/plan-seeds/* "$corpus"/
        dict=-dict="$here/plan.dict"
        ;;
    esac
    echo "== $target, $seconds s"
    "$build/tests/fuzz/$target" -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
        $dict "$corpus"
done
