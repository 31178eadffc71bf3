#!/usr/bin/env bash
# Installs whatever Debian packages the build needs and are missing, then configures and
# builds with a CMake preset (default: "default", into build/; any other into build-PRESET/).
# Safe to run again and again: nothing is installed when everything is there, nothing is
# configured again when nothing changed, and the build is incremental. Given targets, it
# builds only those (and what they need); otherwise everything the preset builds.
#
#   scripts/setup.sh [PRESET [TARGET...]]
set -euo pipefail

preset="${1:-default}"
targets=("${@:2}")
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

packages=(
  cmake ninja-build g++
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  libsqlite3-dev libicu-dev libbenchmark-dev
  xvfb xauth fonts-dejavu-core
)
# The fuzz preset builds with clang and its libFuzzer and sanitizer run-times; the windows
# preset with mingw-w64, and runs what it builds under wine64.
if [[ $preset == fuzz ]]; then
  packages+=(clang-14 libclang-rt-14-dev)
elif [[ $preset == windows ]]; then
  packages+=(g++-mingw-w64-x86-64-posix wine64)
fi

"$root/scripts/install-packages.sh" "${packages[@]}"

cd "$root"
# Configured once per build folder, and again when the presets change; any other change to a
# CMake file makes the build configure again by itself.
binary_dir="build-$preset"
[[ $preset == default ]] && binary_dir=build
if [[ ! -f $binary_dir/build.ninja || CMakePresets.json -nt $binary_dir/build.ninja ]]; then
  cmake --preset "$preset"
fi
target_options=()
((${#targets[@]} > 0)) && target_options=(--target "${targets[@]}")
cmake --build --preset "$preset" --parallel "${VORLA_BUILD_JOBS:-$(nproc)}" "${target_options[@]}"
