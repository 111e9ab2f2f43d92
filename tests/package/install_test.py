#!/usr/bin/env python3
"""The release as a user gets it: the archive's contents, and the installer run under Wine.

    install_test.py PACKAGE_DIR RELEASE_BIN

PACKAGE_DIR holds nivaro-VERSION.zip, nivaro-VERSION.msi and product-code (scripts/package makes
them); RELEASE_BIN the programs as built. Wine must be ready for WINEPREFIX, a prefix of the test's
own: the installer runs there with msiexec /i, the installed programs run, msiexec /x takes it
away, and the machine must then be as it was, save the user's own items file and choices.
"""

import hashlib
import os
import subprocess
import sys
import zipfile

# Each program stays small: the symbols are in a file beside it, never inside.
MOST_BYTES = 4 * 1024 * 1024
PROGRAMS = ("nivaro.exe", "nivaro-cli.exe")
# What the Windows Installer keeps of its own: its cache of packages and, in the registry, its
# bookkeeping. Wine leaves these folders and keys behind empty after an uninstall; anything in them
# would be ours, and fails the test.
INSTALLER_FOLDER = "windows/Installer"
INSTALLER_KEYS = (
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Installer",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer",
)
UNINSTALL = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
# Wine's own record of the display, written anew under a new name whenever its desktop process
# starts (a program that opens the display starts it): never ours, and not the same twice.
WINE_DISPLAY_KEY = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Video"
# The user's own items file and choices, which an uninstall leaves as they are.
ITEMS_FILE = "Nivaro\\items.ini"
CHOICES_KEY = "HKCU\\Software\\Nivaro\\Items"

results = []


def check(name):
    def wrap(function):
        def run(*args):
            try:
                function(*args)
                results.append((name, None))
                print(f"PASS {name}")
            except AssertionError as error:
                results.append((name, str(error)))
                print(f"FAIL {name}: {error}")
        return run
    return wrap


def wine(*args, check_rc=True):
    done = subprocess.run(["wine64", *args], capture_output=True)
    if check_rc and done.returncode != 0:
        raise AssertionError(f"{' '.join(args)} ended with {done.returncode}: {done.stderr.decode(errors='replace')}")
    return done


def windows_folder(variable):
    out = wine("cmd", "/c", f"echo %{variable}%").stdout.decode().strip()
    return out


def unix_path(windows_path):
    return wine("winepath", "-u", windows_path).stdout.decode().strip()


def files_of(drive_c):
    """Every file and folder of the drive, with each file's size and digest; links are not followed
    (the prefix's Desktop and Documents lead to the Linux home)."""
    tree = {}
    for top, folders, files in os.walk(drive_c):
        for name in folders:
            path = os.path.join(top, name)
            tree[os.path.relpath(path, drive_c)] = "link" if os.path.islink(path) else "folder"
        for name in files:
            path = os.path.join(top, name)
            if os.path.islink(path) or not os.path.isfile(path):
                tree[os.path.relpath(path, drive_c)] = "other"
                continue
            with open(path, "rb") as f:
                tree[os.path.relpath(path, drive_c)] = hashlib.sha256(f.read()).hexdigest()
    return tree


def registry(root, scratch):
    """A registry root as reg export writes it: each key with its value lines."""
    out = os.path.join(scratch, "export.reg")
    wine("reg", "export", root, unix_to_windows(out), "/y")
    with open(out, "rb") as f:
        text = f.read().decode("utf-16")
    os.remove(out)
    keys = {}
    current = None
    for line in text.splitlines():
        if line.startswith("[") and line.endswith("]"):
            current = line[1:-1]
            keys[current] = []
        elif current is not None and line.strip():
            keys[current].append(line)
    return keys


def unix_to_windows(path):
    return wine("winepath", "-w", path).stdout.decode().strip()


def machine(drive_c, scratch):
    return {
        "files": files_of(drive_c),
        "HKCU": registry("HKCU", scratch),
        "HKLM": {k: v for k, v in registry("HKLM", scratch).items() if not under(k, WINE_DISPLAY_KEY)},
    }


def under(key, parent):
    return key == parent or key.startswith(parent + "\\")


def changes(before, after):
    """What differs between two snapshots of one kind: added, removed and changed entries."""
    return {k for k in before.keys() | after.keys() if before.get(k) != after.get(k)}


def installer_bookkeeping_only(kind, names, after):
    """Whether every change is an empty folder or key of the Windows Installer's own."""
    for name in names:
        if kind == "files":
            if not (name == INSTALLER_FOLDER and after.get(name) == "folder"):
                return False
        elif not (any(under(name, k) for k in INSTALLER_KEYS) and after.get(name) == []):
            return False
    return True


@check("the archive holds both programs, the README and the licence, and nothing else")
def archive_contents(package, release_bin, version, source_root):
    with zipfile.ZipFile(os.path.join(package, f"nivaro-{version}.zip")) as archive:
        names = sorted(archive.namelist())
        folder = f"nivaro-{version}/"
        assert names == sorted(folder + n for n in (*PROGRAMS, "README.txt", "LICENSE.txt")), names
        for program in PROGRAMS:
            data = archive.read(folder + program)
            assert len(data) <= MOST_BYTES, f"{program} is {len(data)} bytes"
            with open(os.path.join(release_bin, program), "rb") as f:
                assert data == f.read(), f"{program} is not the program built"
        with open(os.path.join(source_root, "README.md"), "rb") as f:
            assert archive.read(folder + "README.txt") == f.read()
        with open(os.path.join(source_root, "LICENSE"), "rb") as f:
            assert archive.read(folder + "LICENSE.txt") == f.read()


