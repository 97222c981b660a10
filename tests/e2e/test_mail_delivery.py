"""The real zqPelmora.exe under Wine mails its report to the loopback test server, which
also misbehaves on cue at every step of the dialogue; Japanese subjects, file names and bodies
read the same in three kinds of readers (mail_readers)."""
import concurrent.futures
import email
import email.header
import email.policy
import re
import shutil
import time
import unittest

from mail_readers import charsets_of, expected_text, iconv_reader, joining_reader, raw_field
from mail_readers import whatwg_iso2022jp
from smtp_server import SmtpTestServer
from zq_e2e import PELMORA, parameter_text, run_program, temp_dir, win_path

TIMEOUT = 60  # the session time-out the report run passes
# More than one folded line; blanks between Japanese stretches and between Japanese and ASCII.
SUBJECT = "【定期】サーバー監視（自動送信 ABC-123）全角と半角 mixed テキスト終わり ｶﾞｲﾄﾞ"
# Subject, parameter file name (the log attached is NAME.log; the body names the file), the
# subject's charset.
CASES = [
    ("【定期報告】東京本社基幹業務系サーバー群週次稼働状況報告書送付", "週次報告.ini", "UTF-8"),
    ("①障害報告 ㈱サンプル情報システム部", "①障害 ㈱報告.ini", "UTF-8"),
    ("週次報告 東京本社 稼働状況 ABC-123 （定期）", "髙﨑 報告.ini", "ISO-2022-JP"),
    ("ｼｽﾃﾑ ｶﾞｲﾄﾞ ～ 定期 － 報告", "定期～報告.ini", "ISO-2022-JP"),
    ("x" * 57 + " 週報 " + "y" * 10, "r.ini", "ISO-2022-JP"),  # the word at the fold
]


def run_report(directory, server_port, to="a@example.jp;b@example.jp", host="127.0.0.1",
               commands=None, env=None, name="r.ini", subject=SUBJECT, extra=None):
    """Writes a parameter file, runs the sender; returns (exit code, seconds, output)."""
    param = directory / name
    values = {"SmtpServer": host, "SmtpPort": str(server_port), "SmtpFrom": "zq@example.jp",
              "SmtpTo": to, "SmtpSubject": subject, **(extra or {})}
    values.update(commands or {"Cmd1": "echo 日本語の出力"})
    param.write_bytes(parameter_text(values))
    started = time.monotonic()
    code, output = run_program(PELMORA, [win_path(param)], cwd=directory, timeout=TIMEOUT + 60,
                               env=env)
    return code, time.monotonic() - started, output


