#!/usr/bin/env bash
# Installs what the build needs, builds a Release build and starts the program from its
# portable folder.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_packages "${BUILD_PACKAGES[@]}"
build_tree "$ROOT/build/release" -DCMAKE_BUILD_TYPE=Release -DPALAVRIX_BENCH=OFF -DPALAVRIX_TESTS=OFF
STAGE="$ROOT/build/release/Palavrix"

# The chat listens on ports 555-557, below 1024: let the program bind them without root.
as_root setcap cap_net_bind_service=+ep "$STAGE/Palavrix" ||
    echo "Could not allow the low ports; run as root or see README.md." >&2

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display to show the window on (DISPLAY is not set): start it from a desktop session." >&2
    exit 1
fi
cd "$STAGE"
exec ./Palavrix
