#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian machine; installs nothing that is already there.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang clang-format libclang-rt-14-dev python3
    zlib1g-dev libgtest-dev
    g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev libz-mingw-w64-dev
    wine wine64 xvfb xauth x11-utils imagemagick locales
    ripgrep grep time
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The Cyrillic tests run Wine under a Russian locale, so that code page 1251 is the ANSI code page.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU.utf-\?8$'; then
    sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo
    $sudo sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
fi
