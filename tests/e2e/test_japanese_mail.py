"""Japanese subjects, file names and bodies mailed by the real zqPelmora.exe under Wine read
the same in three kinds of readers (mail_readers): one charset per field, ISO-2022-JP only
where it is exact and can be cut next to ASCII, else UTF-8."""
import concurrent.futures
import email
import email.policy
import re
import shutil
import unittest

from mail_readers import charsets_of, expected_text, iconv_reader, joining_reader, whatwg_iso2022jp
from smtp_server import SmtpTestServer
from test_mail_delivery import run_report
from zq_e2e import temp_dir, win_path

# Subject, parameter file name (the log attached is NAME.log; the body names the file), the
# subject's charset.
CASES = [
    ("【定期報告】東京本社基幹業務系サーバー群週次稼働状況報告書送付", "週次報告.ini", "UTF-8"),
    ("①障害報告 ㈱サンプル情報システム部", "①障害 ㈱報告.ini", "UTF-8"),
    ("週次報告 東京本社 稼働状況 ABC-123 （定期）", "髙﨑 報告.ini", "ISO-2022-JP"),
    ("ｼｽﾃﾑ ｶﾞｲﾄﾞ ～ 定期 － 報告", "定期～報告.ini", "ISO-2022-JP"),
    ("x" * 57 + " 週報 " + "y" * 10, "r.ini", "ISO-2022-JP"),  # the word at the fold
]
WIDENED = {"ｼｽﾃﾑ ｶﾞｲﾄﾞ": "システム ガイド"}


def raw_field(message, name):
    """The field's value as it went out: folds kept, nothing decoded."""
    header = message.split(b"\r\n\r\n", 1)[0].decode("ascii")
    match = re.search(rf"(?im)^{name}:([^\r\n]*(?:\r\n[ \t][^\r\n]*)*)", header)
    return match.group(1)


def raw_part_field(message, name):
    """A field of the file part (the last part), raw."""
    part = message.rsplit(b"\r\n--zqFelmar Attachment Boundary\r\n", 1)[1]
    return raw_field(part, name)


class JapaneseMailTest(unittest.TestCase):
    def check_readers(self, raw, text):
        charsets = charsets_of(raw)
        self.assertLessEqual(len(charsets), 1, raw)
        expected = expected_text(text, charsets[0] if charsets else None)
        self.assertEqual(joining_reader(raw), expected, raw)
        self.assertEqual(iconv_reader(raw), expected, raw)
        return charsets

    def test_every_reader_reads_subject_file_name_and_body_as_written(self):
        def run(case):
            subject, name, _ = case
            directory = temp_dir("jmail ")
            self.addCleanup(shutil.rmtree, directory, True)
            with SmtpTestServer() as server:
                code, _, output = run_report(directory, server.port, name=name, subject=subject)
                server.wait_for_session_end(10)
            return directory, code, output, server.sessions

        with concurrent.futures.ThreadPoolExecutor(max_workers=3) as pool:
            outcomes = list(pool.map(run, CASES))
        for (subject, name, charset), (directory, code, output, sessions) in zip(CASES, outcomes):
            with self.subTest(subject=subject):
                self.assertEqual(code, 0, output)
                raw = sessions[0].message
                self.assertTrue(all(len(line) <= 76 for line in raw.split(b"\r\n\r\n")[0]
                                    .split(b"\r\n")))
                shown = subject
                for half, full in WIDENED.items():
                    shown = shown.replace(half, full)
                message = email.message_from_bytes(raw, policy=email.policy.default)
                subject_charsets = self.check_readers(raw_field(raw, "Subject"), shown)
                self.assertEqual(subject_charsets, [charset])
                self.assertEqual(str(message["Subject"]),
                                 expected_text(shown, charset))
                # The file part: its name in both forms, its bytes the log's own.
                log_name = name + ".log"
                self.check_readers(re.sub(r".*name=\"([^\"]*)\".*", r"\1",
                                          unfold_one(raw_part_field(raw, "Content-Type"))), log_name)
                body, attachment = list(message.iter_parts())
                self.assertEqual(attachment.get_filename(), log_name)
                self.assertEqual(attachment.get_content_charset(), "shift_jis")
                self.assertEqual(attachment.get_payload(decode=True),
                                 (directory / log_name).read_bytes())
                # The body names the parameter file: UTF-8 when it holds ① and the like.
                lines = body.get_content().splitlines()
                body_charset = body.get_content_charset()
                self.assertEqual(lines[2], expected_text(
                    f'実行パラメータ："{win_path(directory / name)}"',
                    "ISO-2022-JP" if body_charset == "iso-2022-jp" else body_charset))
                if body_charset == "iso-2022-jp":
                    self.assertNotIn("\ufffd", whatwg_iso2022jp(body.get_payload(decode=True)))
                self.assertEqual(body_charset,
                                 "utf-8" if re.search("[①㈱髙﨑]", name) else "iso-2022-jp")


def unfold_one(value):
    return re.sub(r"\r\n[ \t]", " ", value)


if __name__ == "__main__":
    unittest.main()
