#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Gamefold need, when any is
# missing. Uses sudo when not run as root. Extra sets, asked for by the Makefile's targets:
# GAMEFOLD_FUZZ_DEPS=1 (clang and libFuzzer), GAMEFOLD_PACKAGE_DEPS=1 (building and checking the
# .deb), GAMEFOLD_PACKAGE_TEST_DEPS=1 (a clean Debian root to install it into).
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config
  qt6-base-dev libgl-dev libgtest-dev nlohmann-json3-dev libcli11-dev libcurl4-openssl-dev
  chromium python3 fonts-liberation
  desktop-file-utils appstream
  dropbear-bin openssh-sftp-server libnss-wrapper python3-pyftpdlib python3-openssl
)
if [ "${GAMEFOLD_FUZZ_DEPS:-0}" = 1 ]; then
  packages+=(clang libclang-rt-14-dev)
fi
# make windows: the MinGW-w64 cross compiler, GoogleTest's sources to build for it, and Wine to
# run what it builds.
if [ "${GAMEFOLD_WINDOWS_DEPS:-0}" = 1 ]; then
  packages+=(g++-mingw-w64-x86-64-posix googletest wine wine64 nlohmann-json3-dev libcli11-dev)
fi
if [ "${GAMEFOLD_PACKAGE_DEPS:-0}" = 1 ]; then
  packages=(cmake ninja-build g++ make qt6-base-dev libgl-dev nlohmann-json3-dev libcli11-dev libcurl4-openssl-dev gzip
            dpkg-dev file lintian desktop-file-utils appstream)
fi
if [ "${GAMEFOLD_PACKAGE_TEST_DEPS:-0}" = 1 ]; then
  packages=(mmdebstrap gpg debian-archive-keyring)
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
# Others may be running apt on the same machine: wait for the lock rather than fail.
apt_wait=(-o DPkg::Lock::Timeout=900)
$sudo apt-get "${apt_wait[@]}" update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get "${apt_wait[@]}" install -y -qq \
  --no-install-recommends "${missing[@]}"
