#!/usr/bin/env bash
# Installs the Debian packages the project needs to build, run and test.
# Idempotent: installs only what is missing, and refreshes the package lists
# only when something is.
set -euo pipefail

PACKAGES=(
  # toolchain
  cmake ninja-build g++ ccache pkg-config git mold
  # clang and libFuzzer's runtime: the fuzz harnesses (scripts/fuzz.sh)
  clang-14 libclang-rt-14-dev
  # libraries
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-svg-dev
  libqt6opengl6-dev
  libjs-openlayers libjpeg-dev zlib1g-dev libexpat1-dev libsqlite3-dev
  libpq-dev postgresql libopenjp2-7-dev libopenjp2-tools
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libgeos-dev python3-shapely
  xvfb xauth xdotool openbox x11-utils locales imagemagick poppler-utils plotutils proj-bin libproj-dev libjpeg-turbo-progs gdal-bin libpng-dev pngcheck libgif-dev giflib-tools gifsicle gdal-data python3-gdal libgdal-dev libtiff-tools libtiff-dev
  # the DXF reader's fixtures and oracle
  python3-ezdxf
  # the E00 readers' oracles
  e00compr avce00
  # the XML oracle of the GML writer
  libxml2-utils
  # fonts
  fonts-liberation2 fonts-dejavu-core fonts-wine
)

missing=()
for p in "${PACKAGES[@]}"; do
  [[ "$p" == \#* ]] && continue
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# A comma-decimal locale for the locale-independence tests.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf8$'; then
  if [ -f /etc/locale.gen ]; then
    $SUDO sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
  fi
fi
