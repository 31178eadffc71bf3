#!/usr/bin/env bash
# Compares the registry's semantics program's lines with others, line by line (diff -u): the
# native program's with the lines kept in the repository, or the Windows program's, run under
# wine64 in a fresh prefix of its own (never the user's), with the native program's.
#
#   compare-semantics.sh EXPECTED PROGRAM          the native program against a file of lines
#   compare-semantics.sh --wine PROGRAM.exe NATIVE the Windows program against the native one
#   compare-semantics.sh --wine PROGRAM.exe --windows   the Windows program's own checks
set -euo pipefail

if [[ $1 != --wine ]]; then
  diff -u --label "$1" --label "$2" "$1" <("$2")
  exit
fi

wine=/usr/lib/wine/wine64
program=$2
prefix=$(mktemp -d "${TMPDIR:-/tmp}/registry-semantics-wine.XXXXXX")
cleanup() {
  # This prefix's server alone, started by the run above.
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
}
trap cleanup EXIT
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [[ $3 == --windows ]]; then
  "$wine" "$program" --windows
else
  windows=$("$wine" "$program")
  diff -u --label native --label windows <("$3") <(printf '%s\n' "$windows")
fi
