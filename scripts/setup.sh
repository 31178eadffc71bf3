#!/usr/bin/env bash
# Installs whatever Debian packages the build needs and are missing, then configures and
# builds with a CMake preset (default: "default", into build/). Safe to run again and again:
# nothing is installed when everything is there, and the build is incremental.
#
#   scripts/setup.sh [PRESET]
set -euo pipefail

preset="${1:-default}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

packages=(
  cmake ninja-build g++
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
  libsqlite3-dev libbenchmark-dev
  xvfb xauth fonts-dejavu-core
)

"$root/scripts/packages.sh" "${packages[@]}"

cd "$root"
cmake --preset "$preset"
cmake --build --preset "$preset" --parallel "${VORLA_BUILD_JOBS:-$(nproc)}"
