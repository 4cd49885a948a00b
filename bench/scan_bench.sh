#!/bin/sh
# Times "quorvel-cli scan group" over a generated folder tree against a plain
# find + pdfinfo pass over the same tree, and prints the ratio.
#
#   sh bench/scan_bench.sh          # 10,000 files, 300 of them PDFs
#   sh bench/scan_bench.sh small    # any argument: 1,000 files, 30 PDFs
#
# QUORVEL_CLI names the quorvel-cli to time (default: build/cli/quorvel-cli).
# pdfinfo takes one file per call, so the baseline runs it once per PDF
# ("-exec pdfinfo {} ;"); with "{} +" it would only print its usage.
set -eu
cd "$(dirname "$0")/.."
CLI="${QUORVEL_CLI:-build/cli/quorvel-cli}"
if [ ! -x "$CLI" ]; then
    echo "quorvel-cli not found at $CLI (build it or set QUORVEL_CLI)" >&2
    exit 1
fi
for tool in qpdf pdfinfo; do
    command -v "$tool" >/dev/null || { echo "$tool is needed" >&2; exit 1; }
done

if [ $# -gt 0 ]; then
    FILES=1000
else
    FILES=10000
fi
PDFS=$((FILES * 3 / 100))
FOLDERS=$((FILES / 50))

WORK="$(mktemp -d "${TMPDIR:-/tmp}/quorvel-scan-bench-XXXXXX")"
trap 'rm -rf "$WORK"' EXIT INT TERM
TREE="$WORK/tree"

# One small valid PDF, copied where a PDF is wanted.
printf '%%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n2 0 obj<</Type/Pages/Kids[3 0 R]/Count 1>>endobj\n3 0 obj<</Type/Page/Parent 2 0 R/MediaBox[0 0 200 200]>>endobj\ntrailer<</Root 1 0 R>>\n%%%%EOF\n' >"$WORK/raw.pdf"
qpdf "$WORK/raw.pdf" "$WORK/page.pdf" 2>/dev/null || [ -s "$WORK/page.pdf" ]

echo "generating $FILES files ($PDFS PDFs) in $FOLDERS folders..."
i=0
while [ $i -lt $FOLDERS ]; do
    mkdir -p "$TREE/d$((i % 10))/f$i"
    i=$((i + 1))
done
i=0
while [ $i -lt $FILES ]; do
    dir="$TREE/d$(((i % FOLDERS) % 10))/f$((i % FOLDERS))"
    if [ $((i % (FILES / PDFS))) -eq 0 ] && [ $((i / (FILES / PDFS))) -lt $PDFS ]; then
        cp "$WORK/page.pdf" "$dir/doc$i.pdf"
    else
        echo "note $i" >"$dir/note$i.txt"
    fi
    i=$((i + 1))
done
found_pdfs=$(find "$TREE" -iname '*.pdf' | wc -l)

now() { date +%s.%N; }

t0=$(now)
"$CLI" scan group --output-dir "$WORK/out" --suffix _b "$TREE" >"$WORK/jobs.app" 2>/dev/null
t1=$(now)
find "$TREE" -iname '*.pdf' -exec pdfinfo {} \; >"$WORK/pdfinfo.txt" 2>/dev/null
t2=$(now)

entries=$(grep -c '' "$WORK/jobs.app" || true)
counted=$(grep -c '; all; 1; Ready.;' "$WORK/jobs.app" || true)
echo "PDFs in the tree:          $found_pdfs"
echo "entries written by scan:   $entries (with page count 1: $counted)"
awk -v a="$t0" -v b="$t1" -v c="$t2" 'BEGIN {
    scan = b - a; base = c - b;
    printf "quorvel-cli scan group:    %.3f s\n", scan;
    printf "find + pdfinfo:            %.3f s\n", base;
    if (base > 0) printf "ratio scan / baseline:     %.2f\n", scan / base;
}'
if [ "$entries" -ne "$found_pdfs" ] || [ "$counted" -ne "$found_pdfs" ]; then
    echo "scan did not list every PDF with its page count" >&2
    exit 1
fi
