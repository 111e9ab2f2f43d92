#!/usr/bin/env python3
"""Makes the folders that nivaro_folder_bench empties, straight on the Linux side of a Wine drive.

Wine looks through a whole directory for every file a Windows program creates in it, so a folder
of 100,000 files would take hours to fill from the Windows side; written from here it takes
seconds. The benchmark lists the folders it wants, one a line: a path relative to the root, with
'/' between its steps, the number of files and the bytes in each.

    make_folders.py ROOT < list
"""

import os
import sys


def make_folder(folder: str, files: int, size: int, data: bytes) -> None:
    os.makedirs(folder, exist_ok=False)
    flags = os.O_WRONLY | os.O_CREAT | os.O_EXCL
    for index in range(files):
        # Names without an extension: a shell that hides extensions shows them as they are.
        handle = os.open(os.path.join(folder, f"f{index:07d}"), flags, 0o644)
        try:
            if size:
                os.write(handle, data)
        finally:
            os.close(handle)


def main() -> int:
    if len(sys.argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    root = sys.argv[1]
    made = 0
    for line in sys.stdin:
        fields = line.split()
        if not fields:
            continue
        relative, files, size = fields[0], int(fields[1]), int(fields[2])
        data = bytes(index * 37 % 256 for index in range(size))
        make_folder(os.path.join(root, *relative.split("/")), files, size, data)
        made += files
    print(f"Made {made} files under {root}", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
