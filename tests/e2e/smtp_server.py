"""A loopback SMTP server for the end-to-end tests, the demo and the mail benchmark.

It speaks plain SMTP (HELO or EHLO, MAIL, RCPT, DATA, QUIT) and can misbehave on cue at a
named step: "greeting", "helo", "mail", "rcpt1", "rcpt2"... (one per RCPT TO), "data" and
"dot" (the reply to the end of the message):
  replies={step: "550 no"}   answer with this reply instead
  close_at=step              close the connection instead of answering
  silent_at=step             never answer (the connection stays open)
  delay_at=step              answer after ten seconds
  endless_at=step            answer with continuation lines of 4,000 bytes that never end
                             (until the client closes; at most 100,000)
  split=True                 send every reply in several TCP segments
  multiline=True             send every reply as a three-line reply
  slow=True                  tiny receive window, read the message slowly
  per_session=[{step: reply}, ...]  replies for the first sessions only, one dict each (the
                             later sessions answer as usual)
  read_size=N                read at most N bytes at a time
It can also secure the session with Python's ssl (`context`, a server-side SSLContext):
  tls="starttls"             offer STARTTLS in the EHLO reply (offer_starttls=False: do not)
  tls="implicit"             TLS from the first byte, before the greeting
  trickle=True               with implicit TLS: the handshake's bytes one every 50 ms, never
                             finished (until the client closes; at most 200 s)
  auth=(user, password)      offer AUTH PLAIN and LOGIN once the session is encrypted; 235
                             for these credentials, 535 for any other
  inject=b"..."              bytes sent in the clear right after the 220 to STARTTLS
  oauth_tokens={"t"}         also offer AUTH XOAUTH2: 235 for these bearer tokens, else the
                             334 JSON challenge, then 535; oauth_refusal="535 ..." refuses all
Each session records the commands, the message as received (dot-stuffing undone) and the
time from the DATA command to the end of the message.

Run as a program it serves until stopped and saves each message:
  smtp_server.py --port-file FILE --save-dir DIR
"""
import argparse
import base64
import json
import socket
import ssl
import threading
import time
from pathlib import Path

DEFAULT_REPLIES = {"greeting": "220 zq-test ESMTP ready", "helo": "250 zq-test",
                   "mail": "250 2.1.0 sender ok", "rcpt": "250 2.1.5 recipient ok",
                   "data": "354 end data with <CR><LF>.<CR><LF>", "dot": "250 2.0.0 queued"}


class Session:
    def __init__(self):
        self.commands = []      # command lines as received, without CR LF
        self.wire = b""         # the message text as it came over the wire
        self.message = None     # the message with dot-stuffing undone
        self.data_seconds = None
        self.tls_version = None  # the protocol once the session is encrypted
        self.started = time.monotonic()
        self.authenticated = False
        self.closed = threading.Event()


class _Closed(Exception):
    pass


class _Conn:
    def __init__(self, sock):
        self.sock, self.buffer = sock, b""


