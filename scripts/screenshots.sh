#!/usr/bin/env bash
# Makes docs/images/*.png from the program's own rendering: two copies on a private network
# under Xvfb talk, and their windows are photographed. Needs root (network namespaces) and
# the test packages.
#   scripts/screenshots.sh [BUILD_DIR]   (a build tree whose Palavrix/ folder is used as it
#                                         is; without one, build/release is built first)
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}"
BUILD="${1:-}"
if [ -z "$BUILD" ]; then
    BUILD="$ROOT/build/release"
    build_tree "$BUILD" -DCMAKE_BUILD_TYPE=Release -DPALAVRIX_BENCH=OFF -DPALAVRIX_TESTS=OFF
fi
/usr/bin/python3 "$ROOT/tests/e2e/make_screenshots.py" --stage "$BUILD/Palavrix" \
    --logs "$BUILD/screenshot-logs" --out "$ROOT/docs/images"
