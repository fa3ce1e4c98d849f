#!/usr/bin/env python3
"""Writes the release archive and its checksums, byte for byte the same for the same inputs.

    package.py --folder Tavelin-3.0.0 --zip Tavelin-3.0.0-win64.zip --out DIR
               [--source SRC] FILE...
    package.py --check-date

DIR/<zip> holds one folder, <folder>/, with the FILEs in it (by name, in sorted order), and
DIR/SHA256SUMS lists the SHA-256 of the zip and of each file in it, in the format that
`sha256sum -c` reads, with the paths the files get when the zip is unpacked in DIR.

Every entry carries the same time: SOURCE_DATE_EPOCH when it is set, otherwise the commit time
of the git checkout SRC. The time is written as UTC (zip times have no time zone), so the time
zone of the build does not matter; neither do the files' own times, modes or owners. The build
runs this every time; outputs whose bytes would not change are left untouched.

SOURCE_DATE_EPOCH, when set, is a number of seconds since 1970-01-01 00:00:00 UTC in decimal
digits only, from 0 to 4354819199 (2107-12-31 23:59:59 UTC, the latest time a zip entry can
carry); zip entries cannot be dated before 1980, and a time before 1980-01-01 dates them
1980-01-01 00:00:00. Any other value stops this with the reason, and so does --check-date,
which only checks it.
"""

import argparse
import hashlib
import io
import os
import re
import subprocess
import sys
import time
import zipfile

ZIP_EPOCH = 315532800  # 1980-01-01 00:00:00 UTC: the earliest time a zip entry can carry
ZIP_LATEST = 4354819199  # 2107-12-31 23:59:59 UTC: the latest


def epoch_from_environment():
    """SOURCE_DATE_EPOCH, or None when it is not set or empty; exits with the reason when it is
    not a time a zip entry can carry."""
    value = os.environ.get("SOURCE_DATE_EPOCH")
    if not value:
        return None
    if not re.fullmatch(r"[0-9]+", value, re.ASCII) or int(value) > ZIP_LATEST:
        sys.exit(f"SOURCE_DATE_EPOCH is {value!r}, but it must be a number of seconds since "
                 f"1970-01-01 00:00:00 UTC in decimal digits, from 0 to {ZIP_LATEST} "
                 "(2107-12-31 23:59:59 UTC, the latest time a zip entry can carry; "
                 "a time before 1980 dates the entries 1980-01-01)")
    return int(value)


def source_date_epoch(source):
    value = epoch_from_environment()
    if value is not None:
        return value
    if source:
        try:
            out = subprocess.run(["git", "-C", source, "log", "-1", "--format=%ct"],
                                 check=True, capture_output=True, text=True).stdout.strip()
            if out:
                return int(out)
        except (OSError, subprocess.CalledProcessError, ValueError):
            pass
    print("package.py: neither SOURCE_DATE_EPOCH nor a git commit time; entries dated 1980-01-01",
          file=sys.stderr)
    return ZIP_EPOCH


def entry(name, date_time, mode):
    info = zipfile.ZipInfo(name, date_time)
    info.create_system = 3  # Unix: the mode below is what unzip restores
    info.external_attr = mode << 16
    if name.endswith("/"):
        info.external_attr |= 0x10  # MS-DOS directory attribute
        info.compress_type = zipfile.ZIP_STORED
    else:
        info.compress_type = zipfile.ZIP_DEFLATED
    return info


def build_zip(folder, files, epoch):
    date_time = time.gmtime(max(epoch, ZIP_EPOCH))[:6]
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as archive:
        archive.writestr(entry(folder + "/", date_time, 0o40755), b"")
        for name, data in files:
            archive.writestr(entry(f"{folder}/{name}", date_time, 0o100644), data,
                             compress_type=zipfile.ZIP_DEFLATED, compresslevel=9)
    return buffer.getvalue()


def write_if_changed(path, data):
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return
    except FileNotFoundError:
        pass
    temporary = path + ".tmp"
    with open(temporary, "wb") as f:
        f.write(data)
    os.replace(temporary, path)


def main():
    if sys.argv[1:] == ["--check-date"]:
        epoch_from_environment()
        return
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--folder", required=True)
    parser.add_argument("--zip", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--source")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()

    names = [os.path.basename(f) for f in args.files]
    if len(set(names)) != len(names):
        parser.error("two files with the same name")
    files = []
    for path, name in sorted(zip(args.files, names), key=lambda pair: pair[1]):
        with open(path, "rb") as f:
            files.append((name, f.read()))

    archive = build_zip(args.folder, files, source_date_epoch(args.source))
    sums = [(hashlib.sha256(archive).hexdigest(), args.zip)]
    sums += [(hashlib.sha256(data).hexdigest(), f"{args.folder}/{name}") for name, data in files]

    os.makedirs(args.out, exist_ok=True)
    write_if_changed(os.path.join(args.out, args.zip), archive)
    write_if_changed(os.path.join(args.out, "SHA256SUMS"),
                     "".join(f"{digest}  {name}\n" for digest, name in sums).encode())


if __name__ == "__main__":
    main()
