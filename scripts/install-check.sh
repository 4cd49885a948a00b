#!/bin/sh
# Checks Quorvel as a user gets it, reusing the build of scripts/test.sh
# (QUORVEL_BUILD_DIR, default build): makes the Debian package, installs it,
# runs the installed quorvel-cli on a two-file batch with its installed helper,
# starts the installed window offscreen through the desktop entry's own
# command, validates the desktop entry, the AppStream metadata and the manual
# pages, and removes the package again. Prints each step.
set -eu
cd "$(dirname "$0")/.."
BUILD="$(cd "${QUORVEL_BUILD_DIR:-build}" && pwd)"
SUDO=
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
APP_ID=example.brellwick.quorvel
BUILT_HELPER="$BUILD/docserver/quorvel-docserver"
WORK="$(mktemp -d)"
installed=no

step() { echo "install-check: $*"; }
fail() {
    echo "install-check: FAILED: $*" >&2
    exit 1
}

cleanup() {
    [ -f "$BUILT_HELPER" ] && chmod +x "$BUILT_HELPER"
    if [ "$installed" = yes ]; then
        $SUDO apt-get remove -y -qq quorvel >/dev/null 2>&1 || true
    fi
    rm -rf "$WORK"
}
trap cleanup EXIT
# An interrupted check cleans up as well (the build's helper gets back its mode).
trap 'exit 1' INT TERM HUP

# A PDF of $2 empty pages in file $1, with a correct cross-reference table.
write_pdf() {
    file=$1
    pages=$2
    kids=
    i=0
    while [ $i -lt "$pages" ]; do
        kids="$kids $((3 + i)) 0 R"
        i=$((i + 1))
    done
    printf '%%PDF-1.4\n' >"$file"
    offsets=
    n=1
    obj() {
        offsets="$offsets $(wc -c <"$file")"
        printf '%d 0 obj\n%s\nendobj\n' "$n" "$1" >>"$file"
        n=$((n + 1))
    }
    obj "<< /Type /Catalog /Pages 2 0 R >>"
    obj "<< /Type /Pages /Kids [$kids ] /Count $pages >>"
    i=0
    while [ $i -lt "$pages" ]; do
        obj "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] >>"
        i=$((i + 1))
    done
    xref=$(wc -c <"$file")
    {
        printf 'xref\n0 %d\n0000000000 65535 f \n' "$n"
        for offset in $offsets; do
            printf '%010d 00000 n \n' "$offset"
        done
        printf 'trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n' "$n" "$xref"
    } >>"$file"
}

VERSION="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")"
DEB="$BUILD/quorvel_${VERSION}_$(dpkg --print-architecture).deb"

step "building the package (cmake --build $BUILD --target package)"
rm -f "$DEB"
cmake --build "$BUILD" --target package >"$WORK/package.log" 2>&1 || {
    cat "$WORK/package.log"
    fail "the package target"
}
[ -f "$DEB" ] || fail "no $DEB"
step "made $(basename "$DEB"), $(wc -c <"$DEB") bytes, $(dpkg -c "$DEB" | grep -vc '/$') files"
dpkg-deb -f "$DEB" Package Version Architecture Maintainer Section Depends Recommends |
    sed 's/^/    /'

step "installing it (apt-get install ./$(basename "$DEB"))"
if dpkg -s quorvel >/dev/null 2>&1; then
    fail "quorvel is installed already; remove it first"
fi
installed=yes
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$DEB" \
    >"$WORK/apt.log" 2>&1 || {
    cat "$WORK/apt.log"
    fail "apt-get install"
}
for program in /usr/bin/quorvel /usr/bin/quorvel-cli /usr/libexec/quorvel/quorvel-docserver; do
    [ -x "$program" ] || fail "$program is missing"
    echo "    $("$program" --version)"
done

step "running the installed quorvel-cli on a two-file batch (run --isolated)"
mkdir "$WORK/batch"
write_pdf "$WORK/batch/a.pdf" 2
write_pdf "$WORK/batch/b.pdf" 3
printf '%s; all; 2; Ready.; ; out.pdf; N; Y; N; N\r\r\n%s; all; 3; Ready.; ; out.pdf; N; N; Y; N\r\r\n' \
    "$WORK/batch/a.pdf" "$WORK/batch/b.pdf" >"$WORK/batch/jobs.app"
