"""The real zqPelmora.exe under Wine over TLS: STARTTLS and implicit TLS to the loopback
server speaking Python's ssl, with a login; certificates made here with openssl; every way a
secured session must refuse (a look-alike root, an address the certificate does not name, a
handshake trickled byte by byte) ends with its exit code and delivers nothing; no file holds
the password."""
import base64
import email
import email.policy
import shutil
import ssl
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

from smtp_server import SmtpTestServer
from zq_e2e import (PELMORA, WINE, make_ca, make_cert, parameter_text, run_program, temp_dir,
                    win_path)

HELPER = PELMORA.parent / "zq_tls_helper.exe"
USER, PASSWORD = "zq-user", "pa55-週報"


def helper(*args):
    code, output = run_program(HELPER, args, timeout=60, errors=False)
    return code, output.decode()


class SecureMailTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.certs = Path(tempfile.mkdtemp(prefix="zq certs "))
        make_ca(cls.certs, "root")        # trusted through the root store
        make_ca(cls.certs, "own", serial=4242)  # trusted only as SmtpCaFile
        make_ca(cls.certs, "stranger")    # never trusted
        # Same name and serial as "own", another key.
        make_ca(cls.certs, "lookalike", subject="zq test own", serial=4242)
        make_cert(cls.certs, "inter", "root", "zq intermediate", ca=True)
        for name, issuer, dns in (("good", "root", "localhost"), ("wrongname", "root", "mail.example.jp"),
                                  ("owned", "own", "localhost"), ("strange", "stranger", "localhost"),
                                  ("leaf", "inter", "localhost"), ("lookowned", "lookalike", "localhost")):
            make_cert(cls.certs, name, issuer, dns)
        make_cert(cls.certs, "ipgood", "root", None, san="IP:127.0.0.1")
        # The look-alike server sends its root along; the bundle holds a stranger, then "own".
        with open(cls.certs / "lookowned.pem", "ab") as chain:
            chain.write((cls.certs / "lookalike.pem").read_bytes())
        (cls.certs / "bundle.pem").write_bytes((cls.certs / "stranger.pem").read_bytes() +
                                               (cls.certs / "own.pem").read_bytes())
        code, cls.protected = helper("protect", PASSWORD)
        assert code == 0 and cls.protected, "the password could not be protected"
        assert helper("trust", win_path(cls.certs / "root.pem"))[0] == 0

    @classmethod
    def tearDownClass(cls):
        helper("untrust", win_path(cls.certs / "root.pem"))
        shutil.rmtree(cls.certs, True)

    def setUp(self):
        self.dir = temp_dir("secure ")
        self.addCleanup(shutil.rmtree, self.dir, True)

    def context(self, cert="good", tls13_only=False, ask_client_cert=False):
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(self.certs / f"{cert}.pem", self.certs / f"{cert}.key")
        if tls13_only:
            context.minimum_version = ssl.TLSVersion.TLSv1_3
        if ask_client_cert:  # a CertificateRequest that a client may leave unanswered
            context.verify_mode = ssl.CERT_OPTIONAL
            context.load_verify_locations(self.certs / "root.pem")
        return context

    def send(self, server, security="STARTTLS", ca_file=None, user=USER, host="localhost",
             ca_path=None):
        """ca_file names a file of the test certificates, ca_path is written as it is."""
        ca_file = win_path(self.certs / ca_file) if ca_file else ca_path
        values = {"SmtpServer": host, "SmtpPort": str(server.port),
                  "SmtpFrom": "zq@example.jp", "SmtpTo": "a@example.jp;b@example.jp",
                  "SmtpSubject": "週報 TLS", "Cmd1": "echo 日本語の出力",
                  "SmtpSecurity": security, "SmtpUser": user, "SmtpPassword": self.protected,
                  "SmtpCaFile": ca_file}
        (self.dir / "r").write_bytes(parameter_text(values))
        code, output = run_program(PELMORA, [win_path(self.dir / "r")], cwd=self.dir, timeout=150)
        server.wait_for_session_end(10 if security else 1)
        return code, output

    def assert_no_secret(self):
        login = b"\0" + USER.encode() + b"\0" + PASSWORD.encode()
        secrets = [PASSWORD.encode("cp932"), PASSWORD.encode("utf-8"), base64.b64encode(login)]
        for path in self.dir.iterdir():
            data = path.read_bytes()
            for secret in secrets:
                self.assertNotIn(secret, data, path.name)

    def test_starttls_and_a_login_deliver_to_two_recipients(self):
        with SmtpTestServer(tls="starttls", context=self.context(), auth=(USER, PASSWORD),
                            read_size=7) as server:
            code, output = self.send(server)
        self.assertEqual(code, 0, output)
        session = server.sessions[0]
        self.assertTrue(session.authenticated)
        self.assertEqual([c.split(" ")[0] for c in session.commands],
                         ["EHLO", "STARTTLS", "EHLO", "AUTH", "MAIL", "RCPT", "RCPT", "DATA", ".",
                          "QUIT"])
        message = email.message_from_bytes(session.message, policy=email.policy.default)
        self.assertEqual(str(message["Subject"]), "週報 TLS")
        body, attachment = list(message.iter_parts())
        self.assertEqual(attachment.get_payload(decode=True), (self.dir / "r.log").read_bytes())
        trace = (self.dir / "r.mail.log").read_bytes().decode("cp932")
        self.assertIn("AUTH PLAIN ****", trace)
        self.assertRegex(trace, r"TLS 1\.[23], .* 証明書 localhost")
        self.assert_no_secret()

    def test_own_roots_addresses_and_client_certificate_requests_deliver(self):
        # A relative SmtpCaFile is read from the program folder, not the current one.
        beside = PELMORA.parent / "zq-test-own.pem"
        shutil.copyfile(self.certs / "own.pem", beside)
        self.addCleanup(beside.unlink)
        cases = (
            ("implicit TLS and an own root", {"context": self.context("owned"), "tls": "implicit"},
             {"ca_file": "own.pem", "security": "TLS"}),
            ("second root of a PEM bundle", {"context": self.context("owned")},
             {"ca_file": "bundle.pem"}),
            ("relative root file", {"context": self.context("owned")},
             {"ca_path": "zq-test-own.pem"}),
            ("address named by an iPAddress name", {"context": self.context("ipgood")},
             {"host": "127.0.0.1"}),
            ("optional client certificate asked for", {"context": self.context(ask_client_cert=True)},
             {}),
        )
        for name, server_options, send_options in cases:
            with self.subTest(name):
                options = {"tls": "starttls", "auth": (USER, PASSWORD), **server_options}
                with SmtpTestServer(**options) as server:
                    code, output = self.send(server, **send_options)
                self.assertEqual(code, 0, (self.dir / "r.mail.log").read_bytes().decode("cp932"))
                self.assertIsNotNone(server.sessions[0].message)

    def test_a_trickled_handshake_ends_at_the_time_out(self):
        with SmtpTestServer(tls="implicit", context=self.context(), trickle=True) as server:
            started = time.monotonic()
            code, output = self.send(server, security="TLS", user="")
            seconds = time.monotonic() - started
        self.assertEqual(code, 12, output)
        self.assertLess(seconds, 60 + 20)  # the session time-out, and Wine's start

    def test_refusals_end_with_their_code_and_deliver_nothing(self):
        cases = (
            ("look-alike of the own root", {"context": self.context("lookowned")},
             {"ca_file": "own.pem"}, 19),
            ("address not named by the certificate", {"context": self.context()},
             {"host": "127.0.0.1"}, 19),
            ("untrusted root", {"context": self.context("strange")}, {}, 19),
            ("another name", {"context": self.context("wrongname")}, {}, 19),
            ("leaf without its chain", {"context": self.context("leaf")}, {}, 19),
            ("STARTTLS not offered", {"context": self.context(), "offer_starttls": False}, {}, 20),
            ("wrong password", {"context": self.context(), "auth": (USER, "other")}, {}, 21),
            ("clear text after the 220", {"context": self.context(), "inject": b"250 ok\r\n"},
             {}, 18),
            ("TLS 1.3 only", {"context": self.context(tls13_only=True)}, {}, 18),
            ("a login without TLS", {"tls": None, "context": None}, {"security": ""}, 21),
        )
        for name, server_options, send_options, expected in cases:
            with self.subTest(name):
                options = {"tls": "starttls", "auth": (USER, PASSWORD), **server_options}
                with SmtpTestServer(**options) as server:
                    code, output = self.send(server, **send_options)
                self.assertEqual(code, expected, output)
                commands = server.sessions[0].commands if server.sessions else []
                self.assertFalse(any(c.startswith("MAIL") for c in commands), commands)
                if expected != 21:
                    self.assertFalse(any(c.startswith("AUTH") for c in commands), commands)
                self.assert_no_secret()


if __name__ == "__main__":
    unittest.main()
