#!/usr/bin/env bash
# Builds the release preset (scripts/setup.sh release, into build-release/), runs every
# benchmark of bench/ and prints one table: each figure beside its floor from the same run,
# the ratio, and the target. Each figure is the median of REPETITIONS runs (default 3). The
# benchmarks' own output and JSON reports are kept in build-release/bench-results/ (not
# build-release/bench/, which is the build's own folder for the benchmarks).
#
#   scripts/bench.sh [REPETITIONS]
set -euo pipefail

repetitions="${1:-3}"
if ! [[ $repetitions =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: scripts/bench.sh [REPETITIONS]" >&2
  exit 2
fi
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh" release >&2

bin="$root/build-release/bin"
out="$root/build-release/bench-results"
rm -rf "$out"
mkdir -p "$out"
export QT_QPA_PLATFORM=offscreen

for benchmark in "$bin"/bench_*; do
  name="$(basename "$benchmark")"
  [[ $name == bench_table ]] && continue
  echo "bench: running $name" >&2
  if ! "$benchmark" --benchmark_repetitions="$repetitions" --benchmark_report_aggregates_only=true \
      --benchmark_out="$out/$name.json" --benchmark_out_format=json >"$out/$name.log" 2>&1; then
    echo "bench: $name failed; its output is in $out/$name.log" >&2
    exit 1
  fi
done

cpu="$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)"
memory="$(awk '/^MemTotal:/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)"
system="$(. /etc/os-release && echo "$PRETTY_NAME")"
version() { dpkg-query -W -f='${Version}' "$1" 2>/dev/null | sed 's/[-+~].*//'; }
echo
echo "Measured $(date +%Y-%m-%d) on ${cpu:-an unknown CPU}, $(nproc) cores, $memory, $system, Qt $(version qt6-base-dev), SQLite $(version libsqlite3-0);"
# Other work on the machine slows the figures down and moves the ratios: say how busy it was.
load="$(cut -d' ' -f2 /proc/loadavg)"
echo "medians of $repetitions runs, real time; the machine's load over the last 5 minutes: $load."
echo
"$bin/bench_table" "$out"
