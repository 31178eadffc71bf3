#!/usr/bin/env bash
# Fuzzes the readers of the category file and the palette file with libFuzzer, each for the
# given time (default 600 seconds; 0 runs until interrupted), starting from the seed corpus in
# fuzz/corpus/<target>/. Installs clang and builds the fuzz preset first (scripts/setup.sh).
#
#   scripts/fuzz.sh [SECONDS] [category_file|palette_file]...
#
# New inputs that reach new code are kept in build-fuzz/fuzz/work/<target>/. An input that
# fails (a crash, a hang, a leak, a sanitizer report) is copied into fuzz/corpus/<target>/,
# so that every test run replays it from then on: commit it with the fix.
set -euo pipefail

seconds="${1:-600}"
shift || true
targets=("$@")
((${#targets[@]} > 0)) || targets=(category_file palette_file)
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
VORLA_BUILD_JOBS="${VORLA_BUILD_JOBS:-$(nproc)}" "$root/scripts/setup.sh" fuzz

failed=()
for target in "${targets[@]}"; do
  work="$root/build-fuzz/fuzz/work/$target"
  artifacts="$root/build-fuzz/fuzz/artifacts/$target"
  mkdir -p "$work" "$artifacts"
  echo "fuzz: $target for ${seconds}s" >&2
  status=0
  "$root/build-fuzz/bin/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len="$(grep -oP "(?<=set\(fuzz_${target}_max_len )[0-9]+" "$root/fuzz/CMakeLists.txt")" \
    -dict="$root/fuzz/$target.dict" -artifact_prefix="$artifacts/" -print_final_stats=1 \
    "$work" "$root/fuzz/corpus/$target" || status=$?
  # Every failing input joins the corpus.
  for input in "$artifacts"/*; do
    [[ -e $input ]] || continue
    cp -n "$input" "$root/fuzz/corpus/$target/"
    echo "fuzz: $target failed on $(basename "$input"); kept in fuzz/corpus/$target/" >&2
    rm -f "$input"
    status=1
  done
  ((status == 0)) || failed+=("$target")
done

if ((${#failed[@]} > 0)); then
  echo "fuzz: failures in ${failed[*]}" >&2
  exit 1
fi
