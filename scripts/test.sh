#!/usr/bin/env bash
# Installs what is missing, checks the library order, builds everything and
# runs every test: first the whole system, then everything but the browser
# engine again under AddressSanitizer and UndefinedBehaviorSanitizer (GUI
# tests included: they run on the offscreen platform).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"

jobs="$(nproc)"
status=0

echo "== check: library order"
python3 "$root/scripts/check-includes.py" "$root" || status=1

echo "== build: clang 14 (the fuzz harnesses and the libraries they link)"
bash "$root/scripts/fuzz.sh" check || status=1

echo "== build: full"
bash "$root/scripts/build.sh" "$root/build"
echo "== test: full"
(cd "$root/build" && ctest --output-on-failure -j "$jobs") || status=1

echo "== build: sanitizers (everything but the browser engine)"
bash "$root/scripts/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug \
  -DSK_WITHOUT_ENGINE=ON -DSK_SANITIZE=ON -DSK_BUILD_BENCH=OFF
echo "== test: sanitizers"
(cd "$root/build-asan" && ctest --output-on-failure -j "$jobs") || status=1

exit $status
