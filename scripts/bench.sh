#!/usr/bin/env bash
# Builds the release preset (scripts/setup.sh release, into build-release/), runs every
# benchmark of bench/ and prints one table: a line saying how many targets this run met, then
# each figure beside its floor from the same run, the ratio, and the target (rows with a
# target first), then the rows kept for reference. Each figure is the median of REPETITIONS
# runs (default 3; 1 takes each benchmark's single run). The table also goes into
# docs/benchmarks.md, in place of everything below the line there that says so; the text
# above it is kept. The benchmarks' own output and JSON reports are kept in
# build-release/bench-results/ (not build-release/bench/, which is the build's own folder for
# the benchmarks); the build's own output goes to build-release/bench-build.log. On a machine
# busier than one task per core the output says first that its ratios are unreliable, and
# names the targets missed only narrowly.
#
#   scripts/bench.sh [REPETITIONS]
set -euo pipefail
trap 'echo "bench: failed (exit status $?): $BASH_COMMAND" >&2' ERR

repetitions="${1:-3}"
if ! [[ $repetitions =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: scripts/bench.sh [REPETITIONS]   (REPETITIONS: a whole number from 1)" >&2
  exit 2
fi
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
docs="$root/docs/benchmarks.md"
marker='<!-- scripts/bench.sh writes everything below this line; the text above it stays. -->'
if ! grep -qxF -- "$marker" "$docs"; then
  echo "bench: $docs lacks the line \"$marker\", below which the table goes" >&2
  exit 1
fi
mkdir -p "$root/build-release"
build_log="$root/build-release/bench-build.log"
echo "bench: building the release preset; its output goes to $build_log" >&2
if ! "$root/scripts/setup.sh" release >"$build_log" 2>&1; then
  echo "bench: the build failed; the end of $build_log:" >&2
  tail -n 20 "$build_log" >&2
  exit 1
fi

bin="$root/build-release/bin"
out="$root/build-release/bench-results"
rm -rf "$out"
mkdir -p "$out"
export QT_QPA_PLATFORM=offscreen

# With one repetition the benchmark library computes no medians, and asked for aggregates
# only it leaves out the last size of a benchmark that fits its complexity: every run is kept.
options=(--benchmark_repetitions="$repetitions")
if ((repetitions > 1)); then
  options+=(--benchmark_report_aggregates_only=true)
fi

for benchmark in "$bin"/bench_*; do
  name="$(basename "$benchmark")"
  [[ $name == bench_table ]] && continue
  echo "bench: running $name" >&2
  if ! "$benchmark" "${options[@]}" --benchmark_out="$out/$name.json" --benchmark_out_format=json \
      >"$out/$name.log" 2>&1; then
    echo "bench: $name failed; its output is in $out/$name.log:" >&2
    tail -n 20 "$out/$name.log" >&2
    exit 1
  fi
done

cpu="$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)"
memory="$(awk '/^MemTotal:/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)"
system="$(. /etc/os-release && echo "$PRETTY_NAME")"
version() { dpkg-query -W -f='${Version}' "$1" 2>/dev/null | sed 's/[-+~].*//'; }
# Other work on the machine slows the figures down and moves the ratios: say how busy it was.
load="$(cut -d' ' -f2 /proc/loadavg)"
cores="$(nproc)"
table="$out/table.md"
{
  if awk -v load="$load" -v cores="$cores" 'BEGIN { exit !(load > cores) }'; then
    echo "Ratios are unreliable on this run: the machine's load, $load on $cores cores, was above one per core."
    echo
  fi
  echo "Measured $(date +%Y-%m-%d) on ${cpu:-an unknown CPU}, $cores cores, $memory, $system, Qt $(version qt6-base-dev), SQLite $(version libsqlite3-0);"
  runs="medians of $repetitions runs"
  if ((repetitions == 1)); then
    runs="one run each"
  fi
  echo "$runs, real time; the machine's load over the last 5 minutes: $load."
  echo
} >"$table"
if ! "$bin/bench_table" "$out" "$load" "$cores" >>"$table"; then
  echo
  cat "$table"
  echo "bench: the table lacks figures (named above); the benchmarks' output is in $out;" \
    "docs/benchmarks.md is left as it was" >&2
  exit 1
fi
echo
cat "$table"

# docs/benchmarks.md keeps its text up to the marker line; this run's table follows it.
{
  awk -v marker="$marker" '{ print } $0 == marker { exit }' "$docs"
  echo
  cat "$table"
} >"$docs.new"
mv "$docs.new" "$docs"
echo "bench: the table is written into docs/benchmarks.md" >&2
