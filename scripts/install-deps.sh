#!/bin/sh
# Installs every Debian package that building, running and testing Quorvel needs.
set -e
SUDO=
if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
    build-essential cmake ninja-build pkg-config ccache \
    qt6-base-dev libqpdf-dev libpoppler-cpp-dev \
    libgtest-dev libgmock-dev libbenchmark-dev \
    qpdf poppler-utils xvfb xauth \
    clang libclang-rt-14-dev \
    fonts-dejavu-core \
    dpkg-dev file desktop-file-utils appstream man-db
