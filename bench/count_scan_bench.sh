#!/bin/sh
# Page-count and folder-scan benchmark. Prints two lines per data set:
#
#   count: ...  a bare in-process library loop (load, page count, nothing
#               else) against ProbePdfPageCount and against the counting done
#               in the page-count helper process, over 1,000 generated PDFs of
#               1-10 pages (and "corpus: ..." over ../shared/corpus when present)
#   scan: ...   "quorvel-cli scan group" over a generated 10,000-file tree
#               against find -iname '*.pdf' followed by the bare library loop
#               over the PDFs it found
#   window: ... the main window's grouping bulk load over the same tree, on
#               the offscreen platform, with the window hidden and shown,
#               against the same baseline
#
# In parentheses, both also compare with the bare loop run while one document
# stays open, so that the library builds its global tables only once (our
# counting does that): the least a count can cost.
#
# Every figure is the best of 3 runs.
#
#   sh bench/count_scan_bench.sh          # full size
#   sh bench/count_scan_bench.sh small    # any argument: a tenth of the files
#
# QUORVEL_BUILD_DIR names the build folder (default: build); the script builds
# quorvel-cli, quorvel-docserver and quorvel-count-bench there.
set -eu
cd "$(dirname "$0")/.."
BUILD="${QUORVEL_BUILD_DIR:-build}"
cmake --build "$BUILD" --target quorvel-cli quorvel-docserver quorvel-count-bench >/dev/null
CLI="$BUILD/cli/quorvel-cli"
BENCH="$BUILD/bench/quorvel-count-bench"
# The window's bulk load, when the build has the desktop program.
WINDOW=""
if cmake --build "$BUILD" --target quorvel-window-scan-bench >/dev/null 2>&1; then
    WINDOW="$(pwd)/$BUILD/bench/quorvel-window-scan-bench"
fi
command -v qpdf >/dev/null || { echo "qpdf is needed" >&2; exit 1; }

