#!/usr/bin/env bash
# Sets up and builds the stand-in IDE and the VorlaPaletteMenu package (scripts/setup.sh;
# only these two, not the tests), then starts the IDE with the package loaded. Arguments go
# to the IDE:
#
#   scripts/run.sh [--palette FILE] [--registry FILE] [--theme light|dark|none] ...
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh" default standin-ide VorlaPaletteMenu

# The IDE itself explains what to do when there is no display; this is only a shortcut.
exec "$root/build/bin/standin-ide" "$@"
