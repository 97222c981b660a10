"""The real zqPelmora.exe under Wine mails its report to the loopback test server, which
also misbehaves on cue at every step of the dialogue."""
import concurrent.futures
import email
import email.header
import email.policy
import shutil
import time
import unittest

from smtp_server import SmtpTestServer
from zq_e2e import PELMORA, parameter_text, run_program, temp_dir, win_path

TIMEOUT = 60  # the session time-out the report run passes
# More than one folded line; blanks between Japanese stretches and between Japanese and ASCII.
SUBJECT = "【定期】サーバー監視（自動送信 ABC-123）全角と半角 mixed テキスト終わり ｶﾞｲﾄﾞ"


def run_report(directory, server_port, to="a@example.jp;b@example.jp", host="127.0.0.1",
               commands=None, env=None, name="r.ini", subject=SUBJECT):
    """Writes a parameter file, runs the sender; returns (exit code, seconds, output)."""
    param = directory / name
    values = {"SmtpServer": host, "SmtpPort": str(server_port), "SmtpFrom": "zq@example.jp",
              "SmtpTo": to, "SmtpSubject": subject}
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
            ({"close_at": "dot"}, 3),
            ({"silent_at": "greeting"}, 12),
            ({"silent_at": "dot"}, 12),
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


if __name__ == "__main__":
    unittest.main()
