#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Morrow need, and nothing when
# all of them are there already. Runs apt-get as root, or through sudo otherwise.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libegl1
  xvfb xauth fonts-liberation
  clang libclang-rt-14-dev
  locales
)

# A locale whose decimal separator is a comma, for the locale tests (needs the locales package).
ensure_comma_locale() {
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    if [ "$(id -u)" -eq 0 ]; then localedef -i de_DE -f UTF-8 de_DE.UTF-8 || true
    else sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8 || true; fi
  fi
}

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  ensure_comma_locale
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
else
  SUDO=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${SUDO[@]}" apt-get update -qq
"${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

ensure_comma_locale
