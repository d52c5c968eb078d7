#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for SECONDS (default
# 20; CI uses the default, run longer on demand: ./tools/fuzz.sh 600).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-20}"
out="${BUILD_DIR:-$root/build}/fuzz"
mkdir -p "$out"
"$root/tools/deps.sh" clang libclang-rt-14-dev
flags=(-std=c++20 -O1 -g -Wall -Wextra -Werror -I"$root"
       -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
for target in reply ini; do
    clang++ "${flags[@]}" "$root/tests/fuzz/fuzz_$target.cpp" \
        "$root/platform/fmt.cpp" "$root/platform/files.cpp" -o "$out/fuzz_$target"
    mkdir -p "$out/corpus_$target"
    "$out/fuzz_$target" -max_total_time="$seconds" -max_len=70000 "$out/corpus_$target" \
        2>"$out/fuzz_$target.log" || { tail -40 "$out/fuzz_$target.log"; exit 1; }
    echo "fuzz_$target: $(grep -c . "$out/fuzz_$target.log") log lines, no finding"
done
