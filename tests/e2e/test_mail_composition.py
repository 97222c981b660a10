"""A composed message read back by Python's email package: subject, body lines, file names
and the attachments' exact bytes."""
import email
import email.policy
import os
import random
import shutil
import unittest
from pathlib import Path

from zq_e2e import ROOT, run_program, sjis, temp_dir, win_path

# The Windows build, run under Wine, so file names reach the file system through the real
# CP932 file API.
COMPOSE = Path(os.environ.get("ZQ_COMPOSE", ROOT / "build" / "win64" / "bin" / "zq_compose.exe"))


def compose(directory, subject, body, attachments, from_name=""):
    inputs = directory / "inputs.txt"
    inputs.write_bytes(sjis("\r\n".join([subject, "zq@example.jp", from_name,
                                         "a@example.jp;b@example.jp", attachments, ""])) +
                       sjis(body))
    output = directory / "mail.txt"
    code, printed = run_program(COMPOSE, [win_path(inputs), win_path(output)], cwd=directory)
    assert code == 0, printed
    return output.read_bytes()


class MailCompositionTest(unittest.TestCase):
    def setUp(self):
        self.dir = temp_dir("compose ")
        self.addCleanup(shutil.rmtree, self.dir, True)

    def test_multipart_message_decodes_to_its_inputs(self):
        report = self.dir / "週報 2026.log"
        report_bytes = sjis("サービス状態一覧\r\n表ソ\\\r\n") + bytes(random.Random(5).randbytes(70001))
        report.write_bytes(report_bytes)
        empty = self.dir / "empty.log"
        empty.write_bytes(b"")
        subject = "週次レポート（サーバ）ｶﾞｲﾄﾞ " + "長い件名" * 10
        body = "実行日付：2026/12/06\r\n実行時刻：9:05:01\r\n*** 実行結果は添付ファイルを参照 ***"
        text = compose(self.dir, subject, body, f"{win_path(report)},{win_path(empty)}")

        self.assertTrue(all(b < 0x80 for b in text))
        self.assertTrue(all(len(line) <= 998 for line in text.split(b"\r\n")))
        message = email.message_from_bytes(text, policy=email.policy.default)
        # The header widens half-width katakana one for one, and a blank between two
        # Japanese stretches falls between encoded words, where readers drop it.
        self.assertEqual(str(message["Subject"]).strip(),
                         subject.replace("ｶﾞｲﾄﾞ ", "カ゛イト゛"))
        self.assertIn(b"\r\nTo:a@example.jp;b@example.jp\r\n", text)
        self.assertEqual(message["MIME-Version"], "1.0")
        self.assertEqual(message["Date"].datetime.utcoffset().total_seconds(), 9 * 3600)
        parts = list(message.iter_parts())
        self.assertEqual(parts[0].get_content_type(), "text/plain")
        self.assertEqual(parts[0].get_content().splitlines(), body.split("\r\n"))
        files = [p for p in parts if p.get_content_type() == "application/octet-stream"]
        self.assertEqual([p.get_filename() for p in files], [report.name, "empty.log"])
        self.assertEqual(files[0].get_payload(decode=True), report_bytes)
        self.assertEqual(files[1].get_payload(decode=True), b"")


if __name__ == "__main__":
    unittest.main()
