"""The real zqTervask.exe under Wine, worked from another process by zq_driver.exe, from a
program folder whose name holds a blank and Japanese: start-up beside a settings file, the
mail settings dialog saving through the real program, jobs, report submissions that run the
real zqPelmora.exe at once or through the batch file of a registered job, refusals that write
nothing, and the end of the program."""
import email
import email.policy
import ssl
import os
import re
import shutil
import subprocess
import time
import unittest
from pathlib import Path

from smtp_server import SmtpTestServer
from zq_e2e import (PELMORA, ROOT, WINE, make_ca, make_cert, run_program, sjis, temp_dir,
                    win_path)

BIN = Path(os.environ.get("ZQ_TERVASK", ROOT / "build" / "win64" / "bin" / "zqTervask.exe")).parent
TITLE = "zqTervask"


def control_ids(header):
    text = (ROOT / "console" / header).read_text()
    return {name: int(value) for name, value in re.findall(r"#define (\w+) (\d+)", text)}


MAIN = control_ids("frmTervaskIds.h")
DIALOG = control_ids("frmMailSettingIds.h")
JOB = {**control_ids("jobs/ScheduleControlIds.h"), **control_ids("jobs/frmAddJobIds.h")}


RULE = ";" + "-" * 59
CREATED = re.compile(r";このパラメータファイルは\d{4}/\d\d?/\d\d? \d\d?:\d\d:\d\dに作成されました。")
KEY_COMMENTS = """;Event       : (S)ystem, s(E)curity, (A)pplication
;EventDays   : (指定日数前から現在まで)
;Service     : ALL(すべて), Start(開始), Stop(停止)
;Cmd1        : (コンソールコマンド１)
;Cmd2        : (コンソールコマンド２)
;Cmd3        : (コンソールコマンド３)
;Cmd4        : (コンソールコマンド４)
;Cmd5        : (コンソールコマンド５)
;SmtpServer  :（SMTPサーバのホスト名もしくはIPアドレス）
;SmtpPort   :（SMTPサーバのポート番号）
;SmtpFrom   :（メールの送信元アドレス）
;SmtpTo     :（メールの送信先アドレス）
;SmtpSubject:（メールのタイトル）""".split("\n")


def answer(button):
    """Answers the console's box and waits until it is gone."""
    driver("answer", TITLE, button)
    for _ in range(50):
        if driver("nobox", TITLE)[0] == 0:
            return
        time.sleep(0.2)


def driver(*args):
    code, output = run_program(BIN / "zq_driver.exe", args, timeout=60, errors=False)
    return code, output.decode("cp932")


def pressed_test_send(settings):
    """Presses テスト送信 in the mail settings dialog; the text of the box that reports it."""
    driver("click", settings, DIALOG["IDB_cmdTestSend"])
    shown = ""
    for _ in range(6):  # the send takes a few seconds
        shown = driver("box", TITLE)[1]
        if shown:
            break
    return shown


