#!/usr/bin/env bash
# Installs what is missing and builds AUTORUN.EXE, AUTORUN-CHECK.EXE, the tests and tools.
set -euo pipefail
cd "$(dirname "$0")/.."
bash .ci/install-deps.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j"$(nproc)"
