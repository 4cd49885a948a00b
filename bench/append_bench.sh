#!/bin/bash
# Appends N generated five-page sources into one output with `quorvel-cli run`
# (the first row creates the output, every later row appends to it, as a bulk
# load "to one output" does) and merges the same files with
# `qpdf --empty --pages`, for text-only, image-heavy and tagged sources (the
# tagged output must also say Tagged: yes and resolve every marked-content id,
# which bench/struct_check.sh checks; qpdf drops the structure), and for
# sources that carry layers, labels, a form, outlines and named destinations
# (kind "features", appended with their bookmarks; qpdf drops much of what they
# carry, so their size is shown but not held to qpdf's).
# Prints for each kind and N: both times, their ratio, both peak resident
# memories, both output sizes; then the growth exponent of each between the
# two largest N (1: linear, 2: quadratic), and whether the targets are met
# (ratio <= 2 at N = 100, <= 3 at N = 1000, exponent <= 1.1, memory below 2x
# qpdf's, size within 5% of qpdf's).
#
# usage: bench/append_bench.sh [path/to/quorvel-cli] [N...]
#   QUORVEL_BENCH_KINDS="text image tagged features"   which source kinds to run
#   QUORVEL_RUN_ARGS="..."             options put before the batch file of `run`
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
cli="${1:-${QUORVEL_CLI:-$here/build/cli/quorvel-cli}}"
shift || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10 100 300 1000)
kinds=(${QUORVEL_BENCH_KINDS:-text image tagged features})
run_args=(${QUORVEL_RUN_ARGS:-})
cli="$(cd "$(dirname "$cli")" && pwd)/$(basename "$cli")"
[ -x "$cli" ] || { echo "quorvel-cli not found at $cli" >&2; exit 2; }
command -v qpdf >/dev/null || { echo "qpdf not found" >&2; exit 2; }
command -v python3 >/dev/null || { echo "python3 not found" >&2; exit 2; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
measure() { python3 "$here/bench/measure.py" "$@"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

printf '%-6s %6s %10s %9s %7s %10s %10s %7s %12s %12s %7s\n' kind N quorvel_s qpdf_s ratio \
    quorvel_kb qpdf_kb rss_x quorvel_bytes qpdf_bytes size_x
declare -A tq tp rq rp sq sp
for kind in "${kinds[@]}"; do
    for n in "${sizes[@]}"; do
        dir="$work/$kind-$n"
        python3 "$here/bench/make_sources.py" "$dir" "$n" "$kind"
        files=()
        : > "$dir/batch.app"
        for ((i = 1; i <= n; i++)); do
            name=$(printf 'src%04d.pdf' "$i")
            files+=("$name")
            create=N
            [ "$i" -eq 1 ] && create=Y
            keep=N
            [ "$kind" = features ] && keep=Y
            printf '%s; all; 5; Ready.; ; out.pdf; %s; %s; Y; N\r\r\n' "$name" "$keep" "$create" \
                >> "$dir/batch.app"
        done
        sync

        read -r t r < <(cd "$dir" && measure "$cli" run "${run_args[@]}" batch.app) || {
            echo "quorvel-cli run failed for $kind N=$n" >&2
            exit 1
        }
        tq[$kind$n]=$t rq[$kind$n]=$r
        read -r t r < <(cd "$dir" && measure qpdf --empty --pages "${files[@]}" -- out-qpdf.pdf) || {
            echo "qpdf failed for $kind N=$n" >&2
            exit 1
        }
        tp[$kind$n]=$t rp[$kind$n]=$r

        pages=$("$cli" pages "$dir/out.pdf" | cut -f1)
        [ "$pages" -eq $((5 * n)) ] || {
            echo "$kind N=$n: output has $pages pages, expected $((5 * n))" >&2
            exit 1
        }
        if [ "$kind" = tagged ]; then
            QUORVEL_STRUCT_WALK="${QUORVEL_STRUCT_WALK:-$(dirname "$cli")/../bench/quorvel-struct-walk}" \
                "$here/bench/struct_check.sh" "$dir/out.pdf" --summary | sed 's/^/    /' || {
                echo "tagged N=$n: the output's structure does not resolve" >&2
                exit 1
            }
        fi
        sq[$kind$n]=$(stat -c %s "$dir/out.pdf")
        sp[$kind$n]=$(stat -c %s "$dir/out-qpdf.pdf")
        printf '%-6s %6d %10s %9s %7s %10s %10s %7s %12s %12s %7s\n' "$kind" "$n" \
            "${tq[$kind$n]}" "${tp[$kind$n]}" "$(ratio "${tq[$kind$n]}" "${tp[$kind$n]}")" \
            "${rq[$kind$n]}" "${rp[$kind$n]}" "$(ratio "${rq[$kind$n]}" "${rp[$kind$n]}")" \
            "${sq[$kind$n]}" "${sp[$kind$n]}" "$(ratio "${sq[$kind$n]}" "${sp[$kind$n]}")"
        rm -rf "$dir"
    done
done

count=${#sizes[@]}
[ "$count" -ge 2 ] || exit 0
n1=${sizes[$((count - 2))]}
n2=${sizes[$((count - 1))]}
for kind in "${kinds[@]}"; do
    awk -v kind="$kind" -v n1="$n1" -v n2="$n2" \
        -v a1="${tq[$kind$n1]}" -v a2="${tq[$kind$n2]}" \
        -v b1="${tp[$kind$n1]}" -v b2="${tp[$kind$n2]}" 'BEGIN {
        printf "%s: growth exponent N=%d..%d: quorvel %.2f, qpdf %.2f\n", kind, n1, n2,
            log(a2 / a1) / log(n2 / n1), log(b2 / b1) / log(n2 / n1)
    }'
done

# The targets, where the run covered the sizes they speak of.
verdict() { awk -v v="$1" -v limit="$2" 'BEGIN { print (v <= limit ? "met" : "MISSED") }'; }
for kind in "${kinds[@]}"; do
    line="$kind targets:"
    if [ -n "${tq[${kind}100]:-}" ]; then
        r=$(ratio "${tq[${kind}100]}" "${tp[${kind}100]}")
        line+=" ratio@100=$r<=2 $(verdict "$r" 2);"
    fi
    if [ -n "${tq[${kind}1000]:-}" ]; then
        r=$(ratio "${tq[${kind}1000]}" "${tp[${kind}1000]}")
        line+=" ratio@1000=$r<=3 $(verdict "$r" 3);"
        m=$(ratio "${rq[${kind}1000]}" "${rp[${kind}1000]}")
        line+=" rss@1000=${m}x<2 $(verdict "$m" 1.999);"
    fi
    if [ -n "${tq[${kind}100]:-}" ] && [ -n "${tq[${kind}1000]:-}" ]; then
        e=$(awk -v a1="${tq[${kind}100]}" -v a2="${tq[${kind}1000]}" \
            'BEGIN { printf "%.2f", log(a2 / a1) / log(10) }')
        line+=" exponent=$e<=1.1 $(verdict "$e" 1.1);"
    fi
    n=$n2
    s=$(ratio "${sq[$kind$n]}" "${sp[$kind$n]}")
    if [ "$kind" = features ]; then
        line+=" size@$n=${s}x (qpdf drops what these sources carry; not compared)"
    else
        line+=" size@$n=${s}x within 5% $(awk -v s="$s" 'BEGIN { print (s >= 0.95 && s <= 1.05 ? "met" : "MISSED") }')"
    fi
    echo "$line"
done
