#!/usr/bin/env bash
# Makes the README's pictures in docs/: the main window with the palette menu open on a
# submenu and Find Page with nothing typed (its recent pages and all pages under their
# headings) in the light theme, the category editor in the dark theme, and the palette menu
# once more in German. The stand-in IDE runs under a virtual X server on a free display, with
# a store of its own into which the example grouping (examples/default-palette.cpc) is
# imported through the IDE's own "Import..."; xdotool drives it and ImageMagick takes the
# pictures.
#
#   scripts/screenshots.sh
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

if [[ ${1:-} != --on-display ]]; then
  "$root/scripts/install-packages.sh" xvfb xauth xdotool imagemagick
  "$root/scripts/setup.sh" default >&2
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" --on-display
fi

ide="$root/build/bin/standin-ide"
docs="$root/docs"
work="$(mktemp -d)"
pid=""
trap '[[ -n $pid ]] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT

# Stops with a message, leaving a picture of the screen as it was in build/.
fail() {
  import -window root "$root/build/screenshots-failure.png" 2>/dev/null || true
  echo "screenshots: $*; the screen as it was: build/screenshots-failure.png" >&2
  exit 1
}

# The visible windows of the IDE: its main window, dialogs and open menus.
windows() { xdotool search --onlyvisible --class standin-ide 2>/dev/null | sort; }

# Waits until the IDE shows more windows than it did (a menu or a dialog has opened).
wait_for_more_than() {
  local before="$1" what="$2"
  for _ in $(seq 50); do
    (($(windows | wc -l) > before)) && { sleep 0.3; return 0; }
    sleep 0.1
  done
  fail "$what did not open"
}

# Waits for the IDE's window of this exact title and prints its id.
wait_for_window() {
  local id
  id="$(timeout 10 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -1)" || true
  [[ -n $id ]] || fail "the window \"$1\" did not open"
  xdotool windowfocus --sync "$id"
  echo "$id"
}

# Starts the IDE in a theme (and a language, LANG, with the main window's title in it) and
# waits for its main window; sets $pid and $main.
start() {
  local lang="${2:-en_US.UTF-8}" title="${3:-Stand-in IDE}"
  env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG="$lang" \
    "$ide" --registry "$work/registry.sqlite" --theme "$1" >"$work/ide-$1.log" 2>&1 &
  pid=$!
  main="$(xdotool search --sync --onlyvisible --name "^$title\$" | head -1)"
  xdotool windowfocus --sync "$main"
  sleep 1
}

stop() {
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  pid=""
}

# Opens the main menu's "Palette" entry; its first item is then the active one.
open_palette_menu() {
  local before
  before="$(windows | wc -l)"
  xdotool windowfocus --sync "$main"
  xdotool key alt+a
  wait_for_more_than "$before" "the Palette menu"
}

# The palette menu's commands by their object names: the access key each has in the menu.
# (X tools see no object names; the keys come from the same table of commands.)
declare -A command_key=([FindPageCommand]=f [EditCategoriesCommand]=e [ImportCommand]=i [ExportCommand]=x)

# Opens the palette menu and runs a command named by its object name.
run_command() {
  open_palette_menu
  xdotool key "${command_key[$1]}"
}

# Takes a picture of the screen, cut to a rectangle (WxH+X+Y).
shoot() {
  import -window root -crop "$2" +repage "$docs/$1"
  echo "screenshots: wrote docs/$1" >&2
}

import_example_grouping() {
  run_command ImportCommand
  wait_for_window "Open Import File" >/dev/null
  xdotool type --delay 5 "$root/examples/default-palette.cpc"
  xdotool key Return
  for _ in $(seq 50); do
    [[ -z $(xdotool search --onlyvisible --name '^Open Import File$' 2>/dev/null) ]] && break
    sleep 0.1
  done
  # The file name's completion list may stay open after its dialog: a click on the empty
  # designer closes it.
  xdotool mousemove --window "$main" 700 600 click 1
  sleep 1
  # Only the main window is left, unless an error box says why the import failed.
  (($(windows | wc -l) == 1)) || fail "the import of examples/default-palette.cpc failed (see the IDE's window)"
}

# Chooses a page through Find Page, as a user does, so that it is among the recent pages.
choose_with_find_page() {
  local before
  before="$(windows | wc -l)"
  xdotool key ctrl+shift+p
  wait_for_more_than "$before" "Find Page"
  xdotool type --delay 50 "$1"
  sleep 0.3
  xdotool key Return
  sleep 0.5
}

light_pictures() {
  local before
  start light
  import_example_grouping

  # The main menu's palette menu, open on the "Database" submenu.
  open_palette_menu
  before="$(windows | wc -l)"
  xdotool key Down Down Right
  wait_for_more_than "$before" "the Database submenu"
  shoot "palette-menu-light.png" 1200x760+0+0
  xdotool key Escape Escape Escape
  sleep 0.5

  # Find Page with nothing typed, after three pages were chosen: "Recent", then "All Pages".
  choose_with_find_page "charting"
  choose_with_find_page "record sets"
  choose_with_find_page "wire clients"
  before="$(windows | wc -l)"
  xdotool key ctrl+shift+p
  wait_for_more_than "$before" "Find Page"
  shoot "find-page-light.png" 572x302+308+70
  xdotool key Escape
  stop
}

# The category editor, from "Edit Categories...", on a page filed under two categories
# ("Classic Database", twelve rows below the first).
dark_pictures() {
  local editor
  start dark
  run_command EditCategoriesCommand
  editor="$(wait_for_window "Component Palette Categories")"
  xdotool key --repeat 12 --delay 20 Down
  sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$editor")"
  shoot "editor-dark.png" "${WIDTH}x${HEIGHT}+${X}+${Y}"
  stop
}

# The palette menu in German, open on the "Database" submenu (the categories are the user's
# own names; the commands are the package's).
german_picture() {
  local before
  start light de_DE.UTF-8 "Stand-in-IDE"
  open_palette_menu
  before="$(windows | wc -l)"
  xdotool key Down Down Right
  wait_for_more_than "$before" "the Database submenu"
  shoot "palette-menu-de.png" 1200x760+0+0
  stop
}

cd "$root"
light_pictures
dark_pictures
german_picture
