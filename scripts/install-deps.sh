#!/usr/bin/env bash
# Installs the Debian packages Ostinel builds and runs with. Idempotent and
# non-interactive; silent when everything is already installed.
#   scripts/install-deps.sh          build, test and run
#   scripts/install-deps.sh fuzz     also clang and its fuzzing runtime
#   scripts/install-deps.sh dev      also ccache, shared by several work trees
#   scripts/install-deps.sh session  also a window manager and xdotool, to drive
#                                    the desktop program under Xvfb as a user would
set -euo pipefail

packages=(
    build-essential make cmake ninja-build pkg-config
    qt6-base-dev qt6-svg-dev
    librtmidi-dev libasound2-dev libfluidsynth-dev timgm6mb-soundfont
    libgtest-dev libgmock-dev libbenchmark-dev
    libpugixml-dev libzip-dev
    clang-format
    xvfb xauth sox
)
for group in "$@"; do
    case "$group" in
        fuzz) packages+=(clang libclang-rt-14-dev) ;;
        dev) packages+=(ccache) ;;
        session) packages+=(openbox xdotool x11-apps imagemagick) ;;
        *) echo "install-deps: unknown group '$group'" >&2; exit 2 ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$status" = "installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if ! command -v apt-get >/dev/null 2>&1; then
    echo "install-deps: apt-get not found; Ostinel installs its dependencies on Debian or Ubuntu." >&2
    echo "Missing: ${missing[*]}" >&2
    exit 1
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
        echo "install-deps: not root and no sudo; install these as root: ${missing[*]}" >&2
        exit 1
    fi
    sudo=(sudo)
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
# Without --no-install-recommends fluidsynth drags in a GUI synth and a 145 MB SoundFont.
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
