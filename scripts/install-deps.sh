#!/bin/sh
# Installs the Debian 12 packages that building and testing Tolvane need,
# leaving alone those already installed. The one list of packages.
#   sh scripts/install-deps.sh          build and test
#   sh scripts/install-deps.sh fuzz     also clang and libFuzzer
#   sh scripts/install-deps.sh bench    also what the benchmark compares with
#   sh scripts/install-deps.sh images   also what redraws the icon and splash
set -eu

PACKAGES="cmake ninja-build g++ pkg-config libgtest-dev"
# The desktop program's single-instance guard: Qt, xcb and Xlib; its tests
# start Xvfb and xmessage (x11-utils).
PACKAGES="$PACKAGES qt6-base-dev libxcb1-dev libx11-dev xvfb x11-utils"
# Pictures, desktop file and Debian package: the program's Japanese fonts,
# the desktop-file check, and dpkg-shlibdeps for the package's dependencies.
# The images group redraws src/res/images (the build uses the committed files).
PACKAGES="$PACKAGES fonts-ipafont-gothic fonts-ipafont-mincho desktop-file-utils dpkg-dev"
IMAGE_TOOLS="imagemagick librsvg2-bin fonts-dejavu-core"
for extra in "$@"; do
    case "$extra" in
        fuzz)  PACKAGES="$PACKAGES clang libclang-rt-14-dev" ;;
        bench) PACKAGES="$PACKAGES universal-ctags time" ;;
        images) PACKAGES="$PACKAGES $IMAGE_TOOLS" ;;
        *) echo "install-deps.sh: unknown group '$extra'" >&2; exit 2 ;;
    esac
done

missing=""
for p in $PACKAGES; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$status" = installed ] || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
