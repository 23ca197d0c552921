#!/usr/bin/env bash
# Installs what the build and the tests need, builds with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test; then builds the libFuzzer targets with clang
# and runs each for a bounded time (PALAVRIX_FUZZ_SECONDS, 60 by default), failing on any
# finding.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_packages "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
# The Debian package that the e2e_package test unpacks and runs (build/package), checked as
# Debian's tools would check it.
deb="$(bash "$ROOT/scripts/package.sh" | tail -n 1)"
bash "$ROOT/scripts/check-package.sh" "$deb"
build_tree "$ROOT/build/asan" -DCMAKE_BUILD_TYPE=Debug -DPALAVRIX_SANITIZE=ON -DPALAVRIX_WERROR=ON

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$ROOT/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$ROOT/build/asan"
ctest --output-on-failure --parallel 2

cmake -S "$ROOT" -B "$ROOT/build/fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPALAVRIX_FUZZ=ON \
    -DPALAVRIX_WERROR=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DPALAVRIX_FUZZ_SECONDS="${PALAVRIX_FUZZ_SECONDS:-60}"
cmake --build "$ROOT/build/fuzz" --target palavrix_fuzzers --parallel "$(nproc)"
cd "$ROOT/build/fuzz"
ctest -L fuzz --output-on-failure
