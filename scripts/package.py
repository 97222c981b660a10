"""Release packages from built programs: for each architecture a zip (the two programs,
README.txt and CHANGES.txt, in fixed order with fixed times, so two builds give the same
bytes) and an installer made with makensis; then SHA256SUMS over everything written.

  python3 scripts/package.py [--arch x64|x86 ...] [--out DIR]
"""
import argparse
import hashlib
import re
import subprocess
import sys
import zipfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
BUILDS = {"x64": ROOT / "build" / "win64" / "bin", "x86": ROOT / "build" / "win32" / "bin"}
PROGRAMS = ("zqPelmora.exe", "zqTervask.exe")
FIXED_TIME = (2026, 1, 1, 0, 0, 0)


def version():
    text = (ROOT / "CMakeLists.txt").read_text()
    return re.search(r"project\(\s*\w+\s+VERSION\s+(\d+\.\d+\.\d+)", text).group(1)


def between(text, name):
    """The part of README.md between <!-- README.txt: NAME begin --> and its end marker."""
    match = re.search(rf"<!-- README.txt: {name} begin -->\n(.*?)<!-- README.txt: {name} end -->",
                      text, re.S)
    if not match:
        sys.exit(f"README.md has no {name} part for README.txt")
    return match.group(1).strip()


def windows_text(text):
    """CP932 with CR LF, as Notepad on a Japanese Windows XP reads it."""
    return text.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp932")


def documents(ver):
    readme = (ROOT / "README.md").read_text(encoding="utf-8")
    readme_txt = (f"zq {ver}\n\n" + between(readme, "ja") + "\n\n" + "-" * 70 + "\n\n" +
                  between(readme, "en") + "\n")
    changes = (ROOT / "CHANGES.md").read_text(encoding="utf-8")
    return {"README.txt": windows_text(readme_txt), "CHANGES.txt": windows_text(changes)}


def write_zip(path, files):
    with zipfile.ZipFile(path, "w") as archive:
        for name, data in files:
            info = zipfile.ZipInfo(f"zq/{name}", date_time=FIXED_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0
            info.external_attr = 0x20  # archive
            archive.writestr(info, data)


def build_installer(arch, ver, source, out):
    subprocess.run(["makensis", "-V2", "-INPUTCHARSET", "UTF8", f"-DVERSION={ver}",
                    f"-DARCH={arch}", f"-DSOURCE={source}", f"-DOUTFILE={out}",
                    str(ROOT / "installer" / "zq.nsi")], check=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--arch", action="append", choices=sorted(BUILDS))
    parser.add_argument("--out", default=str(ROOT / "dist"))
    args = parser.parse_args()
    ver = version()
    out = Path(args.out)
    out.mkdir(parents=True, exist_ok=True)
    docs = documents(ver)
    written = []
    for arch in args.arch or ("x64", "x86"):
        stage = out / f"stage-{arch}"
        stage.mkdir(exist_ok=True)
        files = [(name, (BUILDS[arch] / name).read_bytes()) for name in PROGRAMS]
        files += list(docs.items())
        for name, data in files:
            (stage / name).write_bytes(data)
        package = out / f"zq-{ver}-{arch}.zip"
        write_zip(package, files)
        setup = out / f"zq-{ver}-{arch}-setup.exe"
        build_installer(arch, ver, stage, setup)
        written += [package, setup]
        for name, _ in files:
            (stage / name).unlink()
        stage.rmdir()
    sums = "".join(f"{hashlib.sha256(p.read_bytes()).hexdigest()}  {p.name}\n" for p in written)
    (out / "SHA256SUMS").write_text(sums)
    for path in written + [out / "SHA256SUMS"]:
        print(path)


if __name__ == "__main__":
    main()