# Only the installed helper can be found: the build's is made unrunnable.
chmod -x "$BUILT_HELPER"
(cd "$WORK/batch" && /usr/bin/quorvel-cli run --isolated jobs.app) >"$WORK/run.out" 2>"$WORK/run.err" ||
    {
        cat "$WORK/run.out" "$WORK/run.err"
        fail "quorvel-cli run --isolated"
    }
chmod +x "$BUILT_HELPER"
sed 's/^/    /' "$WORK/run.out" "$WORK/run.err"
pages="$(qpdf --show-npages "$WORK/batch/out.pdf")"
[ "$pages" = 5 ] || fail "out.pdf has $pages pages, not 5"
records="$(cd "$WORK/batch" && /usr/bin/quorvel-cli log | grep -c 'out.pdf')" || true
[ "$records" = 2 ] || fail "append.log holds $records records, not 2"
echo "    out.pdf: $pages pages; append.log: $records records"

step "starting the installed quorvel through the desktop entry's command, offscreen, for 4 s"
ENTRY=/usr/share/applications/$APP_ID.desktop
[ -f "$ENTRY" ] || fail "$ENTRY is missing"
# The entry's Exec value, unescaped as a launcher does (its quoting is the
# shell's), with the file list %F standing for one of the batch's files.
exec_line="$(sed -n 's/^Exec=//p' "$ENTRY" | sed 's/\\\\/\\/g')"
exec_line="$(printf '%s' "$exec_line" | sed "s|%F|'$WORK/batch/a.pdf'|")"
eval "set -- $exec_line"
set +e
XDG_DATA_HOME="$WORK/data" QT_QPA_PLATFORM=offscreen timeout 4 "$@" >"$WORK/window.log" 2>&1
rc=$?
set -e
[ "$rc" = 124 ] || {
    cat "$WORK/window.log"
    fail "quorvel ended by itself (exit $rc) instead of running"
}
[ -f "$WORK/data/quorvel/append.log" ] ||
    fail "the window did not start in \$XDG_DATA_HOME/quorvel"
echo "    still running after 4 s; started in \$XDG_DATA_HOME/quorvel: $(ls "$WORK/data/quorvel")"

step "desktop-file-validate $ENTRY"
desktop-file-validate "$ENTRY"
METAINFO=/usr/share/metainfo/$APP_ID.metainfo.xml
step "appstreamcli validate --no-net $METAINFO"
appstreamcli validate --no-net "$METAINFO" | sed 's/^/    /'

for page in quorvel quorvel-cli; do
    file=/usr/share/man/man1/$page.1.gz
    if [ ! -f "$file" ]; then
        # Minimal images tell dpkg to leave manual pages out; check the
        # package's own copy then.
        mkdir -p "$WORK/deb"
        dpkg-deb -x "$DEB" "$WORK/deb"
        file="$WORK/deb$file"
    fi
    step "man -l $file"
    warnings="$(MANWIDTH=80 man --warnings -l "$file" 2>&1 >"$WORK/$page.txt")"
    [ -z "$warnings" ] || fail "$page(1): $warnings"
    [ -s "$WORK/$page.txt" ] || fail "$page(1) is empty"
    echo "    $(wc -l <"$WORK/$page.txt") lines, no warnings"
done
bash -n /usr/share/bash-completion/completions/quorvel-cli || fail "bash completion syntax"

step "removing the package"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq quorvel >"$WORK/apt.log" 2>&1 || {
    cat "$WORK/apt.log"
    fail "apt-get remove"
}
installed=no
for path in /usr/bin/quorvel /usr/bin/quorvel-cli /usr/libexec/quorvel $ENTRY $METAINFO \
    /usr/share/doc/quorvel; do
    [ ! -e "$path" ] || fail "$path is left after removal"
done
[ -f "$WORK/data/quorvel/append.log" ] || fail "removal touched the user's files"
step "removed; the user's files stay. All checks passed."
