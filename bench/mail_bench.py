"""Mail delivery benchmark: the real zqPelmora.exe under Wine mails reports of about 1 MB
and 50 MB (a command types a large CP932 file into the report) to the loopback test server,
in plain SMTP and over STARTTLS; curl then sends the very message the server received, in
the same run. For each: the time the server measures from DATA to the end of the message,
the whole run's time, and the sender's peak resident memory (VmHWM, Wine's own share
included)."""
import os
import shutil
import ssl
import subprocess
import sys
import threading
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
from smtp_server import SmtpTestServer  # noqa: E402
from zq_e2e import (PELMORA, WINE, make_ca, make_cert, parameter_text, temp_dir,  # noqa: E402
                    win_path)

LINE = "2026/12/06 09:00:00 サービス監視 日本語の出力行です。ﾃｽﾄ ABCDEFGHIJ 0123456789\r\n"


def report_source(directory, megabytes):
    path = directory / f"typed-{megabytes}mb.txt"
    line = LINE.encode("cp932")
    with open(path, "wb") as out:
        out.write(line * (megabytes * 1024 * 1024 // len(line)))
    return path


def run_sender(directory, port, typed, ca_file=None):
    param = directory / "r.ini"
    param.write_bytes(parameter_text({
        "Cmd1": f'type "{win_path(typed)}"', "SmtpServer": "localhost" if ca_file else "127.0.0.1",
        "SmtpPort": str(port), "SmtpFrom": "zq@example.jp", "SmtpTo": "admin@example.jp",
        "SmtpSubject": "週報", "SmtpSecurity": "STARTTLS" if ca_file else None,
        "SmtpCaFile": win_path(ca_file) if ca_file else None}))
    started = time.monotonic()
    process = subprocess.Popen([str(WINE), str(PELMORA), win_path(param)], cwd=directory,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    peak = PeakMemory(process.pid)
    code = process.wait()
    return code, time.monotonic() - started, peak.stop()


class PeakMemory:
    """The peak resident size (VmHWM) of one process, read until it ends. Wine runs the
    program in the process it was started as, so command children are not counted."""

    def __init__(self, pid):
        self.status, self.peak_kb = Path(f"/proc/{pid}/status"), 0
        self.thread = threading.Thread(target=self._poll, daemon=True)
        self.running = True
        self.thread.start()

    def _poll(self):
        while self.running:
            try:
                for line in self.status.read_text().splitlines():
                    if line.startswith("VmHWM:"):
                        self.peak_kb = max(self.peak_kb, int(line.split()[1]))
            except (OSError, ValueError):
                return
            time.sleep(0.005)

    def stop(self):
        self.running = False
        self.thread.join()
        return self.peak_kb / 1024


def run_curl(port, message_path):
    started = time.monotonic()
    subprocess.run(["curl", "-s", "-S", f"smtp://127.0.0.1:{port}", "--mail-from",
                    "zq@example.jp", "--mail-rcpt", "admin@example.jp", "--upload-file",
                    str(message_path)], check=True)
    return time.monotonic() - started


def tls_context(directory):
    """A server context whose certificate for localhost chains to ca.pem in `directory`."""
    make_ca(directory, "ca")
    make_cert(directory, "server", "ca", "localhost")
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(directory / "server.pem", directory / "server.key")
    return context


def main():
    directory = temp_dir("mail bench ")
    try:
        context = tls_context(directory)
        print(f"{'report':>8} {'client':>10} {'DATA..end s':>12} {'run s':>8} {'peak MB':>8}")
        for megabytes in (1, 50):
            typed = report_source(directory, megabytes)
            with SmtpTestServer(tls="starttls", context=context) as server:
                code, seconds, peak = run_sender(directory, server.port, typed,
                                                 directory / "ca.pem")
                server.wait_for_session_end(30)
                if code != 0:
                    sys.exit(f"zqPelmora.exe over STARTTLS ended with {code}")
                print(f"{megabytes:>6}MB {'STARTTLS':>10} {server.sessions[0].data_seconds:12.3f} "
                      f"{seconds:8.2f} {peak:8.1f}")
            with SmtpTestServer() as server:
                code, seconds, peak = run_sender(directory, server.port, typed)
                server.wait_for_session_end(30)
                if code != 0:
                    sys.exit(f"zqPelmora.exe ended with {code}")
                sent = server.sessions[0]
                message = directory / "message.eml"
                message.write_bytes(sent.message)
                print(f"{megabytes:>6}MB {'zqPelmora':>10} {sent.data_seconds:12.3f} "
                      f"{seconds:8.2f} {peak:8.1f}")
                curl_seconds = run_curl(server.port, message)
                server.wait_for_session_end(30)
                print(f"{megabytes:>6}MB {'curl':>10} {server.sessions[1].data_seconds:12.3f} "
                      f"{curl_seconds:8.2f} {'':>8}   (message {len(sent.message) / 1e6:.1f} MB)")
    finally:
        shutil.rmtree(directory, True)


if __name__ == "__main__":
    main()
