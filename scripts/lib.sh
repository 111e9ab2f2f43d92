# Shared by the scripts: packages, the Wine environment, a virtual display and a wineserver.
# Source it; it sets NIVARO_ROOT and cleans up what it started when the script exits.

NIVARO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
NIVARO_BUILD_PACKAGES=(cmake ninja-build g++ googletest nlohmann-json3-dev python3 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64)
NIVARO_WINE_PACKAGES=(wine wine64)
NIVARO_DISPLAY_PACKAGES=(xvfb xauth)
# The release's archive and its installer, built from WiX source on Linux.
NIVARO_PACKAGE_PACKAGES=(zip wixl git)

_nivaro_cleanup=()
_nivaro_on_exit() {
    local i
    for ((i = ${#_nivaro_cleanup[@]} - 1; i >= 0; i--)); do
        eval "${_nivaro_cleanup[i]}" || true
    done
}
trap _nivaro_on_exit EXIT

# Installs the packages that are not installed yet.
require_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed' || missing+=("$package")
    done
    ((${#missing[@]} == 0)) && return 0
    local sudo=()
    [[ $(id -u) -eq 0 ]] || sudo=(sudo)
    echo "Installing ${missing[*]}" >&2
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
}

# The environment Wine runs in; the prefix is the first argument.
use_wine_prefix() {
    export WINEPREFIX=$1
    export WINEDEBUG=${WINEDEBUG:--all}
    export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
    export PATH=/usr/lib/wine:$PATH
}

# Makes the prefix once (about ten seconds), then only brings it up to date.
prepare_wine_prefix() {
    local log=$WINEPREFIX.log
    mkdir -p "$WINEPREFIX"
    wineboot -u >"$log" 2>&1 || { cat "$log" >&2; return 1; }
}

# Wine holds a thread up to 2 s for every managed window it hides (a message box answered, a window
# closed), waiting for a window manager to take it back; on a bare virtual display none ever does.
# Unmanaged windows skip the wait, and with no manager nothing else changes. With "managed" the
# setting is taken back, for a display that has a manager.
set_wine_windows_managed() {
    local key='HKCU\Software\Wine\X11 Driver'
    if [[ $1 == unmanaged ]]; then
        wine64 reg add "$key" /v Managed /t REG_SZ /d N /f >>"$WINEPREFIX.log" 2>&1
    else
        wine64 reg delete "$key" /v Managed /f >>"$WINEPREFIX.log" 2>&1 || true
    fi
}

# A persistent wineserver for this prefix, stopped when the script exits. Extra arguments run
# before the server (for example "taskset -c 0" to pin it).
start_wineserver() {
    mkdir -p "$WINEPREFIX"
    "$@" wineserver -p >/dev/null 2>&1 || true  # one may be up already for this prefix
    _nivaro_cleanup+=("wineserver -k >/dev/null 2>&1")
}

# Starts Xvfb on a free display and exports DISPLAY; stopped when the script exits.
start_virtual_display() {
    local dir fifo pid display
    dir=$(mktemp -d)
    fifo=$dir/display
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    pid=$!
    _nivaro_cleanup+=("kill $pid 2>/dev/null; wait $pid 2>/dev/null; rm -rf '$dir'")
    if ! read -r -t 30 display <"$fifo"; then
        echo "Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=:$display
}
