#!/usr/bin/env bash
# Installs the Debian packages Numio needs to build, test and run; does nothing when all are there.
# qt6-base-dev brings the Qt SQL headers; the SQLite driver the answers are kept with comes apart.
# Beyond the build: Xvfb and xauth for the mapped-window benchmark; pdftotext (poppler-utils) and
# Qt's Czech texts for their tests; the desktop, AppStream, manual and package validators for
# packaging/validate.sh; clang with its fuzzer runtime for fuzz/run.sh; clang-format, clang-tidy and
# clazy for the style and static checks; python3 for the layers' check of the includes.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-charts-dev qt6-qpa-plugins qt6-translations-l10n libgl-dev libqt6opengl6-dev
  libqt6sql6-sqlite
  fonts-dejavu-core fonts-liberation2
  xvfb xauth imagemagick libxcb1-dev
  desktop-file-utils appstream dpkg-dev file lintian man-db groff-base poppler-utils
  clang libclang-rt-14-dev clang-format clang-tidy clazy python3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
