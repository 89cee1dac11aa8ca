#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: first the
# whole system, then the non-GUI libraries again under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"

jobs="$(nproc)"
status=0

echo "== build: full"
bash "$root/scripts/build.sh" "$root/build"
echo "== test: full"
(cd "$root/build" && ctest --output-on-failure -j "$jobs") || status=1

echo "== build: sanitizers (non-GUI libraries)"
bash "$root/scripts/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug \
  -DSK_NON_GUI_ONLY=ON -DSK_SANITIZE=ON -DSK_BUILD_BENCH=OFF
echo "== test: sanitizers"
(cd "$root/build-asan" && ctest --output-on-failure -j "$jobs") || status=1

exit $status
