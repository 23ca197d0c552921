# Shared by run.sh and test.sh: installs what the build needs and builds.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_PACKAGES=(cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
    libsqlite3-dev qt6-multimedia-dev libgl-dev libcap2-bin fonts-dejavu-core libssl-dev
    qt6-tools-dev qt6-l10n-tools qt6-translations-l10n qt6-wayland)
TEST_PACKAGES=(xvfb xauth iproute2 x11-utils imagemagick dbus at-spi2-core python3-pyatspi
    python3-gi gir1.2-atspi-2.0 python3-xlib qt6-base-private-dev weston
    lintian desktop-file-utils appstream)
# The Debian package: the shared-library scan of cpack.
PACKAGE_PACKAGES=(dpkg-dev)
# The fuzz targets: clang and its libFuzzer and sanitizer runtimes.
FUZZ_PACKAGES=(clang libclang-rt-dev)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        echo "Installing packages needs root: run this script as root or install sudo." >&2
        return 1
    fi
}

# install_packages NAME...: installs the Debian packages that are missing.
install_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

# build_tree DIR CMAKE-ARGS...: configures and builds one build tree.
build_tree() {
    local dir="$1"
    shift
    cmake -S "$ROOT" -B "$dir" "$@"
    cmake --build "$dir" --parallel "$(nproc)"
}
