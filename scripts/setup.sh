#!/usr/bin/env bash
# Installs the Debian 12 packages Vistel needs to build, test and run.
# Idempotent; prints nothing when everything is already there. Run as root
# (or with sudo available).
set -euo pipefail

PACKAGES=(
  # build
  g++ cmake ninja-build pkg-config qt6-base-dev libjpeg62-turbo-dev libfontconfig-dev libxcb-xinput-dev
  libgtest-dev
  libbenchmark-dev
  # fonts for the Chinese labels
  fonts-arphic-uming fonts-wqy-microhei fonts-dejavu-core fonts-dejavu-extra
  # reference decoder for the exactness tests, virtual desktop for the end-to-end tests
  libjpeg-turbo-progs xvfb xauth openbox xcompmgr xdotool imagemagick x11-utils x11-xserver-utils trayer
  # packaging and its checks
  dpkg-dev file lintian desktop-file-utils appstream
  # the composited xfwm4 desktop (xfconfd runs on a session bus) and the tint2 task bar
  xfwm4 dbus-daemon dbus-bin dbus-x11 tint2 wmctrl
  # fuzzing and sanitizer runtimes
  clang libclang-rt-14-dev
  # the layout check and the linter of the test command
  clang-format clang-tidy
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
echo "setup: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq >/dev/null
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
