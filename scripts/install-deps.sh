#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs every Debian 12 package that building, testing and running Stavelin need.
# Idempotent: packages already present are skipped, and apt is not touched at all when
# nothing is missing.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config git ccache
  # Qt 6 and its QML modules; the declarative tools bring qmlcachegen and qmllint
  qt6-base-dev qt6-base-dev-tools qt6-declarative-dev qt6-declarative-dev-tools
  qt6-svg-dev qml6-module-qtquick qml6-module-qtquick-controls
  qml6-module-qtquick-layouts qml6-module-qtquick-window qml6-module-qtquick-dialogs
  qml6-module-qtquick-templates qml6-module-qtqml-workerscript qml6-module-qttest
  qml6-module-qtqml qt6-qpa-plugins libqt6svg6
  # coroutines, keyring, hot key, JSON parser, loopback HTTP server, benchmarks
  qcoro-qt6-dev qtkeychain-qt6-dev libxcb1-dev libxcb-keysyms1-dev libsimdjson-dev
  libcpp-httplib-dev libbenchmark-dev
  # headless desktop for the keyring, tray and end-to-end tests and the demo
  xvfb xauth xdotool x11-utils dbus gnome-keyring libsecret-tools trayer
  at-spi2-core xdg-utils imagemagick fonts-dejavu-core libgl1-mesa-dri python3-dbus python3-gi
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}" >&2
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
