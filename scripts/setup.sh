#!/usr/bin/env bash
# Installs what is missing and builds AUTORUN.EXE, AUTORUN-CHECK.EXE, the tests
# and tools: the PE32 product always, and the x86_64 build too where that is
# the one that runs (see wine-arch.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine-arch.sh
bash .ci/install-deps.sh
ChooseBuild # after the install: it tells which builds Wine can run here
for preset in $(printf '%s\n' win32 "$AUTORUN_ARCH" | uniq); do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j"$(nproc)"
done
