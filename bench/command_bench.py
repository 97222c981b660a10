"""Command capture benchmark: the real zqPelmora.exe under Wine runs a report whose one
command types a 50 MB CP932 file into the report log; the same command then runs through
the command interpreter alone (`cmd /c type FILE >> OUT`) in the same run. Prints both times
and their ratio."""
import shutil
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
from zq_e2e import PELMORA, WINE, parameter_text, temp_dir, win_path  # noqa: E402
from mail_bench import report_source  # noqa: E402


def timed(args, cwd):
    started = time.monotonic()
    subprocess.run([str(WINE), *map(str, args)], cwd=cwd, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.monotonic() - started


def main():
    directory = temp_dir("command bench ")
    try:
        typed = report_source(directory, 50)
        param = directory / "r.ini"
        param.write_bytes(parameter_text({"Cmd1": f'type "{win_path(typed)}"'}))
        sender = timed([PELMORA, win_path(param)], directory)
        batch = directory / "alone.bat"
        batch.write_bytes(f'type "{win_path(typed)}" >> "{win_path(directory / "out")}"\r\n'.encode("cp932"))
        alone = timed(["cmd", "/c", win_path(batch)], directory)
        size = (directory / "r.ini.log").stat().st_size
        if size < typed.stat().st_size:
            sys.exit(f"the report log holds {size} bytes, less than the typed file")
        print(f"type 50 MB: zqPelmora {sender:.2f} s, cmd alone {alone:.2f} s, "
              f"ratio {sender / alone:.2f}")
    finally:
        shutil.rmtree(directory, True)


if __name__ == "__main__":
    main()
