#!/usr/bin/python3
"""An FTP server on a free port of 127.0.0.1 for the tests and the benchmark.

Prints "PORT <number>" (and, with --tls, "FINGERPRINT <sha256>" of the self-signed certificate it
made) on standard output once it listens, then serves until it is terminated.
"""
import argparse
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer
from test_certificate import make_certificate

PERMISSIONS = "elradfmwMT"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--user", default="tester")
    parser.add_argument("--password", default="secret")
    parser.add_argument("--anonymous", action="store_true", help="also let 'anonymous' in, with every right")
    parser.add_argument("--tls-dir", help="serve FTPS with a self-signed certificate made in this folder")
    parser.add_argument("--throttle", type=int, default=0, help="bytes per second on data connections")
    args = parser.parse_args()
    logging.basicConfig(level=logging.CRITICAL)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm=PERMISSIONS)
    if args.anonymous:
        authorizer.add_anonymous(args.root, perm=PERMISSIONS)

    fingerprint = None
    if args.tls_dir:
        from pyftpdlib.handlers import TLS_FTPHandler

        handler = TLS_FTPHandler
        handler.certfile, fingerprint = make_certificate(args.tls_dir)
        handler.tls_control_required = True
        handler.tls_data_required = True
    else:
        handler = FTPHandler
    handler.authorizer = authorizer
    handler.banner = "test server ready"
    handler.auth_failed_timeout = 0.1
    if args.throttle:
        ThrottledDTPHandler.read_limit = args.throttle
        ThrottledDTPHandler.write_limit = args.throttle
        handler.dtp_handler = ThrottledDTPHandler

    server = FTPServer((args.host, 0), handler)
    print("PORT %d" % server.socket.getsockname()[1], flush=True)
    if fingerprint:
        print("FINGERPRINT %s" % fingerprint, flush=True)
    sys.stdout.close()
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
