#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it from the build
# folder (its program folder: the settings, tmp/ and the capture files are
# written there). Without a display it runs under a virtual X server, reports
# the first capture's world-file position and leaves a screenshot beside it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" "$root/build" -DSK_BUILD_BENCH=OFF
app="$root/build/app/skorvaplinth"
appdir="$(dirname "$app")"

export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:-} --disable-gpu"
# The engine's sandbox cannot run as root.
if [ "$(id -u)" = 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi

if [ -n "${DISPLAY:-}" ]; then
  # X rather than Wayland: the map window is placed at the screen's corner.
  export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-xcb}"
  exec "$app"
fi

echo "Skorvaplinth in $appdir: the capture cycle rewrites image1.jpg and image1.jgw; Ctrl-C stops."
export SK_RUN_APP="$app" SK_RUN_APPDIR="$appdir"
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  before="$(cat "$SK_RUN_APPDIR/image1.jgw" 2>/dev/null || true)"
  "$SK_RUN_APP" &
  pid=$!
  trap "kill $pid 2>/dev/null; wait $pid 2>/dev/null; exit 0" INT TERM
  for _ in $(seq 1 300); do
    now="$(cat "$SK_RUN_APPDIR/image1.jgw" 2>/dev/null || true)"
    if [ -n "$now" ] && [ "$now" != "$before" ]; then
      sleep 1
      echo "World file lines 5-6: $(sed -n "5p;6p" "$SK_RUN_APPDIR/image1.jgw" | tr -d "\r" | tr "\n" " ")"
      import -window root "$SK_RUN_APPDIR/screen.png" && echo "Screenshot: $SK_RUN_APPDIR/screen.png"
      break
    fi
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
  done
  wait $pid
'
