"""Helpers for the end-to-end tests: run the real programs in the project's Wine prefix."""
import os
import subprocess
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
WINE = ROOT / "scripts" / "wine"
PELMORA = Path(os.environ.get("ZQ_PELMORA", ROOT / "build" / "win64" / "bin" / "zqPelmora.exe"))

RULE_EQ = b"=" * 69
RULE_DASH = b"-" * 69
CRLF = b"\r\n"


def win_path(path):
    """The Windows name of a host path (Wine maps the host's root to drive Z:)."""
    return "Z:" + str(path).replace("/", "\\")


def sjis(text):
    return text.encode("cp932")


def temp_dir(name="zq e2e "):
    base = ROOT / "build" / "e2e"
    base.mkdir(parents=True, exist_ok=True)
    return Path(tempfile.mkdtemp(prefix=name, dir=base))


def parameter_text(values):
    """A report parameter file as the console writes it: 33 CP932 lines with CR LF."""
    sep = ";" + "-" * 59
    lines = [
        sep,
        ";C:\\zq\\zqPelmora.exeの実行パラメータ",
        ";Event       : (S)ystem, s(E)curity, (A)pplication",
        ";EventDays   : (指定日数前から現在まで)",
        ";Service     : ALL(すべて), Start(開始), Stop(停止)",
    ] + [f";Cmd{i}        : (コンソールコマンド{chr(0xFF10 + i)})" for i in range(1, 6)] + [
        ";SmtpServer  :（SMTPサーバのホスト名もしくはIPアドレス）",
        ";SmtpPort   :（SMTPサーバのポート番号）",
        ";SmtpFrom   :（メールの送信元アドレス）",
        ";SmtpTo     :（メールの送信先アドレス）",
        ";SmtpSubject:（メールのタイトル）",
        sep,
        ";このパラメータファイルは2026/12/06 09:00:00に作成されました。",
        sep,
        "[zqPelmora.exe]",
    ]
    keys = ["Event", "EventDays", "Service", "Cmd1", "Cmd2", "Cmd3", "Cmd4", "Cmd5",
            "SmtpServer", "SmtpPort", "SmtpFrom", "SmtpTo", "SmtpSubject"]
    for key in keys:
        value = values.get(key)
        if value is None:
            lines.append("")
        elif key.startswith("Cmd"):
            lines.append(f'{key}="{value}"')
        else:
            lines.append(f"{key}={value}")
    return sjis("\r\n".join(lines) + "\r\n\r\n")


def run_program(program, args, cwd, timeout=180):
    """Runs a Windows program under Wine and waits for its end; returns the exit code."""
    done = subprocess.run([str(WINE), str(program), *args], cwd=cwd, timeout=timeout,
                          stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    return done.returncode, done.stdout
