#!/usr/bin/env bash
# Builds the fuzz harnesses with clang and libFuzzer (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs them.
#
#   scripts/fuzz.sh                     every harness, 60 s each
#   scripts/fuzz.sh <name> [seconds]    one harness (fuzz/<name>.cpp)
#   scripts/fuzz.sh all [seconds]       every harness, one after the other
#   scripts/fuzz.sh build               builds every harness and runs none
#   scripts/fuzz.sh check               compiles every harness and the libraries
#                                       it links with clang 14 at -O0 without
#                                       sanitizers (build-clang/), runs nothing:
#                                       the CI step that keeps the tree
#                                       clang-clean at the smallest cost
#
# SK_FUZZ_KEEP_GOING=1 starts the harness again after a finding until the
# time is used up (long unattended runs find more than one thing); its
# findings go to build-fuzz/findings/<name>/ instead, to be sorted out and
# committed by hand. SK_FUZZ_NO_BUILD=1 runs what is built (several runs at
# once over one build folder).
#
# New inputs go to build-fuzz/work/<name>/; an input that fails (a crash, a
# sanitizer report, a hang over 10 s, more than 2 GB) is written into
# fuzz/corpus/<name>/ as crash-*, timeout-*, oom-* or leak-*, where the sanitizer tree's replay
# keeps trying it: commit it with the mend.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
name="${1:-all}"
seconds="${2:-60}"
dir="${SK_FUZZ_BUILD:-$root/build-fuzz}"

export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/ccache}"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}"
export CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"

if [ "$name" = check ]; then
  dir="${SK_FUZZ_CHECK_BUILD:-$root/build-clang}"
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS=-O0 \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -DSK_FUZZ=ON -DSK_WITHOUT_ENGINE=ON -DSK_BUILD_TESTS=OFF -DSK_BUILD_BENCH=OFF >/dev/null
elif [ "${SK_FUZZ_NO_BUILD:-0}" != 1 ]; then
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -DSK_FUZZ=ON -DSK_SANITIZE=ON -DSK_WITHOUT_ENGINE=ON \
    -DSK_BUILD_TESTS=OFF -DSK_BUILD_BENCH=OFF >/dev/null
fi

if [ "$name" = all ] || [ "$name" = build ] || [ "$name" = check ]; then
  mapfile -t names < <(sed -n 's/^ *sk_fuzz(\([A-Za-z0-9_]*\).*/\1/p' "$root/fuzz/CMakeLists.txt")
else
  names=("$name")
fi
targets=()
for n in "${names[@]}"; do targets+=("fuzz_$n"); done
if [ "${SK_FUZZ_NO_BUILD:-0}" != 1 ]; then
  cmake --build "$dir" -j "${SK_FUZZ_JOBS:-$(nproc)}" --target "${targets[@]}"
fi
if [ "$name" = build ] || [ "$name" = check ]; then exit 0; fi

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/tests/lsan-suppressions.txt:print_suppressions=0}"
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"

status=0
for n in "${names[@]}"; do
  corpus="$root/fuzz/corpus/$n"
  work="$dir/work/$n"
  mkdir -p "$corpus" "$work"
  args=(-timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=2048 -print_final_stats=1)
  [ -f "$root/fuzz/dict/$n.dict" ] && args+=(-dict="$root/fuzz/dict/$n.dict")
  echo "== fuzz: $n (${seconds} s)"
  if [ "${SK_FUZZ_KEEP_GOING:-0}" != 1 ]; then
    "$dir/fuzz/fuzz_$n" "${args[@]}" -max_total_time="$seconds" -artifact_prefix="$corpus/" \
      "$work" "$corpus" || status=1
    continue
  fi
  findings="$dir/findings/$n"
  mkdir -p "$findings"
  end=$((SECONDS + seconds))
  while [ $SECONDS -lt $end ]; do
    started=$SECONDS
    if ! "$dir/fuzz/fuzz_$n" "${args[@]}" -max_total_time=$((end - SECONDS)) \
      -artifact_prefix="$findings/" "$work" "$corpus"; then
      status=1
      if [ $((SECONDS - started)) -lt 20 ]; then
        echo "== fuzz: $n: failed at once (an input of the corpus?), see $findings/"
        break
      fi
      echo "== fuzz: $n: a finding in $findings/, going on"
    fi
  done
done
exit $status
