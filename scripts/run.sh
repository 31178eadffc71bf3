#!/usr/bin/env bash
# Sets up and builds (scripts/setup.sh), then starts the stand-in IDE with the
# VorlaPaletteMenu package loaded. Arguments go to the IDE:
#
#   scripts/run.sh [--palette FILE] [--registry FILE] [--theme light|dark|none] ...
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh" default

# The IDE itself explains what to do when there is no display; this is only a shortcut.
exec "$root/build/bin/standin-ide" "$@"
