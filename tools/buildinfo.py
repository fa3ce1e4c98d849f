#!/usr/bin/env python3
"""Writes BUILDINFO: what a release was built from and with, so that anyone can rebuild it.

    buildinfo.py --out FILE --source SRC --zip NAME --build-type TYPE
                 --compiler CXX --host-compiler CXX --tool PATH...

FILE names the commit of SRC, the SOURCE_DATE_EPOCH the archive's entries carry (the same
choice as package.py's), the versions the compilers, the linker, CMake and Python report, and
the exact Debian package of every file of the toolchain that went into the build: the compilers
and their back ends, the assembler and linker, the MinGW-w64 headers, start-up objects and
libraries linked into the program, the C++ library the asset generators use, and the tools
given with --tool (with the version each reports). A tool that no package
installed is named as such.

No time, host or path of the build goes in: the same commit built with the same toolchain
writes the same file, which the build leaves untouched when its bytes would not change.
"""

import argparse
import os
import subprocess
import sys
import zlib

from package import source_date_epoch, write_if_changed


def run(*command, input=None, check=True):
    """The command's standard output, or "" when it cannot run (or fails, when `check`)."""
    try:
        return subprocess.run(command, input=input, check=check, capture_output=True, text=True).stdout
    except (OSError, subprocess.CalledProcessError):
        return ""


def first_line(*command):
    return (run(*command).splitlines() or ["unknown"])[0].strip()


def commit(source):
    head = run("git", "-C", source, "rev-parse", "HEAD").strip()
    if not head:
        return "unknown (not a git checkout)"
    if run("git", "-C", source, "status", "--porcelain").strip():
        return head + " with uncommitted changes"
    return head


def toolchain_files(cxx, host_cxx, tools):
    """Every file of the toolchain the build used (resolved paths); cxx is the compiler's command
    with the flags that choose its target and runtime."""
    files = [cxx[0], host_cxx] + tools
    for program in ("cc1plus", "cc1", "as", "ld", "ld.lld"):
        files.append(run(*cxx, f"-print-prog-name={program}").strip())
    # The asset generators: built for this machine, with its compiler and C++ library.
    files.append(run(host_cxx, "-print-prog-name=cc1plus").strip())
    for library in ("libstdc++.so", "libm.so.6"):
        files.append(run(host_cxx, f"-print-file-name={library}").strip())
    for library in ("crt2.o", "libmsvcrt.a", "libkernel32.a", "libmingw32.a", "libmingwex.a",
                    "libwinpthread.a", "libstdc++.a", "libgcc.a", "libgcc_eh.a", "libssp.a"):
        files.append(run(*cxx, f"-print-file-name={library}").strip())
    # The headers a Win32 translation unit of the program reads: one of each folder is enough to
    # find the package that installed the folder.
    dependencies = run(*cxx, "-x", "c++", "-M", "-", input="#include <windows.h>\n#include <cstdlib>\n")
    folders = {}
    for f in dependencies.replace("\\\n", " ").split():
        if f.startswith("/"):
            folders.setdefault(os.path.dirname(os.path.realpath(f)), f)
    files += folders.values()
    # Python and the zlib it compresses the archive with (its output is part of the zip's bytes).
    files.append(sys.executable)
    try:
        with open("/proc/self/maps") as maps:
            files += [line.split()[-1] for line in maps if "/libz.so" in line]
    except OSError:
        pass
    resolved = []
    for f in files:
        if f and os.path.isabs(f) and os.path.exists(f):
            resolved.append(os.path.realpath(f))
    return sorted(set(resolved))


def packages_of(files):
    """{package: version} for the packages that own the files; the files that none owns."""
    owners = {}
    for line in run("dpkg-query", "--search", *files, check=False).splitlines():
        if line.startswith("diversion ") or ": " not in line:
            continue
        packages, path = line.rsplit(": ", 1)
        owners.setdefault(path, [p.strip().split(":")[0] for p in packages.split(",")])
    # Merged /usr: dpkg may know a file under /bin or /lib that is found under /usr.
    unowned = [f for f in files if f not in owners]
    for f in list(unowned):
        if f.startswith("/usr/"):
            for line in run("dpkg-query", "--search", f[len("/usr"):], check=False).splitlines():
                if ": " in line and not line.startswith("diversion "):
                    owners[f] = [p.strip().split(":")[0] for p in line.rsplit(": ", 1)[0].split(",")]
                    unowned.remove(f)
                    break
    names = sorted({p for ps in owners.values() for p in ps})
    versions = {}
    if names:
        for line in run("dpkg-query", "--show", "--showformat=${Package} ${Version}\n", *names,
                        check=False).splitlines():
            name, _, version = line.partition(" ")
            versions[name] = version
    return versions, unowned


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", required=True)
    parser.add_argument("--source", required=True)
    parser.add_argument("--zip", required=True)
    parser.add_argument("--build-type", default="")
    parser.add_argument("--compiler", required=True)
    parser.add_argument("--compiler-flag", action="append", default=[],
                        help="a flag the build gives the compiler to choose its target and runtime")
    parser.add_argument("--host-compiler", required=True)
    parser.add_argument("--tool", action="append", default=[])
    args = parser.parse_args()

    cxx = [args.compiler] + args.compiler_flag
    files = toolchain_files(cxx, args.host_compiler, args.tool)
    versions, unowned = packages_of(files)
    # Clang links with LLD (-fuse-ld=lld), GCC with its ld.
    linker = "ld.lld" if "clang" in os.path.basename(args.compiler) else "ld"
    ld = run(*cxx, f"-print-prog-name={linker}").strip() or linker
    lines = [
        f"# How {args.zip} was built. The same commit built with these packages gives the same",
        "# bytes: tools/reproducible.sh --release checks a download against its commit.",
        f"commit: {commit(args.source)}",
        f"source-date-epoch: {source_date_epoch(args.source)}",
        f"build-type: {args.build_type}",
        f"compiler: {first_line(args.compiler, '--version')}",
        f"linker: {first_line(ld, '--version')}",
        f"host-compiler: {first_line(args.host_compiler, '--version')}",
        f"python: {sys.version.split()[0]} (zlib {zlib.ZLIB_RUNTIME_VERSION})",
    ]
    lines += [f"{os.path.basename(tool)}: {first_line(tool, '--version')}" for tool in args.tool]
    lines += [f"package: {name} {version}" for name, version in sorted(versions.items())]
    lines += [f"not from a package: {os.path.basename(f)}" for f in unowned]
    write_if_changed(args.out, ("\n".join(lines) + "\n").encode())


if __name__ == "__main__":
    main()
