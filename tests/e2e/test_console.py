"""The real zqTervask.exe under Wine, worked from another process by zq_driver.exe: start-up
beside a settings file, the mail settings dialog saving through the real program, and the
end of the program."""
import os
import re
import shutil
import subprocess
import time
import unittest
from pathlib import Path

from zq_e2e import ROOT, WINE, sjis, temp_dir

BIN = Path(os.environ.get("ZQ_TERVASK", ROOT / "build" / "win64" / "bin" / "zqTervask.exe")).parent
TITLE = "zqTervask"


def control_ids(header):
    text = (ROOT / "console" / header).read_text()
    return {name: int(value) for name, value in re.findall(r"#define (\w+) (\d+)", text)}


MAIN = control_ids("frmTervaskIds.h")
DIALOG = control_ids("frmMailSettingIds.h")
JOB = {**control_ids("jobs/ScheduleControlIds.h"), **control_ids("jobs/frmAddJobIds.h")}


def driver(*args):
    done = subprocess.run([str(WINE), str(BIN / "zq_driver.exe"), *map(str, args)],
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=60)
    return done.returncode, done.stdout.decode("cp932")


class ConsoleTest(unittest.TestCase):
    def setUp(self):
        self.dir = temp_dir("console ")
        self.addCleanup(shutil.rmtree, self.dir, True)
        shutil.copy(BIN / "zqTervask.exe", self.dir)

    def start(self):
        process = subprocess.Popen([str(WINE), str(self.dir / "zqTervask.exe")], cwd=ROOT,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(process.kill)
        self.assertEqual(driver("wait", TITLE)[0], 0, "the main window did not appear")
        return process

    def close(self, process):
        started = time.monotonic()
        driver("close", TITLE)
        self.assertEqual(process.wait(timeout=30), 0)
        self.assertLess(time.monotonic() - started, 10)

    def test_settings_load_whole_and_a_save_reaches_the_file_and_the_main_window(self):
        subject = "週報" * 10 + "x" * 260  # 300 bytes
        (self.dir / "zqTervask.ini").write_bytes(sjis(
            f"[zqTervask]\r\nSmtpServer=mail.example.jp\r\nSmtpPort=25\r\nSubject={subject}\r\n"))
        process = self.start()
        self.assertEqual(driver("text", TITLE, MAIN["IDE_txtSmtpSubject"])[1], subject)
        self.assertEqual(driver("text", TITLE, MAIN["IDE_txtSmtpServer"])[1], "mail.example.jp")
        self.assertNotEqual(driver("text", TITLE, MAIN["IDL_lblComputerName"])[1], "")

        # The mail settings dialog, opened as its button will open it.
        driver("command", TITLE, MAIN["IDB_cmdButton1"])
        settings = "設定 - zqTervask"
        self.assertEqual(driver("text", settings, DIALOG["IDE_txtSubject"])[1], subject)
        for name, value in (("IDE_txtFrom", " zq@example.jp "), ("IDE_txtTo", "a@x;b@x"),
                            ("IDE_txtSmtpPort", "abc")):
            driver("set", settings, DIALOG[name], value)
        driver("click", settings, DIALOG["IDB_cmdButton0"])
        self.assertEqual(driver("box", TITLE)[1],
                         "ポート番号は1から65535の数値で指定してください。")
        driver("answer", TITLE, 1)
        driver("set", settings, DIALOG["IDE_txtSmtpPort"], "587")
        driver("click", settings, DIALOG["IDB_cmdButton0"])
        self.assertEqual(driver("box", TITLE)[1], "設定が変更されました！")
        driver("answer", TITLE, 1)
        self.assertEqual(driver("wait", settings)[0], 1, "the dialog closed")
        self.assertEqual(driver("text", TITLE, MAIN["IDE_txtSmtpFrom"])[1], "zq@example.jp")
        self.assertEqual(driver("text", TITLE, MAIN["IDE_txtSmtpPort"])[1], "587")
        self.close(process)
        self.assertEqual((self.dir / "zqTervask.ini").read_bytes(), sjis(
            f"[zqTervask]\r\nSmtpServer=mail.example.jp\r\nSmtpPort=587\r\nSubject={subject}\r\n"
            "From=zq@example.jp\r\nTo=a@x;b@x\r\n"))

    def test_a_job_added_through_the_dialog_reaches_the_service(self):
        process = self.start()
        command = f"zq-console-e2e {os.getpid()} 週報.bat"
        driver("click", TITLE, MAIN["IDB_cmdAdd"])
        dialog = "ジョブの登録"
        self.assertEqual(driver("wait", dialog)[0], 0)
        driver("set", dialog, JOB["IDE_txtCommand"], command)
        driver("pick", dialog, JOB["IDC_comboCondition"], 1)
        driver("set", dialog, JOB["IDE_txtTime"], "23:59")
        driver("click", dialog, JOB["IDB_cmdSubmit"])
        added = driver("box", TITLE)[1]
        driver("answer", TITLE, 1)
        jobs = dict(line.split("\t", 1)[::-1] for line in driver("jobs")[1].splitlines())
        self.assertIn(command, jobs, "the service lists the job")
        self.addCleanup(driver, "deljob", jobs[command])
        self.assertEqual(added, f"ジョブ{jobs[command]}を追加しました。")
        driver("click", dialog, JOB["IDB_cmdClose"])
        self.assertEqual(driver("wait", dialog)[0], 1, "the dialog closed")
        self.close(process)

    def test_without_settings_file_empty_boxes_and_no_message(self):
        process = self.start()
        for name in ("IDE_txtSmtpServer", "IDE_txtSmtpSubject"):
            self.assertEqual(driver("text", TITLE, MAIN[name]), (0, ""))
        self.assertEqual(driver("nobox", TITLE)[0], 0)
        self.close(process)
        self.assertFalse((self.dir / "zqTervask.ini").exists())


if __name__ == "__main__":
    unittest.main()
