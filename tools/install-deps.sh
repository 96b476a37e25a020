#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Gamefold need, when any is
# missing. Uses sudo when not run as root.
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  qt6-base-dev libgl-dev libgtest-dev
  chromium python3 fonts-liberation
)
if [ "${GAMEFOLD_FUZZ_DEPS:-0}" = 1 ]; then
  packages+=(clang libclang-rt-14-dev)
fi
# make windows: the MinGW-w64 cross compiler, GoogleTest's sources to build for it, and Wine to
# run what it builds.
if [ "${GAMEFOLD_WINDOWS_DEPS:-0}" = 1 ]; then
  packages+=(g++-mingw-w64-x86-64-posix googletest wine wine64)
fi

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
# Others may be using apt on this machine: wait for its lock rather than fail.
$sudo apt-get update -qq -o DPkg::Lock::Timeout=900
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq -o DPkg::Lock::Timeout=900 \
  --no-install-recommends "${missing[@]}"
