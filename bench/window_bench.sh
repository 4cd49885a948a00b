#!/bin/bash
# Times the shown main window against quorvel-cli on the same files, at the
# window's own size and at 1600x1000, and prints one line per case:
#
#   window-run rows=1000 size=WxH window_s=.. cli_s=.. ratio=..   (one output,
#       then 1,000 outputs; "Append Files" against `quorvel-cli run --isolated`)
#   window-bulk files=10000 size=WxH window_s=.. cli_s=.. ratio=..
#       ("Bulk Load (Grouping)" over 10,000 PDFs in 100 folders against
#       `quorvel-cli scan group`)
#
# Targets: runs within 1.2x of the CLI, bulk loads within 2x, and the larger
# size within 10% of the default size.
#
# usage: bench/window_bench.sh [ROWS [FILES]]   (defaults 1000 and 10000)
# Each figure is the best of REPEAT turns (environment, default 1).
# QUORVEL_BUILD_DIR names the build (default: build); the tools are built
# there when missing. The window runs under xvfb-run, a real X server as a
# user's desktop has; WINDOW_BENCH_PLATFORM=offscreen (or no xvfb-run) runs it
# on Qt's offscreen platform instead, whose copy of every painted frame costs
# more the larger the window.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
build="${QUORVEL_BUILD_DIR:-$here/build}"
rows="${1:-1000}"
files="${2:-10000}"
repeat="${REPEAT:-1}"
cli="$build/cli/quorvel-cli"
window="$build/bench/quorvel-window-bench"
if [ ! -x "$cli" ] || [ ! -x "$window" ]; then
    cmake --build "$build" --target quorvel-cli quorvel-window-bench quorvel-docserver >/dev/null
fi
command -v qpdf >/dev/null || { echo "qpdf not found" >&2; exit 2; }

work="$(mktemp -d "${TMPDIR:-/tmp}/quorvel-window-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0) ? a / b : 0 }'; }
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

# run_window MODE ARG [WxH]: the window bench's output line.
platform="${WINDOW_BENCH_PLATFORM:-xvfb}"
command -v xvfb-run >/dev/null || platform=offscreen
run_window() {
    if [ "$platform" = xvfb ]; then
        xvfb-run -a -s "-screen 0 1920x1200x24" "$window" "$@"
    else
        QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$window" "$@"
    fi 2>"$work/window.err" | tail -n 1
}
field() { sed -n "s/.*$1=\([^ ]*\).*/\1/p"; }

# A 5-page source, rewritten by qpdf.
. "$here/bench/five_page_source.sh"
write_five_page_source "$work/raw.pdf" "$work/base.pdf"

# The run cases: ROWS sources, appended into one output or each into its own.
src="$work/src"
mkdir -p "$src"
: >"$work/one.app"
: >"$work/many.app"
for ((i = 1; i <= rows; i++)); do
    name=$(printf '%s/src%04d.pdf' "$src" "$i")
    cp "$work/base.pdf" "$name"
    create=N
    [ "$i" -eq 1 ] && create=Y
    printf '%s; all; 5; Ready.; ; %s/out/one.pdf; N; %s; Y; N\r\r\n' "$name" "$work" "$create" \
        >>"$work/one.app"
    printf '%s; all; 5; Ready.; ; %s/out/many%04d.pdf; N; Y; Y; N\r\r\n' "$name" "$work" "$i" \
        >>"$work/many.app"
done

# cli_run BATCH: one `quorvel-cli run --isolated`; prints its time.
cli_run() {
    rm -rf "$work/out"
    local start
    start=$(now)
    (cd "$work" && "$cli" run --isolated "$1" >/dev/null 2>"$work/cli.err") ||
        { echo "quorvel-cli run --isolated failed:" >&2; cat "$work/cli.err" >&2; exit 1; }
    elapsed "$start" "$(now)"
}

# window_run NAME BATCH [WxH]: one window run, checked; prints "seconds size".
window_run() {
    local name="$1" batch="$2" size="${3:-}"
    rm -rf "$work/out"
    local line got pages
    line=$(cd "$work" && run_window run "$batch" $size)
    got=$(echo "$line" | field rows)
    [ "$got" = "$rows" ] || { echo "window run loaded $got rows: $line" >&2; exit 1; }
    if [ "$name" = one ]; then
        pages=$("$cli" pages "$work/out/one.pdf" | cut -f1)
        [ "$pages" -eq $((5 * rows)) ] ||
            { echo "window run: output has $pages pages, expected $((5 * rows))" >&2; exit 1; }
    else
        pages=$(ls "$work/out" | grep -c '^many.*\.pdf$' || true)
        [ "$pages" -eq "$rows" ] || { echo "window run: $pages outputs, expected $rows" >&2; exit 1; }
    fi
    echo "$(echo "$line" | field seconds) $(echo "$line" | field size)"
}

# run_case NAME BATCH: the CLI and the window at both sizes, taking turns
# REPEAT times (environment, default 1) so that a slow spell of the shared
# machine does not land on one of them only; the best time of each counts.
run_case() {
    local name="$1" batch="$2" outputs=1
    [ "$name" = one ] || outputs=$rows
    local c="" w1="" w2="" s1="" s2="" r t out
    for ((r = 0; r < repeat; r++)); do
        out=$(cli_run "$batch") || exit 1
        c=$(smaller "$c" "$out")
        out=$(window_run "$name" "$batch") || exit 1
        read -r t s1 <<<"$out"
        w1=$(smaller "$w1" "$t")
        out=$(window_run "$name" "$batch" 1600x1000) || exit 1
        read -r t s2 <<<"$out"
        w2=$(smaller "$w2" "$t")
    done
    echo "window-run rows=$rows outputs=$outputs size=$s1 window_s=$w1 cli_s=$c ratio=$(ratio "$w1" "$c")"
    echo "window-run rows=$rows outputs=$outputs size=$s2 window_s=$w2 cli_s=$c ratio=$(ratio "$w2" "$c")"
}
run_case one "$work/one.app" || exit 1
run_case many "$work/many.app" || exit 1

# The bulk case: FILES small PDFs in 100 folders (hard links of one file).
tree="$work/tree"
folders=100
for ((f = 0; f < folders; f++)); do
    mkdir -p "$tree/d$((f % 10))/f$f"
done
for ((i = 0; i < files; i++)); do
    ln "$work/base.pdf" "$tree/d$(((i % folders) % 10))/f$((i % folders))/doc$i.pdf"
done
c="" w1="" w2="" s1="" s2=""
for ((r = 0; r < repeat; r++)); do
    start=$(now)
    "$cli" scan group --output-dir /out --suffix _b "$tree" >"$work/scan.app" 2>/dev/null
    c=$(smaller "$c" "$(elapsed "$start" "$(now)")")
    for size in "" 1600x1000; do
        line=$(run_window bulk "$tree" $size)
        got=$(echo "$line" | field rows)
        [ "$got" = "$files" ] || { echo "window bulk loaded $got rows: $line" >&2; exit 1; }
        if [ -z "$size" ]; then
            w1=$(smaller "$w1" "$(echo "$line" | field seconds)")
            s1=$(echo "$line" | field size)
        else
            w2=$(smaller "$w2" "$(echo "$line" | field seconds)")
            s2=$(echo "$line" | field size)
        fi
    done
done
echo "window-bulk files=$files size=$s1 window_s=$w1 cli_s=$c ratio=$(ratio "$w1" "$c")"
echo "window-bulk files=$files size=$s2 window_s=$w2 cli_s=$c ratio=$(ratio "$w2" "$c")"
