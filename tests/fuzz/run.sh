#!/usr/bin/env bash
# Builds the fuzz targets with the sanitizers and runs each for a bounded time:
#   bash tests/fuzz/run.sh [SECONDS_PER_TARGET] [TARGET...]
# (60 s and every target by default). The targets are libFuzzer programs built
# by clang 14, unpacked from Debian's packages into build/toolchain without
# root; where that is impossible they are built by g++ and only replay the seed
# corpora. Each target's corpus grows in build/fuzz/corpus/<target>, seeded
# from tests/fuzz/corpus/<target>; a crash leaves its input in
# build/fuzz/findings/ and fails the run.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(inp commands entry_points)

compilers=()
if toolchain=$(bash .ci/debian_packages.sh build/toolchain clang-14 libclang-common-14-dev \
                 libclang-rt-14-dev libclang-cpp14 libllvm14); then
  # The compiler finds its own libraries there when the system has none.
  llvm="$toolchain/usr/lib/llvm-14"
  for tool in clang clang++; do
    printf '#!/bin/sh\nLD_LIBRARY_PATH="%s/lib:%s/usr/lib/x86_64-linux-gnu${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" exec "%s/bin/%s" "$@"\n' \
      "$llvm" "$toolchain" "$llvm" "$tool" > "$toolchain/$tool"
    chmod +x "$toolchain/$tool"
  done
  compilers=(-DCMAKE_C_COMPILER="$toolchain/clang" -DCMAKE_CXX_COMPILER="$toolchain/clang++")
else
  echo "clang is not available: the targets only replay their seed corpora" >&2
fi

# Absolute paths: the targets work in a scratch folder of their own.
build=$PWD/build/fuzz
configure() {
  cmake -S tests/fuzz -B "$build" -G Ninja "$@" -DPython_EXECUTABLE="$(command -v python)" >/dev/null &&
    cmake --build "$build" -j2 >"$build.log" 2>&1
}
if ! configure "${compilers[@]}"; then
  tail -n 30 "$build.log" >&2
  echo "clang cannot build the targets: they only replay their seed corpora, built by the default compiler" >&2
  build=$PWD/build/fuzz-replay
  configure
fi

# Leaks are not looked for: the engine keeps its model for the whole process.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build/findings"
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  echo "fuzz_$target: $seconds s"
  "$build/fuzz_$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -max_len=8192 \
    -print_final_stats=1 -artifact_prefix="$build/findings/$target-" \
    "$corpus" "$PWD/tests/fuzz/corpus/$target" >"$build/$target.log" 2>&1 || {
    tail -n 60 "$build/$target.log"
    echo "fuzz_$target failed: its input is in $build/findings/" >&2
    exit 1
  }
  grep -E "^(stat::number_of_executed_units|stat::new_units_added|replayed)" "$build/$target.log" || true
done
