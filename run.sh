#!/usr/bin/env bash
# Builds Vantoria (Debian 12) and starts it, opening IMAGE when one is given:
#   ./run.sh [IMAGE...]
# Installs the packages it needs first (apt-get, non-interactive), like ./test.sh.
set -euo pipefail
cd "$(dirname "$0")"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run.sh: no display found (DISPLAY and WAYLAND_DISPLAY are empty)." >&2
  echo "Vantoria is a desktop program: run it in a graphical session, or start a virtual" >&2
  echo "display first, e.g.  Xvfb :99 & DISPLAY=:99 ./run.sh image.png" >&2
  exit 1
fi

# Build tools and Qt, plus what the window needs at run time: the image-format plugins, a
# Chinese font for the menus and Qt's own Chinese texts for its file dialogs.
packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libdeflate-dev libexiv2-dev libheif-dev libjxl-dev qt6-base-dev
          qt6-image-formats-plugins qt6-translations-l10n libgl-dev
          fonts-wqy-zenhei)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target vantoria
exec build/src/vantoria "$@"
