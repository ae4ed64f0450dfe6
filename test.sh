#!/usr/bin/env bash
# Sets up everything and runs the whole test suite: ./test.sh
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps

# Qt and the test mail servers want a private runtime directory.
if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -d "${XDG_RUNTIME_DIR}" ]; then
    export XDG_RUNTIME_DIR="/tmp/runtime-$(id -u)"
    mkdir -p "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
fi

BUILD_DIR="${BUILD_DIR:-build}"
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD_DIR"
# The benchmarks are not tests, but they are built here so a change cannot leave them behind.
cmake --build "$BUILD_DIR" --target benchmarks
cd "$BUILD_DIR"
ctest --output-on-failure --timeout 600 "$@"
