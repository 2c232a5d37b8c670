#!/usr/bin/env python3
"""Writes a byte-reproducible zip of a folder: make_zip.py FOLDER OUT.zip

Every file under FOLDER goes in, by its path relative to FOLDER ('/' separated), in sorted
order, deflated at level 9, with the time of SOURCE_DATE_EPOCH (the commit's time; zip keeps
local time at two-second steps from 1980, so it is written as UTC and clamped to 1980),
permissions rw-r--r-- made on "Unix", no extra fields and no comment. Folders get no entries
of their own: unzip and Windows make them from the files' paths. The same files give the same
bytes on every run (with the same zlib, as Debian 12's)."""
import os
import sys
import time
import zipfile


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_zip.py FOLDER OUT.zip")
    folder, out = sys.argv[1], sys.argv[2]
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    if epoch is None:
        sys.exit("make_zip.py: SOURCE_DATE_EPOCH is not set")
    stamp = time.gmtime(max(int(epoch), 315532800))  # 1980-01-01, zip's first day
    date_time = (stamp.tm_year, stamp.tm_mon, stamp.tm_mday, stamp.tm_hour, stamp.tm_min,
                 stamp.tm_sec - stamp.tm_sec % 2)

    names = []
    for directory, subfolders, files in os.walk(folder):
        subfolders.sort()
        for name in files:
            path = os.path.join(directory, name)
            if os.path.islink(path) or not os.path.isfile(path):
                sys.exit(f"make_zip.py: {path} is not a plain file")
            names.append(os.path.relpath(path, folder).replace(os.sep, "/"))
    names.sort()
    if not names:
        sys.exit(f"make_zip.py: {folder} holds no files")

    with zipfile.ZipFile(out, "w") as archive:
        for name in names:
            info = zipfile.ZipInfo(name, date_time)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 3  # Unix, so that the permissions below are read
            info.external_attr = (0o100644 << 16)
            with open(os.path.join(folder, name), "rb") as source:
                archive.writestr(info, source.read(), compress_type=zipfile.ZIP_DEFLATED,
                                 compresslevel=9)


if __name__ == "__main__":
    main()
