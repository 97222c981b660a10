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
    """A report parameter file as the console writes it (CP932, CR LF): comment lines, the
    section and one line per key, an empty line where a key is not given. A mailing report
    is not retried unless SmtpRetryMinutes is given."""
    lines = [";" + "-" * 59, ";C:\\zq\\zqPelmora.exeの実行パラメータ", "[zqPelmora.exe]"]
    keys = ["Event", "EventDays", "Service", "Cmd1", "Cmd2", "Cmd3", "Cmd4", "Cmd5",
            "SmtpServer", "SmtpPort", "SmtpFrom", "SmtpTo", "SmtpSubject", "SmtpSecurity",
            "SmtpUser", "SmtpPassword", "SmtpCaFile", "SmtpRetryMinutes", "SmtpServer2",
            "SmtpPort2", "SmtpAuth", "SmtpOAuthTokenUrl", "SmtpOAuthClientId", "SmtpOAuthScope",
            "SmtpOAuthSecret", "SmtpOAuthKeyFile", "SmtpOAuthSubject"]
    if "SmtpServer" in values:
        values = {"SmtpRetryMinutes": "0", **values}
    for key in keys:
        value = values.get(key)
        quoted = f'"{value}"' if key.startswith("Cmd") else value
        lines.append("" if value is None else f"{key}={quoted}")
    return sjis("\r\n".join(lines) + "\r\n\r\n")


def openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True, capture_output=True)


def make_ca(directory, name, subject=None, serial=None):
    """A self-signed test CA: NAME.pem and NAME.key in `directory` (subject "zq test NAME"
    unless given, a random serial unless given)."""
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", f"{name}.key", "-out",
            f"{name}.pem", "-days", "30", "-subj", f"/CN={subject or 'zq test ' + name}",
            *(["-set_serial", str(serial)] if serial else []), "-addext",
            "basicConstraints=critical,CA:true", "-addext", "keyUsage=critical,keyCertSign,cRLSign",
            cwd=directory)


def make_cert(directory, name, issuer, dns, ca=False, san=None):
    """A certificate NAME.pem (key NAME.key) for host `dns` (or the subject alternative names
    `san`, e.g. "IP:127.0.0.1") signed by ISSUER, or an intermediate CA."""
    ext = directory / f"{name}.ext"
    ext.write_text("basicConstraints=critical,CA:true\nkeyUsage=critical,keyCertSign\n" if ca else
                   f"subjectAltName={san or 'DNS:' + dns}\nextendedKeyUsage=serverAuth\n")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", f"{name}.key", "-out",
            f"{name}.csr", "-subj", f"/CN={dns}", cwd=directory)
    openssl("x509", "-req", "-in", f"{name}.csr", "-CA", f"{issuer}.pem", "-CAkey",
            f"{issuer}.key", "-CAcreateserial", "-out", f"{name}.pem", "-days", "30", "-extfile",
            ext.name, cwd=directory)


def run_program(program, args, cwd=None, timeout=180, env=None, errors=True):
    """Runs a Windows program under Wine and waits for its end; returns the exit code and its
    output (with its error output unless `errors` is false). The output goes through a file,
    not a pipe: a Wine process started on demand meanwhile (the desktop, a service) would
    inherit a pipe and hold it open long after the program ended."""
    with tempfile.TemporaryFile() as output:
        done = subprocess.run([str(WINE), str(program), *map(str, args)], cwd=cwd,
                              timeout=timeout, stdout=output,
                              stderr=subprocess.STDOUT if errors else subprocess.DEVNULL,
                              env={**os.environ, **(env or {})})
        output.seek(0)
        return done.returncode, output.read()
