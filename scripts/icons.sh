#!/usr/bin/env bash
# Renders the application's scalable icon (resources/icons/vorla-palette-menu.svg) into the
# PNG sizes that the desktop's icon theme and the IDE's windows use. The 16 and 32 pixel
# icons are drawn by hand for their size (resources/VorlaPaletteMenu16.png, ...32.png) and
# are not made here. Run it after changing the SVG and commit the PNGs with it.
#
#   scripts/icons.sh
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-packages.sh" librsvg2-bin

icons="$root/resources/icons"
for size in 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" "$icons/vorla-palette-menu.svg" --output "$icons/vorla-palette-menu-$size.png"
done
