"""A real FTP server for the tests, on a free loopback port.

Prints "PORT <n>" once listening, then one line per event:
"RECEIVED <path>" for every completed upload.
"""
import argparse
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

ap = argparse.ArgumentParser()
ap.add_argument("--root", required=True)
ap.add_argument("--user", default="tester")
ap.add_argument("--password", default="secret")
ap.add_argument("--tls", nargs=2, metavar=("CERT", "KEY"))
ap.add_argument("--tls-required", action="store_true")
ap.add_argument("--implicit", action="store_true", help="TLS from the first byte (ftps://)")
ap.add_argument("--throttle", type=int, default=0, help="bytes per second on data connections")
ap.add_argument("--no226", action="store_true", help="confirm uploads with 250 instead of 226")
ap.add_argument("--full", action="store_true", help="refuse every upload with 552")
ap.add_argument("--stall", action="store_true", help="never answer once an upload has arrived")
args = ap.parse_args()

authorizer = DummyAuthorizer()
authorizer.add_user(args.user, args.password, args.root, perm="elradfmw",
                    msg_login="Welcome to the test server.\nSecond greeting line.\nLogin successful.")

base = FTPHandler
dtp_base = DTPHandler
if args.tls:
    from pyftpdlib.handlers import TLS_DTPHandler, TLS_FTPHandler
    base = TLS_FTPHandler

    class FixedTlsDtp(TLS_DTPHandler):
        # Keep reading while the data connection's TLS handshake is running,
        # or the handshake that libcurl starts before STOR never completes.
        def readable(self):
            if getattr(self, "_ssl_accepting", False):
                return True
            return super().readable()

    dtp_base = FixedTlsDtp
if args.throttle:
    class Throttled(ThrottledDTPHandler, dtp_base):
        read_limit = args.throttle
        write_limit = args.throttle
    dtp_base = Throttled


class Handler(base):
    def respond(self, resp, *a, **kw):
        if args.stall and resp.startswith("226"):
            return None
        if args.no226 and resp.startswith("226"):
            resp = "250 Stored."
        if resp.startswith("230 ") and "\n" in resp:
            lines = resp[4:].split("\n")
            resp = "\r\n".join(["230-" + l for l in lines[:-1]] + ["230 " + lines[-1]])
        return super().respond(resp, *a, **kw)

    def ftp_STOR(self, file, mode="w"):
        if args.full:
            self.respond("552 Requested file action aborted. Exceeded storage allocation.")
            return
        return super().ftp_STOR(file, mode)

    def handle(self):
        if args.implicit:
            self.secure_connection(self.ssl_context)
        return super().handle()

    def on_file_received(self, file):
        print("RECEIVED " + file, flush=True)


Handler.authorizer = authorizer
Handler.dtp_handler = dtp_base
Handler.banner = "Halvorn test FTP server ready."
Handler.passive_ports = None
Handler.permit_foreign_addresses = False
if args.tls:
    Handler.certfile = args.tls[0]
    Handler.keyfile = args.tls[1]
    Handler.tls_control_required = args.tls_required
    Handler.tls_data_required = args.tls_required

import logging
logging.basicConfig(level=logging.CRITICAL)
server = FTPServer(("127.0.0.1", 0), Handler)
print("PORT %d" % server.address[1], flush=True)
server.serve_forever()
