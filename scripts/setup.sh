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
# The fuzz preset builds with clang and its libFuzzer and sanitizer run-times.
if [[ $preset == fuzz ]]; then
  packages+=(clang-14 libclang-rt-14-dev)
fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

if ((${#missing[@]} > 0)); then
  echo "setup: installing ${missing[*]}" >&2
  sudo=()
  if [[ $(id -u) -ne 0 ]]; then
    if ! command -v sudo >/dev/null; then
      echo "setup: not root and no sudo; install these as root first: ${missing[*]}" >&2
      exit 1
    fi
    sudo=(sudo)
  fi
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cd "$root"
cmake --preset "$preset"
cmake --build --preset "$preset" --parallel "${VORLA_BUILD_JOBS:-$(nproc)}"
