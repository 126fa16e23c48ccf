#!/usr/bin/env bash
# Installs the Debian packages the program needs to build, run and test, and any named as arguments; does
# nothing when all are there.
set -euo pipefail

# Qt Charts finds its CMake files only with those of Qt OpenGL, which its -dev package does not pull in.
packages=(
    cmake ninja-build g++
    qt6-base-dev qt6-charts-dev libqt6opengl6-dev libqt6sql6-sqlite libgl-dev
    libcups2-dev poppler-utils fonts-wqy-zenhei
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
