"""The real zqPelmora.exe under Wine: a report run from parameter file to report log."""
import re
import shutil
import unittest

from zq_e2e import (CRLF, PELMORA, RULE_DASH, RULE_EQ, parameter_text, run_program, sjis,
                    temp_dir, win_path)

SERVICE_HEADING = (CRLF + RULE_EQ + CRLF + sjis("サービス状態一覧") + CRLF + RULE_DASH + CRLF +
                   sjis("サービス 状態 表示名") + CRLF + RULE_DASH + CRLF)
STATES = "|".join(["停止", "開始中", "停止中", "開始", "継続中", "一時停止中", "一時停止"])
# Name padded or cut to 8 characters (ASCII names here), a blank, a state, a blank, the display name.
SERVICE_LINE = re.compile(rb"^[\x21-\x7e][\x20-\x7e]{7} (" + sjis(STATES) + rb") [^\r\n]*\r\n")


def command_heading(command):
    return (CRLF + RULE_EQ + CRLF + sjis(f"コマンド「{command}」実行結果") + CRLF + RULE_DASH +
            CRLF)


def event_heading(display_name):
    return (CRLF + RULE_EQ + CRLF + sjis(f"イベント「{display_name}」") + CRLF + RULE_DASH + CRLF +
            sjis("種類   日付       時刻     ソース  分類 イベント ユーザ コンピュータ") + CRLF +
            RULE_DASH + CRLF)


def split_service_section(log):
    """The service lines after the heading, and what follows them."""
    assert log.startswith(SERVICE_HEADING), log[:200]
    rest = log[len(SERVICE_HEADING):]
    lines = []
    while True:
        match = SERVICE_LINE.match(rest)
        if not match:
            return lines, rest
        lines.append(match.group(0))
        rest = rest[match.end():]


class ReportRunTest(unittest.TestCase):
    def setUp(self):
        self.dir = temp_dir("report run ")  # the blank must survive the redirection
        self.addCleanup(shutil.rmtree, self.dir, True)

    def test_services_and_commands_give_the_exact_layout(self):
        source = self.dir / "sjis input.txt"
        typed = sjis("表ソ\\|ｱｲｳ予定能\r\n二行目\r\n")
        source.write_bytes(typed)
        (self.dir / "logs").mkdir()
        (self.dir / "logs" / "today.log").write_bytes(b"today\r\n")
        commands = {
            "Cmd1": "echo 日本語の出力",
            "Cmd2": "zq_no_such_command_xyz",
            "Cmd3": "set /p ANSWER=入力してください:",
            # Another folder, two commands chained, one writing to standard error.
            "Cmd4": f'cd /d "{win_path(self.dir / "logs")}" & type today.log & echo 標準エラー 1>&2',
            "Cmd5": f'type "{win_path(source)}"',
        }
        param = self.dir / "r.ini"
        param.write_bytes(parameter_text({"Service": "ALL", **commands}))

        code, output = run_program(PELMORA, [win_path(param)], cwd=self.dir)
        self.assertEqual(code, 0, output)

        log = (self.dir / "r.ini.log").read_bytes()
        services, rest = split_service_section(log)
        names = [line[:8].rstrip() for line in services]
        self.assertIn(b"RpcSs", names)
        self.assertIn(b"Spooler", names)
        self.assertGreaterEqual(len(services), 5)
        # The interpreter's own words for an unknown command, on one line under its header.
        unknown = re.search(re.escape(command_heading(commands["Cmd2"])) + rb"([^\r\n]+\r\n)",
                            rest)
        self.assertIsNotNone(unknown, rest)
        self.assertIn(b"zq_no_such_command_xyz", unknown.group(1))
        expected = (command_heading(commands["Cmd1"]) + sjis("日本語の出力") + CRLF +
                    command_heading(commands["Cmd2"]) + unknown.group(1) +
                    command_heading(commands["Cmd3"]) + sjis("入力してください:") +
                    command_heading(commands["Cmd4"]) + b"today" + CRLF + sjis("標準エラー ") + CRLF +
                    command_heading(commands["Cmd5"]) + typed)
        self.assertEqual(rest, expected)

    def test_relative_and_quoted_paths_read_the_file_beside_the_log(self):
        param = self.dir / "週報 1.ini"
        param.write_bytes(parameter_text({"Cmd2": "cd .. & echo ok"}))
        # Relative to the current directory, as the scheduled batch file passes it.
        code, output = run_program(PELMORA, ["週報 1.ini"], cwd=self.dir)
        self.assertEqual(code, 0, output)
        self.assertEqual((self.dir / "週報 1.ini.log").read_bytes(),
                         command_heading("cd .. & echo ok") + b"ok" + CRLF)

    def test_a_parameter_file_that_is_not_there_writes_nothing(self):
        # A mistyped path, no path at all, or a directory: exit code 14, no file, no box.
        (self.dir / "adir").mkdir()
        for args in (["mistyped.ini"], [], ["adir"]):
            with self.subTest(args=args):
                code, output = run_program(PELMORA, args, cwd=self.dir, timeout=60)
                self.assertEqual(code, 14, output)
                self.assertEqual(sorted(p.name for p in self.dir.iterdir()), ["adir"])

    def test_event_sections_in_fixed_order(self):
        # Wine's event logs hold no records: each section is its heading, with no failure line.
        param = self.dir / "r.ini"
        param.write_bytes(parameter_text({"Event": "EAS", "EventDays": "7", "Cmd1": "echo after"}))
        code, output = run_program(PELMORA, [win_path(param)], cwd=self.dir)
        self.assertEqual(code, 0, output)
        self.assertEqual((self.dir / "r.ini.log").read_bytes(),
                         event_heading("システム") + event_heading("セキュリティ") +
                         event_heading("アプリケーション") + command_heading("echo after") +
                         b"after" + CRLF)

    def test_a_log_that_cannot_be_created_gives_a_failure_exit_code(self):
        param = self.dir / "r.ini"
        param.write_bytes(parameter_text({"Service": "ALL"}))
        (self.dir / "r.ini.log").mkdir()  # the log's name is taken by a directory
        code, output = run_program(PELMORA, [win_path(param)], cwd=self.dir)
        self.assertEqual(code, 13, output)


if __name__ == "__main__":
    unittest.main()
