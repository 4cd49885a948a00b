#!/bin/bash
# Checks the logical structure of a PDF without a viewer: what poppler's
# pdfinfo says of it (Tagged: yes/no), then, per page, the marked-content ids
# of the page's content and how many of them resolve through the parent tree
# to an element of that page below the structure tree root (all must).
# Exits 0 when the file is tagged and everything resolves.
#
# usage: bench/struct_check.sh FILE.pdf [--summary]
#   QUORVEL_STRUCT_WALK=path   the walker (default: build/bench/quorvel-struct-walk)
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
walk="${QUORVEL_STRUCT_WALK:-$here/build/bench/quorvel-struct-walk}"
[ $# -ge 1 ] || { echo "usage: $0 FILE.pdf [--summary]" >&2; exit 2; }
[ -x "$walk" ] || { echo "quorvel-struct-walk not found at $walk" >&2; exit 2; }
command -v pdfinfo >/dev/null || { echo "pdfinfo not found" >&2; exit 2; }

tagged=$(pdfinfo "$1" | awk -F': *' '/^Tagged:/ { print $2 }')
echo "pdfinfo: Tagged: ${tagged:-unknown}"
status=0
"$walk" "$@" || status=$?
[ "$tagged" = yes ] || status=1
exit $status
