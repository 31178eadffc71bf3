#!/usr/bin/env bash
# Sets up and builds (scripts/setup.sh), then runs every test through CTest, headless.
# Fails when a test fails.
#
#   scripts/test.sh          the default build, in build/
#   scripts/test.sh ci       warnings as errors, benchmarks built too, in build-ci/ (.ci/run)
#   scripts/test.sh asan     address and undefined-behaviour sanitizers, in build-asan/
#   scripts/test.sh fuzz     each fuzz target for VORLA_FUZZ_SECONDS (default 5; clang, libFuzzer), in build-fuzz/
#   scripts/test.sh windows  the store on the Windows registry under wine64 against the SQLite store: the
#                            semantics program cross-built with mingw-w64 in build-windows/, natively in build/
set -euo pipefail

preset="${1:-default}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [[ $preset == windows ]]; then
  "$root/scripts/setup.sh" default registry_semantics
fi
"$root/scripts/setup.sh" "$preset"

cd "$root"
export QT_QPA_PLATFORM=offscreen
ctest --preset "$preset" --parallel "${VORLA_TEST_JOBS:-$(nproc)}"
