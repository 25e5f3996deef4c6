#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs every Debian 12 package that building, testing and running Stavelin need.
# Idempotent: packages already present are skipped, and apt is not touched at all when
# nothing is missing.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config git ccache
  # the second compiler, its sanitizer and libFuzzer runtimes
  clang libclang-rt-14-dev
  # Qt 6 and its QML modules; the declarative tools bring qmlcachegen and qmllint
  qt6-base-dev qt6-base-dev-tools qt6-declarative-dev qt6-declarative-dev-tools
  qt6-svg-dev qml6-module-qtquick qml6-module-qtquick-controls
  qml6-module-qtquick-layouts qml6-module-qtquick-window qml6-module-qtquick-dialogs
  qml6-module-qtquick-templates qml6-module-qtqml-workerscript qml6-module-qttest
  qml6-module-qtqml qt6-qpa-plugins libqt6svg6
  # translations: lupdate and lrelease, their CMake functions, Qt's own translated texts
  qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
  # the file dialog's own QML form, used where the desktop offers no native one
  qml6-module-qt-labs-folderlistmodel
  # coroutines, keyring, hot key, JSON parser, loopback HTTP server, benchmarks
  qcoro-qt6-dev qtkeychain-qt6-dev libxcb1-dev libxcb-keysyms1-dev libsimdjson-dev
  libcpp-httplib-dev libbenchmark-dev
  # headless desktop for the keyring, tray and end-to-end tests and the demo
  xvfb xauth xdotool x11-utils dbus gnome-keyring libsecret-tools trayer
  at-spi2-core xdg-utils imagemagick fonts-dejavu-core libgl1-mesa-dri python3-dbus python3-gi
  # the settings portal that tells the desktop's light/dark preference, with dconf behind it
  xdg-desktop-portal xdg-desktop-portal-gtk dconf-service dconf-gsettings-backend
  gsettings-desktop-schemas libglib2.0-bin
  # the Debian package (CPack's dependency scan needs file and dpkg-shlibdeps) and its checks;
  # desktop-file-utils also validates the entry that gio uses to hand over stavelin: URLs
  dpkg-dev file lintian desktop-file-utils appstream
  # the StatusNotifierItem tray test: a window manager, the standalone watcher and tray bar
  openbox haskell-status-notifier-item-utils haskell-gtk-sni-tray-utils
  # the reactions of the demo and its screenshots are emoji
  fonts-noto-color-emoji
  # an icon theme (Debian's default), so the icon tests look symbols up in a real one too
  adwaita-icon-theme
  # the desktops' own shortcut services and Wayland: KDE's shortcut daemon, headless Wayland
  # compositors (KDE's and the reference one) and Qt's Wayland platform plugin
  libkf5globalaccel-bin kwin-wayland weston qt6-wayland
  # a notification daemon whose history shows what the program sent (dunstctl)
  dunst
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
