#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Morrow need, and nothing when
# all of them are there already. Runs apt-get as root, or through sudo otherwise.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  dpkg-dev file
  libgtest-dev libgmock-dev libbenchmark-dev
  libopenimageio-dev libopencv-imgcodecs-dev
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libegl1
  xvfb xauth fonts-liberation
  clang libclang-rt-14-dev clang-format
  locales
)

# A locale whose decimal separator is a comma, for the locale tests (needs the locales package).
# As root (and so in CI) a failure stops the set-up, so those tests never skip unnoticed; a user
# without password-less sudo gets a warning and the locale tests skip with a reason.
ensure_comma_locale() {
  if locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    return 0
  fi
  if [ "$(id -u)" -eq 0 ]; then
    localedef -i de_DE -f UTF-8 de_DE.UTF-8
  elif ! sudo -n localedef -i de_DE -f UTF-8 de_DE.UTF-8 2>/dev/null; then
    echo "warning: could not generate the de_DE.UTF-8 locale; the comma-locale tests will skip" >&2
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
"${SUDO[@]}" apt-get install -y -qq "${missing[@]}"

ensure_comma_locale
