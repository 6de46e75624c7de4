#!/bin/sh
# Installs everything the build, the tests and the program need on Debian 12.
# Safe to run again: apt-get skips what is already there.
set -eu
if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps.sh: run as root" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends \
    cmake ninja-build g++ clang-14 libclang-rt-14-dev clang-format-14 \
    qt6-base-dev qt6-declarative-dev qt6-httpserver-dev qt6-websockets-dev \
    qml6-module-qtqml qml6-module-qtqml-models qml6-module-qtqml-workerscript \
    qml6-module-qtquick qml6-module-qtquick-window qml6-module-qtquick-templates \
    qml6-module-qtquick-controls qml6-module-qtquick-layouts qml6-module-qtquick-shapes \
    qml6-module-qttest iso-flags-png-320x240 \
    libssl-dev openssl fonts-noto-cjk fonts-noto-color-emoji xvfb xauth imagemagick x11-utils libx11-dev \
    pkg-config libqrencode-dev
