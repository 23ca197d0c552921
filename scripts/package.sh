#!/usr/bin/env bash
# Builds the Debian package: a Release build in the system layout (build/package), then
# cpack. Prints the package's path.
#   scripts/package.sh [BUILD_DIR]
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
BUILD="${1:-$ROOT/build/package}"
cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DPALAVRIX_PACKAGE=ON \
    -DPALAVRIX_BENCH=OFF
cmake --build "$BUILD" --parallel "$(nproc)" \
    --target Palavrix palavrix-peer palavrix_stage palavrix_icons palavrix_man
rm -f "$BUILD"/palavrix_*.deb
(cd "$BUILD" && cpack -G DEB >/dev/null)
ls "$BUILD"/palavrix_*.deb