class MailDeliveryTest(unittest.TestCase):
    def setUp(self):
        self.dir = temp_dir("mail ")
        self.addCleanup(shutil.rmtree, self.dir, True)

    def test_report_reaches_two_recipients_and_decodes(self):
        # Replies in several segments and of several lines; the text read slowly.
        with SmtpTestServer(split=True, multiline=True, slow=True) as server:
            code, _, output = run_report(self.dir, server.port, to=" a@example.jp ;;b@example.jp;",
                                         env={"TZ": "Asia/Tokyo"}, name="週報 1.ini")
            self.assertTrue(server.wait_for_session_end(10))
        self.assertEqual(code, 0, output)
        session = server.sessions[0]
        self.assertRegex(session.commands[0], r"^HELO ([A-Za-z0-9.-]+|\[\d+\.\d+\.\d+\.\d+\])$")
        self.assertEqual(session.commands[1:],
                         ["MAIL FROM:<zq@example.jp>", "RCPT TO:<a@example.jp>",
                          "RCPT TO:<b@example.jp>", "DATA", ".", "QUIT"])
        # The text ends with its last line's CR LF, then the empty line before ".".
        self.assertTrue(session.wire.endswith(b"--\r\n\r\n"), session.wire[-40:])
        header = session.message.split(b"\r\n\r\n", 1)[0]
        self.assertTrue(all(len(line) <= 76 for line in header.split(b"\r\n")), header)
        message = email.message_from_bytes(session.message, policy=email.policy.default)
        expected_subject = SUBJECT.replace("ｶﾞｲﾄﾞ", "ガイド")
        self.assertEqual(str(message["Subject"]), expected_subject)
        self.assertEqual(str(email.header.make_header(email.header.decode_header(
            email.message_from_bytes(session.message)["Subject"]))), expected_subject)
        self.assertEqual([a.addr_spec for a in message["To"].addresses],
                         ["a@example.jp", "b@example.jp"])
        self.assertEqual(message["Date"].datetime.utcoffset().total_seconds(), 9 * 3600)
        body, attachment = list(message.iter_parts())
        lines = body.get_content().splitlines()
        self.assertEqual(lines[0][:5], "実行日付：")
        # Wine quotes the path, which holds a blank, on the command line.
        self.assertEqual(lines[2], f'実行パラメータ："{win_path(self.dir / "週報 1.ini")}"')
        self.assertEqual(lines[3], "*** 実行結果は添付ファイルを参照 ***")
        self.assertEqual(attachment.get_filename(), "週報 1.ini.log")
        self.assertEqual(attachment.get_content_type(), "text/plain")
        self.assertEqual(attachment.get_content_charset(), "shift_jis")
        self.assertEqual(attachment.get_payload(decode=True),
                         (self.dir / "週報 1.ini.log").read_bytes())
        trace = (self.dir / "週報 1.ini.mail.log").read_bytes().decode("cp932")
        self.assertRegex(trace, r"\d\d:\d\d:\d\d\.\d{3} > MAIL FROM:<zq@example.jp>\r\n")
        self.assertRegex(trace, r"(?s)< 250 2.0.0 queued\r\n[^<]*> QUIT\r\n.*< 221 [^\r]*\r\n")
        self.assertTrue(trace.endswith("* 終了コード 0\r\n"), trace[-80:])
        self.assertNotIn("実行日付", trace, "the message text is never traced")

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
            directory = temp_dir("mail ")
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
                shown = subject.replace("ｼｽﾃﾑ ｶﾞｲﾄﾞ", "システム ガイド")
                message = email.message_from_bytes(raw, policy=email.policy.default)
                subject_charsets = self.check_readers(raw_field(raw, "Subject"), shown)
                self.assertEqual(subject_charsets, [charset])
                self.assertEqual(str(message["Subject"]), expected_text(shown, charset))
                # The file part: its name in both forms, its bytes the log's own.
                log_name = name + ".log"
                name_words = re.search(r'name="([^"]*)"', raw_field(raw, "Content-Type")).group(1)
                self.check_readers(name_words, log_name)
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

    def test_every_misbehaviour_ends_the_program_with_its_code(self):
        cases = [
            ({"replies": {"greeting": "421 busy"}}, 5),
            ({"replies": {"greeting": "554 go away"}}, 5),
            ({"replies": {"helo": "501 bad name"}}, 6),
            ({"replies": {"helo": "421 closing"}}, 6),
            ({"replies": {"mail": "451 try later"}}, 7),
            ({"replies": {"rcpt1": "550 no such user"}}, 7),
            ({"replies": {"rcpt2": "450 mailbox busy"}}, 8),
            ({"replies": {"data": "554 no data"}}, 9),
            ({"replies": {"dot": "550 rejected"}}, 11),
            ({"replies": {"dot": "452 out of space"}}, 11),
            ({"close_at": "greeting"}, 3),
            ({"close_at": "helo"}, 3),
            ({"close_at": "mail"}, 3),
            ({"close_at": "rcpt1"}, 3),
            ({"close_at": "rcpt2"}, 3),
            ({"close_at": "data"}, 3),
            ({"close_at": "dot"}, 23),  # the server may have the mail
            ({"silent_at": "greeting"}, 12),
            ({"silent_at": "dot"}, 23),
            ({"delay_at": "dot"}, 0),  # slow, but within the time-out
            # A greeting of 999 continuation lines is read; one that never ends, or one reply
            # line of 5,000 bytes, is not.
            ({"replies": {"greeting": "".join(f"220-{i:046d}\r\n" for i in range(999)) +
                          "220 ready"}}, 0),
            ({"endless_at": "greeting"}, 5),
            ({"replies": {"helo": "250 " + "x" * 4996}}, 6),
        ]

        def run(case):
            cue, _ = case
            directory = temp_dir("mail ")
            self.addCleanup(shutil.rmtree, directory, True)
            with SmtpTestServer(**cue) as server:
                code, seconds, _ = run_report(directory, server.port)
            trace = (directory / "r.ini.mail.log").read_bytes().decode("cp932")
            return code, seconds, trace

        with concurrent.futures.ThreadPoolExecutor(max_workers=6) as pool:
            outcomes = list(pool.map(run, cases))
        for (cue, expected), (code, seconds, trace) in zip(cases, outcomes):
            with self.subTest(cue=cue):
                self.assertEqual(code, expected, trace)
                # Bounded by the time-out; the margin covers Wine starting on a machine loaded
                # by these six runs and the other end-to-end tests beside them.
                self.assertLess(seconds, TIMEOUT + 60)
                self.assertTrue(trace.endswith(f"* 終了コード {expected}\r\n"), trace[-300:])
                # Endless lines of 4,000 bytes reach the trace's cap before the reply's.
                self.assertLess(len(trace.encode("cp932")), 1024 * 1024 + 200)
                self.assertEqual("endless_at" in cue, "トレースが上限に達したため" in trace)

    def test_no_host_or_no_recipient_fails_at_once(self):
        probe = SmtpTestServer()
        closed_port = probe.port
        probe.stop()  # nothing listens there any more
        for host, port in (("zq-no-such-host.invalid", 25), ("127.0.0.1", closed_port)):
            with self.subTest(host=host):
                code, seconds, output = run_report(self.dir, port, host=host)
                self.assertEqual(code, 10, output)
                # "At once": well within the 60 s time-out, with the resolver slowed by the
                # parallel runs.
                self.assertLess(seconds, 45)
        trace = (self.dir / "r.ini.mail.log").read_bytes().decode("cp932")
        self.assertIn("終了コード 10", trace)
        with SmtpTestServer() as server:  # no address at all: no connection either
            code, _, output = run_report(self.dir, server.port, to=" ; ")
        self.assertEqual((code, server.sessions), (15, []), output)


