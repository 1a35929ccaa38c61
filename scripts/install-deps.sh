#!/usr/bin/env bash
# Installs the Debian packages the project builds, tests and runs with.
# Idempotent: does nothing (and needs no network) when everything is present.
set -euo pipefail

PACKAGES=(
  build-essential g++ cmake ninja-build pkg-config
  # cpack's Debian package reads its dependencies with dpkg-shlibdeps, and finds the programs
  # with file.
  dpkg-dev file
  # clang++ builds the tree too, and the fuzz targets need its libFuzzer runtime.
  clang libclang-rt-14-dev
  # The contributor's checks: scripts/check-format.sh and scripts/clang-tidy.sh.
  clang-format clang-tidy
  libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev sqlite3
  libmariadb-dev mariadb-server mariadb-client
  # The wizard: Qt 6 Widgets (its offscreen platform renders the tests and the screenshots),
  # the GL headers its CMake package asks for, and a font to draw text with.
  qt6-base-dev libgl-dev fonts-dejavu-core
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
# The distribution's MariaDB service is never used: tests start their own server.
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
