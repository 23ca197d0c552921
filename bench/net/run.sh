#!/bin/bash
# The public chat's real receive path: the staged program under Xvfb in a network namespace,
# flooded by a paced peer from another one (see net_bench.py for what is measured).
#   bench/net/run.sh <build folder> [--rates 5000,10000] [--logs folder]
# Builds nothing: build the program and the peer first, preferably in Release:
#   cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release
#   cmake --build build/release --target Palavrix net_flood
# Needs root and the packages of the whole-program tests. Reports figures, exits 0.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="$(cd "${1:?usage: $0 <build folder> [options]}" && pwd)"
shift
exec /usr/bin/python3 "$here/net_bench.py" --stage "$build/Palavrix" \
    --flood "$build/bench/net/net_flood" --logs "$build/bench/net/logs" "$@"