class RetryTest(unittest.TestCase):
    """Delivery that survives a busy server, with SmtpRetryMinutes=1: tries at 0, 15 and 45 s,
    none after the minute; the Application log event seen through Wine's debug channel."""

    def run_case(self, case):
        directory = temp_dir("retry ")
        self.addCleanup(shutil.rmtree, directory, True)
        extra = {"SmtpRetryMinutes": "1", **case.get("extra", {})}
        with SmtpTestServer(**case.get("cue", {})) as server:
            port = case.get("port", server.port)
            code, seconds, output = run_report(
                directory, port, extra={k: v.format(port=server.port) for k, v in extra.items()},
                env={"ZQ_WINEDEBUG": "-all,fixme+advapi,+eventlog"})
            server.wait_for_session_end(10)
        trace = (directory / "r.ini.mail.log").read_bytes().decode("cp932")
        return code, seconds, output.decode("utf-8", "replace"), trace, server.sessions

    def test_busy_refusing_closing_and_unreachable_relays(self):
        probe = SmtpTestServer()
        closed_port = probe.port
        probe.stop()  # nothing listens there any more
        cases = [
            # 421 to the first connection, 451 to the end of the second message, then accepted.
            {"cue": {"per_session": [{"greeting": "421 4.3.2 busy"},
                                     {"dot": "451 4.3.0 try again later"}]}},
            {"cue": {"replies": {"rcpt1": "550 5.1.1 no such user"}}},
            {"cue": {"close_at": "dot"}},
            {"port": closed_port, "extra": {"SmtpServer2": "127.0.0.1", "SmtpPort2": "{port}"}},
        ]
        with concurrent.futures.ThreadPoolExecutor(max_workers=4) as pool:
            busy, refused, closed, second = pool.map(self.run_case, cases)

        code, seconds, output, trace, sessions = busy
        self.assertEqual((code, len(sessions)), (0, 3), trace)
        starts = [round(s.started - sessions[0].started) for s in sessions]
        self.assertTrue(13 <= starts[1] <= 19 and 42 <= starts[2] <= 50, starts)
        self.assertLess(seconds, 60 + TIMEOUT)  # the retry time plus one session time-out
        self.assertEqual(len(re.findall(r"\* 試行 \d: 127\.0\.0\.1:\d+\r\n", trace)), 3, trace)
        self.assertIn("15 秒後に試行 2", trace)
        self.assertIn("30 秒後に試行 3", trace)
        ids = {email.message_from_bytes(s.message)["Message-ID"] for s in sessions[1:]}
        self.assertEqual(len(ids), 1, "every try sends the same message")
        self.assertIsNone(sessions[0].message)
        self.assertRegex(trace, r"中継サーバー 127\.0\.0\.1:\d+ が受け付けました（試行 3 回）\r\n"
                                r"[^\r]* \* 終了コード 0\r\n$")
        # Wine's event log is a stub that prints the event: information, id 1000, and strings.
        self.assertRegex(output, r"ReportEventW \([^,]*,0x0004,0x0000,0x000003e8,")

        code, seconds, output, trace, sessions = refused
        self.assertEqual((code, len(sessions)), (7, 1), trace)
        self.assertLess(seconds, 30)
        self.assertRegex(output, r"ReportEventW \([^,]*,0x0001,0x0000,0x000003e9,")
        self.assertIn("550 5.1.1 no such user", output, "the last reply is in the event")

        code, seconds, output, trace, sessions = closed
        self.assertEqual((code, len(sessions)), (23, 1), trace)
        self.assertIsNotNone(sessions[0].message, "the message was handed over once")
        self.assertRegex(output, r"ReportEventW \([^,]*,0x0002,0x0000,0x000003ea,")

        code, seconds, output, trace, sessions = second
        self.assertEqual((code, len(sessions)), (0, 1), trace)
        self.assertLess(seconds, 30, "the second relay is tried at once")
        self.assertRegex(trace, rf"\* 試行 1: 127\.0\.0\.1:{closed_port}\r\n(.*\r\n)*"
                                r".*\* 試行 2: 127\.0\.0\.1:\d+\r\n")
        accepted = re.search(r"中継サーバー 127\.0\.0\.1:(\d+) が受け付けました（試行 2 回）", trace)
        self.assertNotEqual(int(accepted.group(1)), closed_port, trace)


if __name__ == "__main__":
    unittest.main()