class ConsoleTest(unittest.TestCase):
    def setUp(self):
        self.dir = temp_dir("console 週報 ")
        self.addCleanup(shutil.rmtree, self.dir, True)
        shutil.copy(BIN / "zqTervask.exe", self.dir)
        shutil.copy(PELMORA, self.dir)

    def start(self, *switches):
        process = subprocess.Popen([str(WINE), str(self.dir / "zqTervask.exe"), *switches], cwd=ROOT,
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
            "From=zq@example.jp\r\nTo=a@x;b@x\r\nSmtpSecurity=\r\nSmtpUser=\r\nSmtpPassword=\r\n"
            "SmtpServer2=\r\nSmtpPort2=\r\nSmtpAuth=\r\nSmtpOAuthTokenUrl=\r\nSmtpOAuthClientId=\r\n"
            "SmtpOAuthScope=\r\nSmtpOAuthSecret=\r\nSmtpOAuthKeyFile=\r\nSmtpOAuthSubject=\r\n"))

    def fill_report(self, port):
        """Services, one command and mail to the loopback server on `port`."""
        for section in (1, 2, 3):
            driver("check", TITLE, MAIN["IDX_chkJob0"] + section, 1)
        driver("set", TITLE, MAIN["IDE_txtCommand0"], "echo 週報の出力")
        for name, value in (("IDE_txtSmtpServer", "127.0.0.1"), ("IDE_txtSmtpPort", str(port)),
                            ("IDE_txtSmtpFrom", "zq@example.jp"), ("IDE_txtSmtpTo", "a@example.jp"),
                            ("IDE_txtSmtpSubject", "週報")):
            driver("set", TITLE, MAIN[name], value)

    def check_parameter_file(self, path, port):
        lines = path.read_bytes().decode("cp932").split("\r\n")
        self.assertRegex(lines[16], CREATED)
        lines[16] = "(created)"
        self.assertEqual(lines, [
            RULE, ";" + win_path(self.dir / "zqPelmora.exe") + "の実行パラメータ", *KEY_COMMENTS,
            RULE, "(created)", RULE, "[zqPelmora.exe]", "", "", "Service=ALL",
            'Cmd1="echo 週報の出力"', "", "", "", "", "SmtpServer=127.0.0.1", f"SmtpPort={port}",
            "SmtpFrom=zq@example.jp", "SmtpTo=a@example.jp", "SmtpSubject=週報",
            "SmtpSecurity=", "SmtpUser=", "SmtpPassword=", "SmtpCaFile=", "SmtpRetryMinutes=10",
            "SmtpServer2=", "SmtpPort2=", "SmtpAuth=", "SmtpOAuthTokenUrl=", "SmtpOAuthClientId=",
            "SmtpOAuthScope=", "SmtpOAuthSecret=", "SmtpOAuthKeyFile=", "SmtpOAuthSubject=", "", ""])

    def check_mail(self, server, name):
        self.assertTrue(server.wait_for_session_end(120), "the report was mailed")
        message = email.message_from_bytes(server.sessions[0].message, policy=email.policy.default)
        attachment = list(message.iter_parts())[1]
        self.assertEqual(attachment.get_payload(decode=True),
                         (self.dir / "CMD" / (name + ".log")).read_bytes())

    def report_names(self):
        return sorted(p.name for p in (self.dir / "CMD").iterdir() if "." not in p.name)

    def test_run_now_mails_the_report_the_real_sender_wrote(self):
        with SmtpTestServer() as server:
            process = self.start()
            self.fill_report(server.port)
            driver("pick", TITLE, JOB["IDC_comboCondition"], 0)
            driver("click", TITLE, JOB["IDB_cmdSubmit"])
            self.assertTrue(server.wait_for_session_end(120), "the report was mailed")
            (name,) = self.report_names()
            self.check_mail(server, name)
        self.check_parameter_file(self.dir / "CMD" / name, server.port)
        self.assertEqual(driver("nobox", TITLE)[0], 0)
        self.close(process)

    def test_a_weekly_report_job_runs_through_its_batch_file(self):
        with SmtpTestServer() as server:
            process = self.start("/scheduler:at")
            self.fill_report(server.port)
            driver("pick", TITLE, JOB["IDC_comboCondition"], 2)
            driver("check", TITLE, JOB["IDX_chkWeek0"], 1)
            driver("set", TITLE, JOB["IDE_txtWeekTime"], "03:00")
            driver("click", TITLE, JOB["IDB_cmdSubmit"])
            added = driver("box", TITLE)[1]
            driver("answer", TITLE, 1)
            (name,) = self.report_names()
            batch = self.dir / "CMD" / (name + ".CMD")
            jobs = dict(line.split("\t", 1)[::-1] for line in driver("jobs")[1].splitlines())
            command = f'"{win_path(batch)}"'
            self.assertIn(command, jobs, "the service lists the quoted batch file")
            self.addCleanup(driver, "deljob", jobs[command])
            self.assertEqual(added, f"ジョブ{jobs[command]}を追加しました。")
            self.check_parameter_file(self.dir / "CMD" / name, server.port)
            self.assertEqual(batch.read_bytes(), sjis(
                f"Z:\r\nCD {win_path(self.dir)}\r\n"
                f"\"{win_path(self.dir / 'zqPelmora.exe')}\" CMD\\{name}\r\n"))
            # Wine never fires a job: run its command as the service would.
            list_id = MAIN["IDV_lstJobs"]
            self.assertEqual(self.last_run(list_id, command, "^未実行$"), "未実行")
            code, output = run_program("cmd", ["/c", win_path(batch)], cwd=ROOT)
            self.assertEqual(code, 0, output)
            self.check_mail(server, name)
            driver("click", TITLE, MAIN["IDB_cmdRefresh"])
            success = r"^\d{4}/\d\d/\d\d \d\d:\d\d 0: 送信に成功しました。$"
            self.assertRegex(self.last_run(list_id, command, success), success)
        self.close(process)

    def last_run(self, list_id, command, pattern):
        """The 前回結果 of the job list's row for `command`, once it matches `pattern` or after
        20 s: the list fills from the scheduler's thread."""
        deadline, shown = time.monotonic() + 20, None
        while time.monotonic() < deadline:
            commands = driver("cells", TITLE, list_id, 6)[1].splitlines()
            results = driver("cells", TITLE, list_id, 7)[1].splitlines()
            shown = results[commands.index(command)] if command in commands else None
            if shown is not None and re.search(pattern, shown):
                break
            time.sleep(0.5)
        return shown

    def test_refused_submissions_write_nothing(self):
        process = self.start()
        driver("check", TITLE, MAIN["IDX_chkJob0"] + 1, 1)
        steps = (
            ([], "実行方法を選択してください！"),
            ([("pick", JOB["IDC_comboCondition"], 1), ("set", JOB["IDE_txtTime"], "24:00")],
             "時刻のフォーマットが正しくありません！"),
            ([("pick", JOB["IDC_comboCondition"], 0), ("check", MAIN["IDX_chkJob0"] + 3, 1),
              ("set", MAIN["IDE_txtSmtpServer"], "mail.example.jp"),
              ("set", MAIN["IDE_txtSmtpFrom"], "a@x"), ("set", MAIN["IDE_txtSmtpTo"], "b@x"),
              ("set", MAIN["IDE_txtSmtpSubject"], "s"), ("set", MAIN["IDE_txtSmtpPort"], "0")],
             "ポート番号は1から65535の数値で指定してください。"),
        )
        for actions, message in steps:
            for action, *args in actions:
                driver(action, TITLE, *args)
            driver("click", TITLE, JOB["IDB_cmdSubmit"])
            self.assertEqual(driver("box", TITLE)[1], message)
            driver("answer", TITLE, 1)
            self.assertFalse((self.dir / "CMD").exists(), message)
        # A job runs the sender as SYSTEM: a folder anyone may change is never registered.
        os.chmod(self.dir, 0o777)
        driver("check", TITLE, MAIN["IDX_chkJob0"] + 3, 0)
        driver("pick", TITLE, JOB["IDC_comboCondition"], 1)
        driver("set", TITLE, JOB["IDE_txtTime"], "23:59")
        driver("click", TITLE, JOB["IDB_cmdSubmit"])
        shown = driver("box", TITLE)[1].replace("\r\r\n", "\r\n")
        self.assertTrue(shown.startswith("レポートジョブは SYSTEM として実行されるため"), shown)
        self.assertIn(f"\r\n{win_path(self.dir)}\r\nEveryone に変更の権限があります。", shown)
        driver("answer", TITLE, 1)
        self.assertFalse((self.dir / "CMD").exists())
        self.close(process)

    def test_test_send_with_a_login_and_a_certificate_refused(self):
        certs = temp_dir("certs ")
        self.addCleanup(shutil.rmtree, certs, True)
        contexts = []
        for ca in ("own", "stranger"):
            make_ca(certs, ca)
            make_cert(certs, f"{ca}-server", ca, "localhost")
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(certs / f"{ca}-server.pem", certs / f"{ca}-server.key")
            contexts.append(context)
        password = "秘密-pass"
        with SmtpTestServer(tls="starttls", context=contexts[0], auth=("zq", password)) as good, \
                SmtpTestServer(tls="starttls", context=contexts[1]) as strange:
            (self.dir / "zqTervask.ini").write_bytes(sjis(
                f"[zqTervask]\r\nSmtpServer=localhost\r\nSmtpPort=25\r\nFrom=zq@example.jp\r\n"
                f"To=a@example.jp\r\nSubject=テスト\r\nSmtpCaFile={win_path(certs / 'own.pem')}\r\n"))
            process = self.start()
            driver("command", TITLE, MAIN["IDB_cmdButton1"])
            settings = "設定 - zqTervask"
            driver("pick", settings, DIALOG["IDC_cboSecurity"], 1)
            self.assertEqual(driver("text", settings, DIALOG["IDE_txtSmtpPort"])[1], "587")
            for name, value in (("IDE_txtSmtpPort", good.port), ("IDE_txtUser", "zq"),
                                ("IDE_txtPassword", password)):
                driver("set", settings, DIALOG[name], value)
            for port, expected in ((good.port, "テスト送信に成功しました。"),
                                   (strange.port, "テスト送信に失敗しました。")):
                driver("set", settings, DIALOG["IDE_txtSmtpPort"], port)
                shown = pressed_test_send(settings)
                self.assertTrue(shown.startswith(expected), shown)
                self.assertEqual("終了コード 19:" in shown, port == strange.port, shown)
                self.assertIn("STARTTLS", shown, "the session trace is shown")
                driver("answer", TITLE, 1)
            self.assertTrue(good.sessions[0].authenticated)
            self.assertIsNotNone(good.sessions[0].message)
            self.assertIsNone(strange.sessions[0].message)
            driver("click", settings, DIALOG["IDB_cmdButton0"])
            self.assertEqual(driver("box", TITLE)[1], "設定が変更されました！")
            driver("answer", TITLE, 1)
            self.close(process)
        ini = (self.dir / "zqTervask.ini").read_bytes()
        self.assertIn(b"SmtpSecurity=STARTTLS\r\nSmtpUser=zq\r\nSmtpPassword=", ini)
        for secret in (password.encode("cp932"), password.encode("utf-8")):
            self.assertNotIn(secret, ini)
        temp = list((ROOT / "build").glob("wine/drive_c/users/*/Temp/zq-test-send-*"))
        self.assertEqual(temp, [], "the test send leaves no files")

    def test_task_scheduler_jobs_are_added_listed_and_deleted(self):
        tasks = ROOT / "build" / "wine" / "drive_c" / "windows" / "system32" / "tasks" / "zq"
        for left in tasks.iterdir() if tasks.exists() else ():  # from runs that broke off
            left.unlink()
        before = set()
        process = self.start("/scheduler:task")
        driver("click", TITLE, MAIN["IDB_cmdAdd"])
        dialog = "ジョブの登録"
        # An unquoted program path with blanks: the task starts that program.
        program = self.dir / f"夜間 backup {os.getpid()}.bat"
        program.write_bytes(b"@exit /b 0\r\n")
        driver("set", dialog, JOB["IDE_txtCommand"], f"{win_path(program)} /full")
        driver("pick", dialog, JOB["IDC_comboCondition"], 1)
        driver("set", dialog, JOB["IDE_txtTime"], "23:59")
        driver("click", dialog, JOB["IDB_cmdSubmit"])
        self.assertRegex(driver("box", TITLE)[1], r"^ジョブ\d+を追加しました。$")
        driver("answer", TITLE, 1)
        driver("click", dialog, JOB["IDB_cmdClose"])
        driver("check", TITLE, MAIN["IDX_chkJob0"] + 1, 1)
        driver("pick", TITLE, JOB["IDC_comboCondition"], 2)
        driver("check", TITLE, JOB["IDX_chkWeek0"], 1)
        driver("set", TITLE, JOB["IDE_txtWeekTime"], "03:00")
        driver("click", TITLE, JOB["IDB_cmdSubmit"])
        self.assertRegex(driver("box", TITLE)[1], r"^ジョブ\d+を追加しました。$")
        driver("answer", TITLE, 1)
        added = set(tasks.iterdir()) - before
        self.assertEqual(len(added), 2, "two tasks under \\zq")
        self.assertEqual(driver("enabled", TITLE, MAIN["IDB_cmdDelete"])[1], "1", "listed")
        for task in sorted(added):
            driver("key", TITLE, MAIN["IDV_lstJobs"], 36)  # Home: the first row
            driver("click", TITLE, MAIN["IDB_cmdDelete"])
            self.assertRegex(driver("box", TITLE)[1], r"^ジョブ\d+を削除しますか？$")
            answer(6)
        self.assertEqual(set(tasks.iterdir()) & added, set())
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
