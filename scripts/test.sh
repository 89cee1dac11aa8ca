#!/usr/bin/env bash
# Installs what is missing, checks the library order, builds everything and
# runs every test: first the whole system, then everything but the browser
# engine again under AddressSanitizer and UndefinedBehaviorSanitizer, built
# with clang (GUI tests included: they run on the offscreen platform). Prints the wall and
# CPU time of each phase at the end (CONTRIBUTING.md: measuring the build).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

jobs="$(nproc)"
status=0
times=""

# phase <name> <command...>: runs the command, notes its wall time and the
# user and system CPU time of it and its children; a failure sets status.
phase() {
  local name="$1"; shift
  local tf rc=0
  tf="$(mktemp)"
  { TIMEFORMAT='%R %U %S'; time "$@" 2>&3; } 3>&2 2>"$tf" || rc=$?
  times+="$name $(tail -n 1 "$tf")"$'\n'
  rm -f "$tf"
  if [ "$rc" -ne 0 ]; then status=1; fi
  return 0
}

install_deps() { bash "$root/scripts/install-deps.sh"; }
check_order() {
  echo "== check: library order"
  python3 "$root/scripts/check-includes.py" "$root"
}
build_full() {
  echo "== build: full"
  bash "$root/scripts/build.sh" "$root/build"
}
test_full() {
  echo "== test: full"
  (cd "$root/build" && ctest --output-on-failure -j "$jobs")
}
# The sanitizer tree is built with clang 14, the fuzz harnesses' compiler:
# one build both runs everything under the sanitizers and keeps the tree
# clang-clean. A folder configured earlier with another compiler starts over.
build_asan() {
  echo "== build: sanitizers, clang 14 (everything but the browser engine)"
  if [ -f "$root/build-asan/CMakeCache.txt" ] &&
     ! grep -q '^CMAKE_CXX_COMPILER:[A-Z]*=.*clang++-14$' "$root/build-asan/CMakeCache.txt"; then
    rm -rf "$root/build-asan"
  fi
  bash "$root/scripts/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -DSK_WITHOUT_ENGINE=ON -DSK_SANITIZE=ON -DSK_BUILD_BENCH=OFF
}
test_asan() {
  echo "== test: sanitizers"
  (cd "$root/build-asan" && ctest --output-on-failure -j "$jobs")
}

# A private PostgreSQL server for the database tests of both trees, stopped
# at the end whatever happens (scripts/pg-test-server.sh). When it cannot
# start, the PostgreSQL tests fail (GIS_REQUIRE_PG) instead of skipping.
pg_folder="$root/build/pgtest"
start_pg() {
  echo "== start: PostgreSQL test server"
  mkdir -p "$root/build"
  if bash "$root/scripts/pg-test-server.sh" start "$pg_folder"; then
    # shellcheck disable=SC1091
    . "$pg_folder/pg-env.sh"
  else
    echo "test.sh: the PostgreSQL test server did not start" >&2
    export GIS_REQUIRE_PG=1
    return 1
  fi
}
stop_pg() { bash "$root/scripts/pg-test-server.sh" stop "$pg_folder" >/dev/null 2>&1 || true; }
trap stop_pg EXIT

phase install install_deps
# Nothing builds without the packages.
if [ "$status" -ne 0 ]; then echo "test.sh: installing the packages failed" >&2; exit 1; fi
phase check check_order
phase build-full build_full
phase start-pg start_pg
phase test-full test_full
phase build-sanitizers build_asan
phase test-sanitizers test_asan

echo "== times on $jobs cores (wall, CPU = user + system, in seconds)"
printf '%s' "$times" | LC_ALL=C awk '
  { for (i = 2; i <= 4; i++) gsub(",", ".", $i)   # a decimal-comma locale
    cpu = $3 + $4; w += $2; c += cpu
    printf "%-18s wall %8.1f   cpu %8.1f  (user %.1f, system %.1f)\n", $1, $2, cpu, $3, $4 }
  END { printf "%-18s wall %8.1f   cpu %8.1f\n", "total", w, c }'

exit $status
