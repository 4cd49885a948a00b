#!/bin/bash
# Times `quorvel-cli run` appending N generated 5-page sources into one output
# (first entry creates it, the others append) with the document server inside
# quorvel-cli and with it in the quorvel-docserver helper process
# (`run --isolated`), for N = 10, 100 and 300. Prints both times and their
# ratio (isolated / in-process). Each time is the best of REPEAT runs
# (environment, default 1).
#
# usage: bench/isolation_bench.sh [path/to/quorvel-cli] [N...]
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
cli="${1:-${QUORVEL_CLI:-$here/build/cli/quorvel-cli}}"
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10 100 300)
repeat="${REPEAT:-1}"
cli="$(cd "$(dirname "$cli")" && pwd)/$(basename "$cli")"
[ -x "$cli" ] || { echo "quorvel-cli not found at $cli" >&2; exit 2; }
usage="$("$cli" 2>&1 || true)"
[[ "$usage" == *"run [--isolated]"* ]] || { echo "$cli has no run --isolated" >&2; exit 2; }
command -v qpdf >/dev/null || { echo "qpdf not found" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# A 5-page source, rewritten by qpdf.
. "$here/bench/five_page_source.sh"
write_five_page_source "$work/raw.pdf" "$work/base.pdf"

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

# run_once DIR N [--isolated]: one run of the batch in DIR; prints its time.
run_once() {
    local dir="$1" n="$2"
    shift 2
    rm -f "$dir/out.pdf"
    local start
    start=$(now)
    (cd "$dir" && "$cli" run "$@" batch.app > run.out 2> run.err) || {
        echo "quorvel-cli run $* failed for N=$n:" >&2
        cat "$dir/run.err" >&2
        exit 1
    }
    local seconds
    seconds=$(elapsed "$start" "$(now)")
    local pages
    pages=$("$cli" pages "$dir/out.pdf" | cut -f1)
    [ "$pages" -eq $((5 * n)) ] ||
        { echo "N=$n $*: output has $pages pages, expected $((5 * n))" >&2; exit 1; }
    echo "$seconds"
}

printf '%6s %14s %14s %8s\n' N in_process_s isolated_s ratio
for n in "${sizes[@]}"; do
    dir="$work/n$n"
    mkdir -p "$dir"
    : > "$dir/batch.app"
    for ((i = 1; i <= n; i++)); do
        name=$(printf 'src%04d.pdf' "$i")
        cp "$work/base.pdf" "$dir/$name"
        create=N
        [ "$i" -eq 1 ] && create=Y
        printf '%s; all; 5; Ready.; ; out.pdf; N; %s; Y; N\r\r\n' "$name" "$create" >> "$dir/batch.app"
    done

    # The two modes take turns, so that a slow spell of the machine does not
    # weigh on one of them only.
    inproc="" isolated=""
    for ((r = 0; r < repeat; r++)); do
        inproc=$(smaller "$inproc" "$(run_once "$dir" "$n")")
        isolated=$(smaller "$isolated" "$(run_once "$dir" "$n" --isolated)")
    done
    printf '%6d %14s %14s %8s\n' "$n" "$inproc" "$isolated" \
        "$(awk -v a="$inproc" -v b="$isolated" 'BEGIN { printf "%.2f", b / a }')"
done