if [ $# -gt 0 ]; then
    COUNT_FILES=100
    TREE_FILES=1000
else
    COUNT_FILES=1000
    TREE_FILES=10000
fi

WORK="$(mktemp -d "${TMPDIR:-/tmp}/quorvel-count-bench-XXXXXX")"
trap 'rm -rf "$WORK"' EXIT INT TERM

# Ten small PDFs of 1 to 10 pages, each page with a line of text, rewritten
# by qpdf (the odd ones with object streams, as many producers do nowadays).
n=1
while [ $n -le 10 ]; do
    awk -v pages=$n '
    function emit(line) { printf "%s\n", line; offset += length(line) + 1 }
    function obj(num, body) { at[num] = offset; emit(num " 0 obj " body " endobj") }
    BEGIN {
        emit("%PDF-1.5")
        kids = ""
        for (p = 0; p < pages; p++) kids = kids " " (4 + 2 * p) " 0 R"
        obj(1, "<</Type/Catalog/Pages 2 0 R>>")
        obj(2, "<</Type/Pages/Count " pages "/Kids[" kids "]>>")
        obj(3, "<</Type/Font/Subtype/Type1/BaseFont/Helvetica>>")
        for (p = 0; p < pages; p++) {
            page = 4 + 2 * p
            text = "BT /F1 24 Tf 72 720 Td (Page " p + 1 " of " pages ") Tj ET"
            obj(page, "<</Type/Page/Parent 2 0 R/MediaBox[0 0 612 792]" \
                      "/Resources<</Font<</F1 3 0 R>>>>/Contents " page + 1 " 0 R>>")
            obj(page + 1, "<</Length " length(text) ">> stream\n" text "\nendstream")
        }
        size = 4 + 2 * pages
        xref = offset
        emit("xref")
        emit("0 " size)
        printf "0000000000 65535 f \n"
        for (k = 1; k < size; k++) printf "%010d 00000 n \n", at[k]
        emit("trailer <</Size " size "/Root 1 0 R>>")
        emit("startxref")
        emit(xref)
        emit("%%EOF")
    }' >"$WORK/raw$n.pdf"
    if [ $((n % 2)) -eq 1 ]; then
        streams=generate
    else
        streams=disable
    fi
    qpdf --object-streams=$streams "$WORK/raw$n.pdf" "$WORK/base$n.pdf"
    n=$((n + 1))
done

# The counting set: separate copies, one file per count.
mkdir "$WORK/count"
i=0
while [ $i -lt $COUNT_FILES ]; do
    cp "$WORK/base$((i % 10 + 1)).pdf" "$WORK/count/file$i.pdf"
    echo "$WORK/count/file$i.pdf"
    i=$((i + 1))
done >"$WORK/count.list"

"$BENCH" compare "$WORK/count.list" count
CORPUS="${PDF_CORPUS_DIR:-../shared/corpus}"
if [ -d "$CORPUS" ]; then
    find "$(cd "$CORPUS" && pwd)" -maxdepth 1 -iname '*.pdf' | sort >"$WORK/corpus.list"
    # The bare loop also counts files the probe turns down (no "%PDF" at the
    # start, still locked), so only the probe and the helper must agree here.
    "$BENCH" compare "$WORK/corpus.list" corpus || [ $? -eq 4 ]
fi

# The scan tree: 10 x 10 x 5 nested folders with their files in the deepest
# ones; one file in ten is a PDF (a hard link to one of the ten above, some
# named in capitals), the rest are small text files.
TREE="$WORK/tree"
LEAVES=$((TREE_FILES / 20))
i=0
while [ $i -lt $LEAVES ]; do
    dir="$TREE/a$((i % 10))/b$((i / 10 % 10))/c$((i / 100))"
    mkdir -p "$dir"
    j=0
    while [ $j -lt 20 ]; do
        k=$((i * 20 + j))
        if [ $((k % 10)) -eq 3 ]; then
            if [ $((k % 30)) -eq 3 ]; then
                ln "$WORK/base$((k / 10 % 10 + 1)).pdf" "$dir/DOC$k.PDF"
            else
                ln "$WORK/base$((k / 10 % 10 + 1)).pdf" "$dir/doc$k.pdf"
            fi
        else
            echo "note $k" >"$dir/note$k.txt"
        fi
        j=$((j + 1))
    done
    i=$((i + 1))
done

now() { date +%s.%N; }
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

# Warm the cache of the tree and of every program first.
find "$TREE" -iname '*.pdf' >"$WORK/found.list"
"$BENCH" poppler "$WORK/found.list" >/dev/null
"$CLI" scan group --output-dir "$WORK/out" --suffix _b "$TREE" >/dev/null 2>&1

base_best=""
scan_best=""
kept_best=""
for round in 1 2 3; do
    t0=$(now)
    find "$TREE" -iname '*.pdf' >"$WORK/found.list"
    base_pages=$("$BENCH" poppler "$WORK/found.list")
    t1=$(now)
    "$CLI" scan group --output-dir "$WORK/out" --suffix _b "$TREE" >"$WORK/jobs.app" 2>/dev/null
    t2=$(now)
    find "$TREE" -iname '*.pdf' >"$WORK/found.list"
    "$BENCH" kept "$WORK/found.list" >/dev/null
    t3=$(now)
    base_best=$(best "$base_best" "$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')")
    scan_best=$(best "$scan_best" "$(awk -v a="$t1" -v b="$t2" 'BEGIN { print b - a }')")
    kept_best=$(best "$kept_best" "$(awk -v a="$t2" -v b="$t3" 'BEGIN { print b - a }')")
done

all_files=$(find "$TREE" -type f | wc -l)
pdfs=$(grep -c '' "$WORK/found.list")
entries=$(grep -c '' "$WORK/jobs.app" || true)
# The page count is the third field of a batch line.
scan_pages=$(awk -F'; ' '{ s += $3 } END { print s + 0 }' "$WORK/jobs.app")
awk -v f="$all_files" -v p="$pdfs" -v b="$base_best" -v s="$scan_best" -v k="$kept_best" 'BEGIN {
    printf "scan: files=%d pdfs=%d find+count=%.3fs quorvel=%.3fs ratio=%.2f", f, p, b, s, s / b
    printf " (library tables kept: find+count=%.3fs, quorvel/that=%.2f)\n", k, s / k
}'
if [ -n "$WINDOW" ]; then
    hidden_best=""
    shown_best=""
    for round in 1 2 3; do
        out=$(cd "$WORK" && QT_QPA_PLATFORM=offscreen "$WINDOW" "$TREE" 2>/dev/null)
        hidden_best=$(best "$hidden_best" "${out##*seconds=}")
        hidden_rows="${out%% *}"
        out=$(cd "$WORK" && QT_QPA_PLATFORM=offscreen "$WINDOW" "$TREE" show 2>/dev/null)
        shown_best=$(best "$shown_best" "${out##*seconds=}")
    done
    awk -v r="${hidden_rows#rows=}" -v b="$base_best" -v k="$kept_best" -v h="$hidden_best" \
        -v s="$shown_best" 'BEGIN {
        printf "window: rows=%d find+count=%.3fs hidden=%.3fs ratio=%.2f shown=%.3fs ratio=%.2f", r, b, h, h / b, s, s / b
        printf " (library tables kept: find+count=%.3fs, hidden/that=%.2f, shown/that=%.2f)\n", k, h / k, s / k
    }'
fi
if [ "$entries" -ne "$pdfs" ] || [ "$scan_pages" -ne "$base_pages" ]; then
    echo "scan listed $entries PDFs with $scan_pages pages; find found $pdfs with $base_pages" >&2
    exit 1
fi
