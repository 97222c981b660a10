"""The x64 release under Wine: the packages made twice give the same zip; the installer
installs silently into a folder whose name holds a blank and Japanese, both programs carry
the project's version, the installed console starts and ends, offers its remaining jobs for
deletion as the uninstaller asks it to, and a silent uninstall removes the programs and keeps
the CMD folder and the settings."""
import re
import shutil
import subprocess
import sys
import unittest
import zipfile

from zq_e2e import ROOT, WINE, run_program, temp_dir

DRIVER = ROOT / "build" / "win64" / "bin" / "zq_driver.exe"
VERSION = re.search(r"project\(\s*\w+\s+VERSION\s+(\d+\.\d+\.\d+)",
                    (ROOT / "CMakeLists.txt").read_text()).group(1)
TARGET = "C:\\Program Files\\zq テスト"
INSTALLED = ROOT / "build" / "wine" / "drive_c" / "Program Files" / "zq テスト"
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\zq"
EVENT_SOURCE_KEY = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\zqPelmora"


def wine(program, *args, timeout=120):
    code, output = run_program(program, args, timeout=timeout, errors=False)
    return code, output.decode("cp932", "replace")


class ReleaseTest(unittest.TestCase):
    def setUp(self):
        self.dist = temp_dir("release ")
        self.addCleanup(shutil.rmtree, self.dist, True)
        self.addCleanup(shutil.rmtree, INSTALLED, True)

    def package(self, out):
        subprocess.run([sys.executable, str(ROOT / "scripts" / "package.py"), "--arch", "x64",
                        "--out", str(out)], check=True, capture_output=True)
        return out / f"zq-{VERSION}-x64.zip", out / f"zq-{VERSION}-x64-setup.exe"

    def test_install_check_and_uninstall(self):
        package, setup = self.package(self.dist / "a")
        again, _ = self.package(self.dist / "b")
        self.assertEqual(package.read_bytes(), again.read_bytes(), "the zip is reproducible")
        with zipfile.ZipFile(package) as archive:
            self.assertEqual(archive.namelist(), ["zq/zqPelmora.exe", "zq/zqTervask.exe",
                                                  "zq/README.txt", "zq/CHANGES.txt"])
            readme = archive.read("zq/README.txt")
        self.assertIn("インストール".encode("cp932"), readme)
        self.assertNotIn(b"\n", readme.replace(b"\r\n", b""), "CR LF only")

        # The installer reads /D= and _?= unquoted, blanks and all: cmd passes them so.
        code, output = run_program("cmd", ["/c", f"{setup.name} /S /D={TARGET}"], cwd=setup.parent)
        self.assertEqual(code, 0, output)
        for name in ("zqPelmora.exe", "zqTervask.exe", "README.txt", "CHANGES.txt",
                     "uninstall.exe"):
            self.assertTrue((INSTALLED / name).exists(), name)
        for name, description in (("zqPelmora.exe", "zq レポート送信"),
                                  ("zqTervask.exe", "zq 管理コンソール")):
            self.assertEqual(wine(DRIVER, "version", f"{TARGET}\\{name}")[1],
                             f"{VERSION}.0|{VERSION}|{VERSION}|{name}|{description}")
        self.assertIn('"C:\\Program Files\\zq テスト\\uninstall.exe"',
                      wine("reg", "query", UNINSTALL_KEY, "/v", "UninstallString")[1])
        # The event source names the sender, whose message table words each event.
        self.assertIn(f"{TARGET}\\zqPelmora.exe",
                      wine("reg", "query", EVENT_SOURCE_KEY, "/v", "EventMessageFile")[1])
        messages = [wine(DRIVER, "message", f"{TARGET}\\zqPelmora.exe", str(i))[1].rstrip()
                    for i in (1000, 1001, 1002)]
        self.assertEqual(messages[0], "レポートのメールを中継サーバー <2> が受け付けました"
                                      "（試行 <3> 回）。トレース: <1>")
        self.assertIn("終了コード <2>: <3> 最後の応答: <4>", messages[1])
        self.assertIn("受け付けられたかどうかは不明です。", messages[2])

        console = subprocess.Popen([str(WINE), f"{TARGET}\\zqTervask.exe", "/scheduler:at"],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(console.kill)
        self.assertEqual(wine(DRIVER, "wait", "zqTervask")[0], 0, "the console started")
        wine(DRIVER, "close", "zqTervask")
        self.assertEqual(console.wait(timeout=30), 0)

        # What the uninstaller runs unless silent: the console's remaining jobs, deleted on Yes.
        report = f'"{TARGET}\\CMD\\061207030000.CMD"'
        for line in wine(DRIVER, "jobs")[1].splitlines():  # from runs that broke off
            if line.split("\t", 1)[1] in (report, "other.exe"):
                wine(DRIVER, "deljob", line.split("\t", 1)[0])
        self.assertEqual(wine(DRIVER, "addjob", report)[0], 0)
        self.assertEqual(wine(DRIVER, "addjob", "other.exe")[0], 0)
        jobs = dict(line.split("\t", 1)[::-1] for line in wine(DRIVER, "jobs")[1].splitlines())
        self.addCleanup(wine, DRIVER, "deljob", jobs["other.exe"])
        offer = subprocess.Popen([str(WINE), f"{TARGET}\\zqTervask.exe", "/remainingjobs",
                                  "/scheduler:at"],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(offer.kill)
        question = wine(DRIVER, "box", "zqTervask")[1].replace("\r\r\n", "\r\n")
        self.assertTrue(question.startswith("zq のジョブが 1 件登録されています。"), question)
        self.assertIn(f"ジョブ{jobs[report]}: {report}\r\n", question)
        self.assertTrue(question.endswith("これらのジョブを削除しますか？"), question)
        wine(DRIVER, "answer", "zqTervask", 6)
        self.assertEqual(offer.wait(timeout=30), 0)
        left = wine(DRIVER, "jobs")[1]
        self.assertNotIn(report, left)
        self.assertIn("other.exe", left, "a job of another program stays")

        (INSTALLED / "CMD").mkdir()
        (INSTALLED / "CMD" / "061207030000").write_bytes(b"[zqPelmora.exe]\r\n")
        (INSTALLED / "zqTervask.ini").write_bytes(b"[zqTervask]\r\n")
        code, output = run_program("cmd", ["/c", f"uninstall.exe /S _?={TARGET}"], cwd=INSTALLED)
        self.assertEqual(code, 0, output)
        for name in ("zqPelmora.exe", "zqTervask.exe", "README.txt", "CHANGES.txt"):
            self.assertFalse((INSTALLED / name).exists(), name)
        self.assertTrue((INSTALLED / "CMD" / "061207030000").exists(), "reports are kept")
        self.assertTrue((INSTALLED / "zqTervask.ini").exists(), "settings are kept")
        self.assertNotEqual(wine("reg", "query", UNINSTALL_KEY)[0], 0, "the entry is gone")
        self.assertNotEqual(wine("reg", "query", EVENT_SOURCE_KEY)[0], 0, "the source is gone")


if __name__ == "__main__":
    unittest.main()