@check("the programs name no folder of the machine they were built on, and link their symbols")
def no_build_paths(package, release_bin, version, source_root):
    for program in PROGRAMS:
        with open(os.path.join(release_bin, program), "rb") as f:
            data = f.read()
        for text in (source_root, source_root.replace("/", "\\")):
            for encoded in (text.encode(), text.encode("utf-16-le")):
                assert encoded not in data, f"{program} holds {text}"
        assert (program + ".debug").encode() in data, f"{program} has no debug link"
        assert os.path.getsize(os.path.join(release_bin, program + ".debug")) > len(data)


@check("the installer installs for the user alone, the programs run, and the uninstall leaves the machine as it was")
def install_run_uninstall(package, release_bin, version, source_root):
    scratch = os.path.join(package, "scratch")
    os.makedirs(scratch, exist_ok=True)
    drive_c = os.path.join(os.environ["WINEPREFIX"], "drive_c")
    product = open(os.path.join(package, "product-code")).read().strip()
    local = unix_path(windows_folder("LOCALAPPDATA"))
    roaming = unix_path(windows_folder("APPDATA"))
    installed = os.path.join(local, "Programs", "Nivaro")
    shortcut = os.path.join(roaming, "Microsoft", "Windows", "Start Menu", "Programs", "Nivaro.lnk")
    linux_menu = os.path.expanduser("~/.local/share/applications/wine/Programs/Nivaro.desktop")

    # The user's own items file and a choice, from before; they stay through it all.
    items = os.path.join(roaming, *ITEMS_FILE.split("\\"))
    os.makedirs(os.path.dirname(items), exist_ok=True)
    with open(items, "w") as f:
        f.write("[cookies]\nKeep=*.example.org\n")
    wine("reg", "add", CHOICES_KEY, "/v", "run-box", "/t", "REG_DWORD", "/d", "0", "/f")
    before = machine(drive_c, scratch)

    wine("msiexec", "/i", unix_to_windows(os.path.join(package, f"nivaro-{version}.msi")), "/qn")
    during = machine(drive_c, scratch)
    for name in (*PROGRAMS, "README.txt", "LICENSE.txt"):
        assert os.path.isfile(os.path.join(installed, name)), f"{name} is not installed"
    assert os.path.isfile(shortcut), "no Start-menu shortcut"
    assert not os.path.exists(linux_menu), "the install reached the Linux desktop's menu"
    entry = wine("reg", "query", f"HKLM\\{UNINSTALL}\\{product}", "/v", "DisplayName", check_rc=False).stdout.decode()
    entry += wine("reg", "query", f"HKCU\\{UNINSTALL}\\{product}", "/v", "DisplayName", check_rc=False).stdout.decode()
    assert "Nivaro" in entry, "no entry in the installed programs"
    outside_profile = {n for n in changes(before["files"], during["files"])
                       if not n.startswith("users/") and not n.startswith(INSTALLER_FOLDER)}
    assert not outside_profile, f"the install wrote outside the user's profile: {sorted(outside_profile)}"
    machine_keys = {k for k in changes(before["HKLM"], during["HKLM"])
                    if not any(under(k, i) for i in INSTALLER_KEYS) and not k.endswith(f"\\{UNINSTALL}\\{product}")}
    assert not machine_keys, f"the install wrote machine-wide keys: {sorted(machine_keys)}"

    cli = unix_to_windows(os.path.join(installed, "nivaro-cli.exe"))
    version_line = wine(cli, "--version").stdout.decode().strip()
    assert version_line == f"nivaro-cli {version}", version_line
    listed = wine(cli, "list").stdout.decode()
    assert "typed-urls" in listed and "temp-files" in listed, listed

    wine("msiexec", "/x", product, "/qn")
    after = machine(drive_c, scratch)
    assert not os.path.exists(installed) and not os.path.exists(shortcut), "files stayed"
    for kind in ("files", "HKCU", "HKLM"):
        left = changes(before[kind], after[kind])
        assert installer_bookkeeping_only(kind, left, after[kind]), f"{kind} is not as it was: {sorted(left)}"
    with open(items) as f:
        assert "Keep=*.example.org" in f.read(), "the user's items file changed"
    choice = wine("reg", "query", CHOICES_KEY, "/v", "run-box").stdout.decode()
    assert "0x0" in choice, "the user's choice changed"


def main():
    package, release_bin = sys.argv[1], sys.argv[2]
    source_root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    zips = [n for n in os.listdir(package) if n.startswith("nivaro-") and n.endswith(".zip")]
    if len(zips) != 1:
        print(f"expected one archive in {package}, found {zips}")
        return 1
    version = zips[0][len("nivaro-"):-len(".zip")]
    for test in (archive_contents, no_build_paths, install_run_uninstall):
        test(package, release_bin, version, source_root)
    failed = sum(1 for _, error in results if error)
    print(f"package: {len(results) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
