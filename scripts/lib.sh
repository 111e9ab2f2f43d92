# Shared by the scripts: packages, the Wine environment, a virtual display and a wineserver.
# Source it; it sets NIVARO_ROOT and cleans up what it started when the script exits.

NIVARO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
NIVARO_BUILD_PACKAGES=(cmake ninja-build g++ googletest nlohmann-json3-dev python3 g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64)
NIVARO_WINE_PACKAGES=(wine wine64)
NIVARO_DISPLAY_PACKAGES=(xvfb xauth)
# The release's archive and its installer, built from WiX source on Linux.
NIVARO_PACKAGE_PACKAGES=(zip wixl git)

# SQLite, built into both builds from its official amalgamation. The npm package sqlite3 carries
# the official autoconf tarball in its deps/; both it and the tarball inside are pinned by hash.
NIVARO_SQLITE_NPM_PACKAGE=sqlite3@6.0.1
NIVARO_SQLITE_NPM_SHA256=ab8d044a93e05bd031d7ea75547c7fa60387cdc259d27f93c0e3e2832c4b1df9
NIVARO_SQLITE_TARBALL=sqlite-autoconf-3520000
NIVARO_SQLITE_SHA256=f6b50b0c103392af32a8be15b2b9d25959de9a00a70c3979128aafeaa5338b3f
NIVARO_SQLITE_DIR=$NIVARO_ROOT/build/$NIVARO_SQLITE_TARBALL

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

# Installs a command's package when the command is missing. npm comes this way: a machine may have
# it from a Node.js package of another origin, which the Debian package would conflict with.
require_command() {
    command -v "$1" >/dev/null 2>&1 || require_packages "$2"
}

# Unpacks SQLite's amalgamation into build/ (never into the source tree), once; CMake finds it
# there. The npm package and the tarball inside are checked against their pinned hashes first.
prepare_sqlite() {
    [[ -f $NIVARO_SQLITE_DIR/sqlite3.c && -f $NIVARO_SQLITE_DIR/shell.c ]] && return 0
    require_command npm npm
    local work
    work=$(mktemp -d)
    _nivaro_cleanup+=("rm -rf '$work'")
    echo "Fetching SQLite ($NIVARO_SQLITE_TARBALL) from the npm package $NIVARO_SQLITE_NPM_PACKAGE" >&2
    (cd "$work" && npm pack --silent "$NIVARO_SQLITE_NPM_PACKAGE" >/dev/null) || return 1
    local package=("$work"/*.tgz)
    _nivaro_check_sha256 "${package[0]}" "$NIVARO_SQLITE_NPM_SHA256" || return 1
    tar -xzf "${package[0]}" -C "$work" "package/deps/$NIVARO_SQLITE_TARBALL.tar.gz" || return 1
    local tarball=$work/package/deps/$NIVARO_SQLITE_TARBALL.tar.gz
    _nivaro_check_sha256 "$tarball" "$NIVARO_SQLITE_SHA256" || return 1
    mkdir -p "$work/unpacked" "$(dirname "$NIVARO_SQLITE_DIR")"
    tar -xzf "$tarball" -C "$work/unpacked" "$NIVARO_SQLITE_TARBALL/sqlite3.c" "$NIVARO_SQLITE_TARBALL/sqlite3.h" \
        "$NIVARO_SQLITE_TARBALL/shell.c" || return 1
    rm -rf "$NIVARO_SQLITE_DIR"
    mv "$work/unpacked/$NIVARO_SQLITE_TARBALL" "$NIVARO_SQLITE_DIR"
}

_nivaro_check_sha256() {
    local actual
    actual=$(sha256sum "$1" | cut -d' ' -f1)
    if [[ $actual != "$2" ]]; then
        echo "$(basename "$1"): sha256 $actual, expected $2; not used" >&2
        return 1
    fi
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
