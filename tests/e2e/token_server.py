"""A loopback HTTPS OAuth 2.0 token endpoint for the end-to-end tests (Python's http.server
and ssl, a certificate of the test CA). It issues a token for
  - the client-credentials grant with the right client secret ("tok-secret"),
  - a client assertion (RS256) signed by the right key, whose header's x5t is the
    certificate's SHA-1 thumbprint ("tok-cert"),
  - a service account's JWT bearer assertion for the right subject and scope ("tok-google"),
each checked with openssl against the public key, and refuses anything else with
invalid_client (AADSTS7000215). Every request's form is kept in `requests`."""
import base64
import hashlib
import json
import ssl
import subprocess
import tempfile
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from pathlib import Path

REFUSAL = {"error": "invalid_client",
           "error_description": "AADSTS7000215: Invalid client secret provided."}


def b64url_decode(text):
    return base64.urlsafe_b64decode(text + "=" * (-len(text) % 4))


class TokenServer:
    def __init__(self, context, client_id, secret, public_key, certificate_der, subject, scope,
                 email):
        self.client_id, self.secret, self.subject, self.scope = client_id, secret, subject, scope
        self.email = email
        self.public_key, self.thumbprint = public_key, hashlib.sha1(certificate_der).digest()
        self.requests = []
        outer = self

        class Handler(BaseHTTPRequestHandler):
            def do_POST(self):
                length = int(self.headers.get("Content-Length", 0))
                try:
                    data = self.rfile.read(length)
                except OSError:  # the client left before the body
                    data = b""
                form = {k: v[0] for k, v in urllib.parse.parse_qs(data.decode()).items()}
                outer.requests.append(form)
                token = outer.judge(form, f"https://127.0.0.1:{outer.port}{self.path}")
                reply = ({"access_token": token, "token_type": "Bearer", "expires_in": 3599}
                         if token else REFUSAL)
                body = json.dumps(reply).encode()
                self.send_response(200 if token else 401)
                self.send_header("Content-Type", "application/json")
                self.send_header("Content-Length", str(len(body)))
                try:
                    self.end_headers()
                    self.wfile.write(body)
                except OSError:
                    pass

            def log_message(self, *args):
                pass

        self.httpd = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.httpd.socket = context.wrap_socket(self.httpd.socket, server_side=True)
        self.port = self.httpd.server_address[1]

    def __enter__(self):
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()
        return self

    def __exit__(self, *exc):
        self.httpd.shutdown()
        self.httpd.server_close()

    def verified_claims(self, jwt, want_x5t):
        header_part, claims_part, signature = jwt.split(".")
        header = json.loads(b64url_decode(header_part))
        if header.get("alg") != "RS256" or (want_x5t and
                                           b64url_decode(header["x5t"]) != self.thumbprint):
            return None
        with tempfile.TemporaryDirectory() as d:
            (Path(d) / "in").write_bytes(f"{header_part}.{claims_part}".encode())
            (Path(d) / "sig").write_bytes(b64url_decode(signature))
            done = subprocess.run(["openssl", "dgst", "-sha256", "-verify", self.public_key,
                                   "-signature", "sig", "in"], cwd=d, capture_output=True)
        claims = json.loads(b64url_decode(claims_part))
        fresh = claims.get("iat", 0) <= time.time() + 60 < claims.get("exp", 0) + 60
        return claims if done.returncode == 0 and fresh else None

    def judge(self, form, url):
        grant = form.get("grant_type")
        if grant == "client_credentials" and form.get("client_id") == self.client_id:
            if "client_secret" in form:
                return "tok-secret" if form["client_secret"] == self.secret else None
            claims = self.verified_claims(form.get("client_assertion", "..."), True)
            ok = claims and claims["iss"] == claims["sub"] == self.client_id and \
                claims["aud"] == url and form.get("scope") == self.scope
            return "tok-cert" if ok else None
        if grant == "urn:ietf:params:oauth:grant-type:jwt-bearer":
            claims = self.verified_claims(form.get("assertion", "..."), False)
            ok = claims and claims["iss"] == self.email and claims["sub"] == self.subject \
                and claims["scope"] == self.scope and claims["aud"] == url
            return "tok-google" if ok else None
        return None
