#!/usr/bin/python3
"""An SMTP server (aiosmtpd) on a free port of 127.0.0.1 for the tests.

Every message it accepts is parsed with Python's email package and written to the --out folder as
a folder msg-<n> of small UTF-8 files (see describe()): the envelope, the headers as sent and as
decoded, the text, and each attachment's decoded file name, size and SHA-256. Every login attempt
is written as a folder auth-<n> with a file "login" (mechanism, user, ok). Prints
"PORT <number>" (and, with --tls-dir, "FINGERPRINT <sha256>" of the self-signed certificate it
made) on standard output once it listens, then serves until it is terminated.
"""
import argparse
import asyncio
import email
import hashlib
import itertools
import logging
import os
import ssl
import sys
from email import policy

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword
from test_certificate import make_certificate


class Recorder:
    """The handler: refuses the recipients it was told to, records what it receives."""

    def __init__(self, out, refused):
        self.out = out
        self.refused = set(refused)
        self.numbers = itertools.count(1)

    def write(self, prefix, files):
        """A folder of files (name -> text), complete before it takes its name."""
        path = os.path.join(self.out, "%s-%d" % (prefix, next(self.numbers)))
        os.mkdir(path + ".tmp")
        for name, text in files.items():
            with open(os.path.join(path + ".tmp", name), "w", encoding="utf-8", newline="") as f:
                f.write(text)
        os.rename(path + ".tmp", path)

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address in self.refused:
            return "550 5.1.1 <%s>: Recipient address rejected: User unknown" % address
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.write("msg", describe(envelope))
        return "250 2.0.0 Ok: queued"


def describe(envelope):
    """facts: key=value lines; headers: the decoded headers, one "Name: value" a line; raw_headers:
    the header block as sent; subject; text: the decoded text; attachments: one line each with
    SHA-256, size, content type and decoded file name, separated by tabs."""
    raw = envelope.original_content
    message = email.message_from_bytes(raw, policy=policy.default)
    text_part = message.get_body(preferencelist=("plain",))
    attachments = []
    for part in message.iter_attachments():
        data = part.get_payload(decode=True) or b""
        attachments.append("%s\t%d\t%s\t%s\n" % (hashlib.sha256(data).hexdigest(), len(data),
                                                   part.get_content_type(), part.get_filename()))
    lines = raw.split(b"\r\n")
    facts = {
        "mail_from": envelope.mail_from,
        "rcpt_tos": ",".join(envelope.rcpt_tos),
        "content_type": message.get_content_type(),
        "size": len(raw),
        "longest_line": max(len(line) for line in lines),
        "bare_line_feeds": int(raw.count(b"\n") != raw.count(b"\r\n")),
        "eight_bit": int(not raw.isascii()),
        "defects": " ".join(type(d).__name__ for part in message.walk() for d in part.defects),
    }
    return {
        "facts": "".join("%s=%s\n" % item for item in facts.items()),
        "headers": "".join("%s: %s\n" % (name, value) for name, value in message.items()),
        "raw_headers": raw.split(b"\r\n\r\n", 1)[0].decode("ascii", "replace"),
        "subject": str(message.get("subject", "")),
        "text": text_part.get_content() if text_part is not None else "",
        "attachments": "".join(attachments),
    }


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", required=True, help="folder for the received messages and logins")
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--user", default="tester")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--require-auth", action="store_true", help="no mail without a login")
    parser.add_argument("--exclude-auth", action="append", default=[], help="a mechanism not to offer")
    parser.add_argument("--refuse", action="append", default=[], help="a recipient answered with 550")
    parser.add_argument("--size-limit", type=int, default=33554432, help="the SIZE the server announces")
    parser.add_argument("--tls-dir", help="make a self-signed certificate in this folder")
    parser.add_argument("--implicit-tls", action="store_true", help="TLS from the first byte instead of STARTTLS")
    args = parser.parse_args()
    logging.basicConfig(level=logging.CRITICAL)

    recorder = Recorder(args.out, args.refuse)

    def authenticator(server, session, envelope, mechanism, auth_data):
        ok = (isinstance(auth_data, LoginPassword) and auth_data.login == args.user.encode()
              and auth_data.password == args.password.encode())
        login = auth_data.login.decode("utf-8", "replace") if isinstance(auth_data, LoginPassword) else None
        recorder.write("auth", {"login": "%s %s %s\n" % (mechanism, login, "ok" if ok else "refused")})
        return AuthResult(success=ok, handled=False)

    context = fingerprint = None
    if args.tls_dir:
        pem, fingerprint = make_certificate(args.tls_dir)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(pem)

    def factory():
        return SMTP(recorder, hostname="smtp.test.invalid", data_size_limit=args.size_limit,
                    authenticator=authenticator, auth_required=args.require_auth, auth_require_tls=False,
                    auth_exclude_mechanism=args.exclude_auth,
                    tls_context=context if context and not args.implicit_tls else None)

    loop = asyncio.new_event_loop()
    server = loop.run_until_complete(loop.create_server(
        factory, args.host, 0, ssl=context if args.implicit_tls else None))
    print("PORT %d" % server.sockets[0].getsockname()[1], flush=True)
    if fingerprint:
        print("FINGERPRINT %s" % fingerprint, flush=True)
    sys.stdout.close()
    loop.run_forever()


if __name__ == "__main__":
    main()
