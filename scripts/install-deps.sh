#!/bin/sh
# Installs the Debian 12 packages that building and testing Tolvane need,
# leaving alone those already installed. The one list of packages.
#   sh scripts/install-deps.sh          build and test
#   sh scripts/install-deps.sh fuzz     also clang and libFuzzer
#   sh scripts/install-deps.sh bench    also what the benchmark compares with
#   sh scripts/install-deps.sh images   also what redraws the icon and splash
#   sh scripts/install-deps.sh screenshots  also what takes the screenshots
set -eu

PACKAGES="cmake ninja-build g++ pkg-config libgtest-dev"
# The desktop program: Qt 6 with its Japanese translations, the Japanese
# fonts its forms name, xcb and Xlib for the single-instance guard. Its tests
# start Xvfb, xmessage (x11-utils) and xdotool.
PACKAGES="$PACKAGES qt6-base-dev qt6-translations-l10n fonts-ipafont-gothic fonts-ipafont-mincho"
PACKAGES="$PACKAGES libxcb1-dev libx11-dev xvfb x11-utils xdotool"
# The desktop file's check, and dpkg-shlibdeps for the Debian package's
# dependencies. The images group redraws src/res/images (the build uses the
# committed files).
PACKAGES="$PACKAGES desktop-file-utils dpkg-dev"
IMAGE_TOOLS="imagemagick librsvg2-bin fonts-dejavu-core"
# tolvane-xref: its JSON output; the tests lay its graphs out with Graphviz
# and follow its tags and grep lines with vim.
PACKAGES="$PACKAGES nlohmann-json3-dev graphviz vim"
for extra in "$@"; do
    case "$extra" in
        fuzz)  PACKAGES="$PACKAGES clang libclang-rt-14-dev" ;;
        bench) PACKAGES="$PACKAGES universal-ctags cscope python3 time" ;;
        images) PACKAGES="$PACKAGES $IMAGE_TOOLS" ;;
        screenshots) PACKAGES="$PACKAGES xvfb openbox imagemagick" ;;
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
