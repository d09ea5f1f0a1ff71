#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang and runs each for a bounded
# time from the committed seed corpus, so crashes in the readers of files from
# strangers show up in CI. Exits non-zero on any crash, leak or timeout; the
# input that caused it is kept in build/fuzz/artifacts/.
#   ZEMBRA_FUZZ_SECONDS  seconds per target (default 12, five targets)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${ZEMBRA_FUZZ_SECONDS:-12}"
build=build/fuzz

cmake -S fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$build"
mkdir -p "$build/artifacts"

status=0
for target in song_reader song_description unbar decompress vag_reader; do
  # New inputs go to a scratch folder; the committed seeds stay as they are.
  scratch=$(mktemp -d)
  echo "fuzz_$target: ${seconds}s"
  if ! "$build/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
      "$scratch" "fuzz/corpus/$target" 2>"$build/fuzz_$target.log"; then
    echo "fuzz_$target failed; see $build/fuzz_$target.log and $build/artifacts/" >&2
    tail -n 40 "$build/fuzz_$target.log" >&2
    status=1
  else
    grep -E '^stat::number_of_executed_units' "$build/fuzz_$target.log" || true
  fi
  rm -rf "$scratch"
done
exit "$status"
