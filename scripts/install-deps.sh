#!/usr/bin/env bash
# Installs the Debian packages the Linux build and tests need. Idempotent:
# when everything is present it changes nothing and needs no network.
set -euo pipefail

packages=(build-essential cmake pkg-config libsndfile1-dev libpng-dev libgtest-dev googletest
          # The LV2 plug-in: its headers and schemas, and the tools and host library its tests use.
          lv2-dev lilv-utils liblilv-dev sordi
          # The LV2 plug-in in jalv (with the player's JACK packages below): a window manager, window dumps.
          jalv openbox x11-apps
          libbenchmark-dev clang clang-format libclang-rt-14-dev python3 python3-cairo python3-numpy fonts-dejavu-core
          libx11-dev libxext-dev libxtst-dev xvfb xauth ardour
          # The standalone player (a JACK client) and its tests: a private server, recordings, key presses.
          jackd2 libjack-jackd2-dev jack-capture xdotool
          # Without a JACK server the player plays on an ALSA device, with MIDI from the ALSA sequencer.
          libasound2-dev
          # The player's desktop entry is checked with desktop-file-validate.
          desktop-file-utils
          # The packages (scripts/package.sh) and their tests: lintian, dpkg-shlibdeps, the manual pages, unzip,
          # objcopy, readelf and nm on the binaries, unshare and overlay mounts for the private root.
          lintian dpkg-dev man-db file unzip binutils util-linux mount
          # The 32-bit Windows plug-in in LMMS: only the i386 LMMS has a VST server (run under Wine).
          wine wine32:i386 lmms:i386 lmms-vst-server:i386)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    apt-get -o DPkg::Lock::Timeout=600 update -qq
    apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
fi
