#!/usr/bin/env bash
# Installs, from Debian 12 packages, whatever the build, the wizard and the tests need.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config clang clang-format
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev
  libcurl4-openssl-dev libgtest-dev libgmock-dev
  nginx-light vsftpd python3 python3-pyftpdlib curl openssl
  xvfb xauth fonts-dejavu-core
  time ccache libcli11-dev nlohmann-json3-dev
  lintian desktop-file-utils appstream man-db dpkg-dev
  libclang-rt-14-dev
  libssl-dev openssl openssh-client openssh-server python3-paramiko libssh2-1-dev
  qtkeychain-qt6-dev gnome-keyring dbus
  libcsv-dev libtomlplusplus-dev libre2-dev libstb-dev libwebp-dev libgumbo-dev libzip-dev libxml2-dev zlib1g-dev
  systemd
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
# The test servers are started by the tests themselves on loopback ports.
for svc in nginx vsftpd ssh; do
  if command -v systemctl >/dev/null 2>&1; then $SUDO systemctl disable --now "$svc" >/dev/null 2>&1 || true; fi
  $SUDO service "$svc" stop >/dev/null 2>&1 || true
done
