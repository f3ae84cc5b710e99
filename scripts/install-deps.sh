#!/bin/sh
# Installs the Debian 12 packages that building and testing Tolvane need,
# leaving alone those already installed. The one list of packages.
#   sh scripts/install-deps.sh          build and test
#   sh scripts/install-deps.sh fuzz     also clang and libFuzzer
#   sh scripts/install-deps.sh bench    also what the benchmark compares with
set -eu

PACKAGES="cmake ninja-build g++ pkg-config libgtest-dev"
# tolvane-xref: its JSON output; the tests lay its graphs out with Graphviz.
PACKAGES="$PACKAGES nlohmann-json3-dev graphviz"
for extra in "$@"; do
    case "$extra" in
        fuzz)  PACKAGES="$PACKAGES clang libclang-rt-14-dev" ;;
        bench) PACKAGES="$PACKAGES universal-ctags time" ;;
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
