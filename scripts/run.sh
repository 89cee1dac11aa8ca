#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" "$root/build" -DSK_BUILD_BENCH=OFF
app="$root/build/app/skorvaplinth"
if [ ! -x "$app" ]; then
  echo "The application is not built yet: only the libraries and their tests exist so far."
  echo "Run scripts/test.sh to build and test them."
  exit 0
fi
exec "$app" "$@"
