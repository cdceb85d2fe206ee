#!/usr/bin/env bash
# Builds the libFuzzer target with clang (the main build uses g++, which has
# no fuzzing engine) and fuzzes the settings boxes' text-to-number conversion
# for a bounded time. Fails on any broken property or sanitizer report.
# Usage: tests/fuzz/run_fuzz.sh BUILD_DIR [SECONDS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build_dir=${1:?usage: run_fuzz.sh BUILD_DIR [SECONDS]}
seconds=${2:-20}

command -v clang++ >/dev/null ||
  { echo "run_fuzz.sh: clang++ is missing (scripts/deps.sh build)" >&2; exit 1; }
src="$here/../../src"
mkdir -p "$build_dir"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined \
  -fno-sanitize-recover=undefined -Wall -Wextra -Werror -I "$src" \
  "$here/text_to_integer_fuzz.cpp" "$src/window/core/text_to_integer.cpp" \
  -o "$build_dir/text_to_integer_fuzz"

# The corpus grows across runs in the build directory; the seeds start it
# with the shapes the boxes see.
corpus="$build_dir/corpus"
mkdir -p "$corpus"
printf '200' >"$corpus/seed-plain"
printf ' -32768.5\t' >"$corpus/seed-edge"
printf '+0.50000000000000000001' >"$corpus/seed-half"
"$build_dir/text_to_integer_fuzz" -max_total_time="$seconds" -timeout=5 \
  -max_len=64 -print_final_stats=1 -artifact_prefix="$build_dir/" "$corpus"
