"""OAuth 2.0 sign-in of the real zqPelmora.exe under Wine: a token fetched from the loopback
HTTPS endpoint (token_server) with a client secret, a PEM key with its certificate, or a
service-account JSON key, then AUTH XOAUTH2 over STARTTLS; a wrong secret, an endpoint that is
not trusted and a refusal by the SMTP server end with their codes and explanations; no file
holds the secret, the key or the token."""
import concurrent.futures
import json
import shutil
import ssl
import subprocess
import tempfile
import unittest
from pathlib import Path

from smtp_server import SmtpTestServer
from test_console import BIN, DIALOG, MAIN, TITLE, driver, pressed_test_send
from test_secure_mail import helper
from token_server import TokenServer
from zq_e2e import PELMORA, ROOT, WINE, make_ca, make_cert, openssl, parameter_text, run_program
from zq_e2e import sjis, temp_dir, win_path

USER, CLIENT, SECRET = "report@example.jp", "c1-client", "s3cret~週"
SCOPE, EMAIL = "https://outlook.office365.com/.default", "zq@proj.iam.gserviceaccount.com"
TOKENS = {"tok-secret", "tok-cert", "tok-google"}


def context(certs, name):
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(certs / f"{name}.pem", certs / f"{name}.key")
    return ctx


class OAuthTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.certs = certs = Path(tempfile.mkdtemp(prefix="zq oauth "))
        make_ca(certs, "own")
        make_ca(certs, "stranger")
        make_cert(certs, "endpoint", "own", None, san="IP:127.0.0.1")
        make_cert(certs, "strange", "stranger", None, san="IP:127.0.0.1")
        make_cert(certs, "smtp", "own", "localhost")
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "client.key", "-out",
                "client.pem", "-subj", "/CN=zq client", "-days", "30", cwd=certs)
        openssl("x509", "-in", "client.pem", "-pubkey", "-noout", "-out", "client.pub", cwd=certs)
        openssl("x509", "-in", "client.pem", "-outform", "DER", "-out", "client.der", cwd=certs)
        (certs / "ms.pem").write_bytes((certs / "client.key").read_bytes() +
                                       (certs / "client.pem").read_bytes())
        (certs / "google.json").write_text(json.dumps({
            "type": "service_account", "private_key": (certs / "client.key").read_text(),
            "client_email": EMAIL, "private_key_id": "k1"}))
        code, cls.protected = helper("protect", SECRET)
        assert code == 0 and cls.protected

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.certs, True)

    def endpoint(self, cert):
        return TokenServer(context(self.certs, cert), CLIENT, SECRET, str(self.certs / "client.pub"),
                           (self.certs / "client.der").read_bytes(), USER, SCOPE, EMAIL)

    def run_case(self, case):
        credential, endpoint, smtp = case
        directory = temp_dir("oauth ")
        self.addCleanup(shutil.rmtree, directory, True)
        values = {"SmtpServer": "localhost", "SmtpPort": str(smtp.port), "SmtpFrom": USER,
                  "SmtpTo": "a@example.jp", "SmtpSubject": "週報 OAuth", "Cmd1": "echo 出力",
                  "SmtpSecurity": "STARTTLS", "SmtpUser": USER,
                  "SmtpCaFile": win_path(self.certs / "own.pem"), "SmtpAuth": "oauth2",
                  "SmtpOAuthTokenUrl": f"https://127.0.0.1:{endpoint.port}/t1/oauth2/v2.0/token",
                  "SmtpOAuthClientId": CLIENT, "SmtpOAuthScope": SCOPE, **credential}
        (directory / "r").write_bytes(parameter_text(values))
        code, output = run_program(PELMORA, [win_path(directory / "r")], cwd=directory,
                                   timeout=150)
        smtp.wait_for_session_end(5)
        return code, (directory / "r.mail.log").read_bytes().decode("cp932"), directory

    def test_secret_key_files_and_every_refusal(self):
        secret = {"SmtpOAuthSecret": self.protected}
        wrong = {"SmtpOAuthSecret": helper("protect", "wrong")[1]}
        pem = {"SmtpOAuthKeyFile": win_path(self.certs / "ms.pem")}
        google = {"SmtpOAuthKeyFile": win_path(self.certs / "google.json"),
                  "SmtpOAuthSubject": USER}
        with self.endpoint("endpoint") as good, self.endpoint("strange") as strange:
            servers = [SmtpTestServer(tls="starttls", context=context(self.certs, "smtp"),
                                      **{"oauth_tokens": TOKENS, **extra}) for extra in
                       ({}, {}, {}, {}, {}, {"oauth_refusal": "535 5.7.139 Authentication "
                                             "unsuccessful, basic authentication is disabled"},
                        {"oauth_tokens": {"another"}})]
            for server in servers:
                server.__enter__()
                self.addCleanup(server.stop)
            cases = [(secret, good, servers[0]), (pem, good, servers[1]),
                     (google, good, servers[2]), (wrong, good, servers[3]),
                     (secret, strange, servers[4]), (secret, good, servers[5]),
                     (secret, good, servers[6])]
            with concurrent.futures.ThreadPoolExecutor(max_workers=3) as pool:
                outcomes = list(pool.map(self.run_case, cases))
        codes = [code for code, _, _ in outcomes]
        self.assertEqual(codes, [0, 0, 0, 25, 24, 21, 21], [t for _, t, _ in outcomes])
        for server, token in zip(servers[:3], ("tok-secret", "tok-cert", "tok-google")):
            self.assertEqual(server.xoauth2, [{"user": USER, "auth": f"Bearer {token}"}])
            self.assertIsNotNone(server.sessions[0].message, "delivered")
        # No token, no connection; an untrusted endpoint gets the headers, never the body.
        self.assertEqual((servers[3].sessions, servers[4].sessions), ([], []))
        self.assertFalse(any(strange.requests), strange.requests)
        self.assertIn("クライアント シークレットが正しくありません", outcomes[3][1])
        self.assertIn("AADSTS7000215", outcomes[3][1])
        self.assertIn("証明書を信頼できません", outcomes[4][1])
        self.assertIn("基本認証（パスワード）が無効です", outcomes[5][1])
        self.assertIn("AUTH XOAUTH2 ****", outcomes[0][1])
        # A token the server does not take: its 334 challenge is answered, its reasons traced.
        self.assertIn('XOAUTH2 の拒否理由: {"status":"401","schemes":"Bearer"}', outcomes[6][1])
        self.assertIn("535 5.7.3", outcomes[6][1])
        key = (self.certs / "client.key").read_text().splitlines()[5].encode()
        for _, _, directory in outcomes:
            for path in directory.iterdir():
                data = path.read_bytes()
                for secret_bytes in (SECRET.encode("cp932"), SECRET.encode("utf-8"), key,
                                     *(t.encode() for t in TOKENS)):
                    self.assertNotIn(secret_bytes, data, path)

    def test_the_consoles_test_send_signs_in_with_a_secret(self):
        folder = temp_dir("oauth console ")
        self.addCleanup(shutil.rmtree, folder, True)
        for program in (BIN / "zqTervask.exe", PELMORA):
            shutil.copy(program, folder)
        (folder / "zqTervask.ini").write_bytes(sjis(
            f"[zqTervask]\r\nSmtpCaFile={win_path(self.certs / 'own.pem')}\r\n"))
        with self.endpoint("endpoint") as endpoint, SmtpTestServer(
                tls="starttls", context=context(self.certs, "smtp"), oauth_tokens=TOKENS) as smtp:
            console = subprocess.Popen([str(WINE), str(folder / "zqTervask.exe")], cwd=ROOT,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.addCleanup(console.kill)
            self.assertEqual(driver("wait", TITLE)[0], 0)
            driver("command", TITLE, MAIN["IDB_cmdButton1"])
            settings = "設定 - zqTervask"
            driver("pick", settings, DIALOG["IDC_cboSecurity"], 1)
            driver("pick", settings, DIALOG["IDC_cboAuth"], 1)
            for name, value in (
                    ("IDE_txtSmtpServer", "localhost"), ("IDE_txtSmtpPort", smtp.port),
                    ("IDE_txtFrom", USER), ("IDE_txtTo", "a@example.jp"), ("IDE_txtSubject", "試験"),
                    ("IDE_txtUser", USER), ("IDE_txtClientId", CLIENT), ("IDE_txtScope", SCOPE),
                    ("IDE_txtTokenUrl", f"https://127.0.0.1:{endpoint.port}/t/oauth2/v2.0/token"),
                    ("IDE_txtSecret", SECRET)):
                driver("set", settings, DIALOG[name], value)
            shown = pressed_test_send(settings)
            driver("answer", TITLE, 1)
            driver("close", settings)
            driver("close", TITLE)
        self.assertTrue(shown.startswith("テスト送信に成功しました。"), shown)
        self.assertIn("AUTH XOAUTH2 ****", shown)
        self.assertIn("トークンを取得しました", shown)
        self.assertEqual(smtp.xoauth2, [{"user": USER, "auth": "Bearer tok-secret"}])


if __name__ == "__main__":
    unittest.main()