class SmtpTestServer:
    def __init__(self, replies=None, close_at=None, silent_at=None, delay_at=None,
                 endless_at=None, split=False,
                 multiline=False, slow=False, keep_wire=True, read_size=65536, tls=None,
                 context=None, offer_starttls=True, auth=None, inject=b"", trickle=False,
                 per_session=(), oauth_tokens=None, oauth_refusal=None):
        self.replies = dict(replies or {})
        self.close_at, self.silent_at, self.delay_at = close_at, silent_at, delay_at
        self.endless_at = endless_at
        self.split, self.multiline, self.slow, self.keep_wire = split, multiline, slow, keep_wire
        self.read_size, self.tls, self.context = read_size, tls, context
        self.offer_starttls, self.auth, self.inject = offer_starttls, auth, inject
        self.trickle = trickle
        self.per_session = list(per_session)
        self.oauth_tokens, self.oauth_refusal = set(oauth_tokens or ()), oauth_refusal
        self.xoauth2 = []  # the fields of every XOAUTH2 response received
        self.sessions = []
        self._stop = threading.Event()
        self._listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self._listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        if slow:
            self._listener.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 2048)
        self._listener.bind(("127.0.0.1", 0))
        self._listener.listen(8)
        self.port = self._listener.getsockname()[1]
        self._thread = threading.Thread(target=self._accept, daemon=True)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self.stop()

    def stop(self):
        self._stop.set()
        self._listener.close()

    def wait_for_session_end(self, timeout):
        deadline = time.monotonic() + timeout
        while not self.sessions and time.monotonic() < deadline:
            time.sleep(0.05)
        return bool(self.sessions) and self.sessions[-1].closed.wait(
            max(0, deadline - time.monotonic()))

    def _accept(self):
        while not self._stop.is_set():
            try:
                conn, _ = self._listener.accept()
            except OSError:
                return
            session = Session()
            self.sessions.append(session)
            threading.Thread(target=self._serve, args=(conn, session), daemon=True).start()

    # One connection.
    def _serve(self, sock, session):
        conn = _Conn(sock)
        try:
            if self.tls == "implicit":
                self._secure(conn, session)
            self._dialogue(conn, session)
        except (_Closed, OSError):
            pass
        finally:
            conn.sock.close()
            session.closed.set()

    def _secure(self, conn, session):
        conn.buffer = b""  # nothing sent before the handshake is read after it
        if self.trickle:
            self._trickle_handshake(conn)
        conn.sock = self.context.wrap_socket(conn.sock, server_side=True)
        session.tls_version = conn.sock.version()

    def _trickle_handshake(self, conn):
        incoming, outgoing = ssl.MemoryBIO(), ssl.MemoryBIO()
        tls = self.context.wrap_bio(incoming, outgoing, server_side=True)
        conn.sock.settimeout(0.05)
        pending, deadline = b"", time.monotonic() + 200
        while time.monotonic() < deadline and not self._stop.is_set():
            try:
                chunk = conn.sock.recv(65536)
                if not chunk:
                    break
                incoming.write(chunk)
            except socket.timeout:
                pass
            try:
                tls.do_handshake()
            except ssl.SSLWantReadError:
                pass
            pending += outgoing.read()
            if pending:
                conn.sock.sendall(pending[:1])
                pending = pending[1:]
        raise _Closed()

    def _ehlo(self, conn, session):
        if not self.tls and not self.auth:
            return self._send(conn, "502 5.5.1 use HELO")
        lines = ["250-zq-test", "250-8BITMIME"]
        if self.tls == "starttls" and self.offer_starttls and not session.tls_version:
            lines.append("250-STARTTLS")
        if (self.auth or self.oauth_tokens) and session.tls_version:
            lines.append("250-AUTH PLAIN LOGIN" + (" XOAUTH2" if self.oauth_tokens else ""))
        lines.append("250 SIZE 100000000")
        conn.sock.sendall("".join(l + "\r\n" for l in lines).encode())

    def _authenticate(self, conn, line):
        words = line.split()
        mechanism = words[1].upper() if len(words) > 1 else b""
        if mechanism == b"PLAIN":
            token = words[2] if len(words) > 2 else self._answer(conn, "334 ")
            _, user, password = base64.b64decode(token).split(b"\0")
        elif mechanism == b"LOGIN":
            user = base64.b64decode(self._answer(conn, "334 VXNlcm5hbWU6"))
            password = base64.b64decode(self._answer(conn, "334 UGFzc3dvcmQ6"))
        elif mechanism == b"XOAUTH2" and self.oauth_tokens:
            fields = dict(f.split("=", 1) for f in
                          base64.b64decode(words[2]).decode().split("\x01") if f)
            self.xoauth2.append(fields)
            if self.oauth_refusal:
                return self._send(conn, self.oauth_refusal)
            if fields.get("auth", "").removeprefix("Bearer ") in self.oauth_tokens:
                self._send(conn, "235 2.7.0 ok")
                return True
            challenge = base64.b64encode(b'{"status":"401","schemes":"Bearer"}').decode()
            self._answer(conn, "334 " + challenge)
            return self._send(conn, "535 5.7.3 Authentication unsuccessful")
        else:
            return self._send(conn, "504 5.5.4 unknown mechanism")
        ok = self.auth is not None and (user.decode(), password.decode()) == tuple(self.auth)
        self._send(conn, "235 2.7.0 ok" if ok else "535 5.7.8 bad credentials")
        return ok

    def _answer(self, conn, prompt):
        self._send(conn, prompt)
        return self._read_line(conn)

    def _dialogue(self, conn, session):
        index = self.sessions.index(session)
        conn.replies = {**self.replies, **(self.per_session[index]
                                           if index < len(self.per_session) else {})}
        self._reply(conn, "greeting", DEFAULT_REPLIES["greeting"])
        recipients = 0
        while True:
            line = self._read_line(conn)
            session.commands.append(line.decode("latin-1"))
            verb = line[:4].upper()
            if verb == b"EHLO":
                self._ehlo(conn, session)
            elif line.upper() == b"STARTTLS" and self.tls == "starttls" and self.offer_starttls:
                conn.sock.sendall(b"220 2.0.0 go ahead\r\n" + self.inject)
                self._secure(conn, session)
            elif verb == b"AUTH":
                session.authenticated = self._authenticate(conn, line)
            elif verb == b"HELO":
                self._reply(conn, "helo", DEFAULT_REPLIES["helo"])
            elif verb == b"MAIL":
                self._reply(conn, "mail", DEFAULT_REPLIES["mail"])
            elif verb == b"RCPT":
                recipients += 1
                self._reply(conn, f"rcpt{recipients}", DEFAULT_REPLIES["rcpt"])
            elif verb == b"DATA":
                started = time.monotonic()
                if not self._reply(conn, "data", DEFAULT_REPLIES["data"]):
                    continue
                wire = self._read_message(conn)
                session.data_seconds = time.monotonic() - started
                if self.keep_wire:
                    session.wire = wire
                    session.message = b"\r\n".join(
                        l[1:] if l.startswith(b".") else l for l in wire.split(b"\r\n"))
                else:
                    session.message = b""
                session.commands.append(".")
                self._reply(conn, "dot", DEFAULT_REPLIES["dot"])
            elif verb == b"QUIT":
                self._send(conn, "221 2.0.0 bye")
                return
            else:
                self._send(conn, "500 5.5.2 unknown command")

    def _reply(self, conn, step, default):
        """Answers a step as cued; False when the reply is not a success."""
        if step == self.close_at:
            raise _Closed()
        if step == self.silent_at:
            self._stop.wait()
            raise _Closed()
        if step == self.delay_at:
            time.sleep(10)
        if step == self.endless_at:
            line = f"{default[:3]}-{'x' * 4000}\r\n".encode()
            for _ in range(100000):
                conn.sock.sendall(line)
            raise _Closed()
        text = getattr(conn, "replies", self.replies).get(step, default)
        self._send(conn, text)
        return text[:1] in ("2", "3")

    def _send(self, conn, text):
        code, rest = text[:3], text[4:]
        lines = ([f"{code}-zq-test says", f"{code}-a second line", f"{code} {rest}"]
                 if self.multiline else [text])
        data = "".join(l + "\r\n" for l in lines).encode("latin-1")
        if not self.split:
            conn.sock.sendall(data)
            return
        for cut in (data[:2], data[2:7], data[7:-1], data[-1:]):
            if cut:
                conn.sock.sendall(cut)
                time.sleep(0.03)

    def _receive(self, conn, size=65536):
        if self.slow:
            time.sleep(0.002)
            size = 512
        chunk = conn.sock.recv(min(size, self.read_size))
        if not chunk:
            raise _Closed()
        return chunk

    def _read_line(self, conn):
        while b"\r\n" not in conn.buffer:
            conn.buffer += self._receive(conn)
        line, conn.buffer = conn.buffer.split(b"\r\n", 1)
        return line

    def _read_message(self, conn):
        """The message text up to the "." line (its last line keeps its CR LF)."""
        data = bytearray(conn.buffer)
        conn.buffer = b""
        searched = 0
        while True:
            end = data.find(b"\r\n.\r\n", max(0, searched - 4))
            if end >= 0:
                conn.buffer = bytes(data[end + 5:])
                return bytes(data[:end + 2]) if self.keep_wire else b""
            if data.startswith(b".\r\n"):
                conn.buffer = bytes(data[3:])
                return b""
            searched = len(data)
            data += self._receive(conn)
            if not self.keep_wire and len(data) > (1 << 20):
                # Keep only the tail in which the terminator may begin.
                del data[:-8]
                searched = 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--save-dir", required=True)
    parser.add_argument("--no-keep", action="store_true", help="time the data, keep nothing")
    args = parser.parse_args()
    save = Path(args.save_dir)
    save.mkdir(parents=True, exist_ok=True)
    server = SmtpTestServer(keep_wire=not args.no_keep)
    with server:
        Path(args.port_file).write_text(str(server.port))
        saved = 0
        try:
            while True:
                time.sleep(0.1)
                for i, session in enumerate(server.sessions[saved:], start=saved):
                    if not session.closed.is_set():
                        break
                    if session.message is not None:
                        (save / f"message-{i + 1}.eml").write_bytes(session.message)
                    (save / f"session-{i + 1}.json").write_text(json.dumps(
                        {"commands": session.commands, "data_seconds": session.data_seconds}))
                    saved = i + 1
        except KeyboardInterrupt:
            pass


if __name__ == "__main__":
    main()
