#!/bin/bash
# Every speed benchmark in one go: appends into one output (text, image and
# tagged sources, N = 10, 100, 300, 1000), the extra cost of running the document
# server in its own process, page counting and folder scans against bare
# tools, and the shown window against the command-line program. Each part
# prints its own figures and ratios.
#
# usage: bench/run_all.sh [path/to/quorvel-cli]
set -uo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
cli="${1:-${QUORVEL_CLI:-$here/../build/cli/quorvel-cli}}"
status=0
for part in append_bench.sh isolation_bench.sh; do
    [ -f "$here/$part" ] || continue
    echo "== $part"
    bash "$here/$part" "$cli" || status=1
    echo
done
# Builds its own tools in QUORVEL_BUILD_DIR (default: build).
if [ -f "$here/count_scan_bench.sh" ]; then
    echo "== count_scan_bench.sh"
    sh "$here/count_scan_bench.sh" || status=1
fi
# The shown window against the CLI (also builds its tools).
if [ -f "$here/window_bench.sh" ]; then
    echo
    echo "== window_bench.sh"
    bash "$here/window_bench.sh" || status=1
fi
exit $status
