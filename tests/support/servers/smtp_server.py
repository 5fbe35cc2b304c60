#!/usr/bin/python3
"""A throwaway SMTP server for the tests: listens on a free loopback port,
prints "PORT <n>" and stores every message it accepts in --dir as
NNNN.eml (the exact DATA bytes) and NNNN.json (the envelope)."""
import argparse
import asyncio
import json
import os
import ssl
import sys

from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


class Recorder:
    def __init__(self, folder, with_auth):
        self.folder = folder
        self.with_auth = with_auth
        self.count = 0

    async def handle_EHLO(self, server, session, envelope, hostname, responses):
        session.host_name = hostname
        if not self.with_auth:
            responses = [r for r in responses if not r[4:].startswith("AUTH")]
        return responses

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.lower().startswith("reject"):
            return "550 5.1.1 No such user here"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, "%04d" % self.count)
        with open(base + ".eml", "wb") as f:
            f.write(envelope.original_content)
        record = {"from": envelope.mail_from, "to": envelope.rcpt_tos}
        with open(base + ".tmp", "w") as f:
            json.dump(record, f)
        os.rename(base + ".tmp", base + ".json")
        return "250 Message accepted"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--tls", choices=["off", "starttls", "implicit"], default="off")
    parser.add_argument("--auth", help="user:password")
    args = parser.parse_args()

    context = None
    if args.tls != "off":
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
    user, _, password = (args.auth or ":").partition(":")

    def authenticator(server, session, envelope, mechanism, data):
        ok = isinstance(data, LoginPassword) and \
            data.login == user.encode() and data.password == password.encode()
        return AuthResult(success=ok, handled=False)

    handler = Recorder(args.dir, bool(args.auth))
    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)

    def factory():
        return SMTP(handler, hostname="halvorn.test", decode_data=False,
                    tls_context=context if args.tls == "starttls" else None,
                    authenticator=authenticator if args.auth else None,
                    auth_require_tls=False, loop=loop)

    server = loop.run_until_complete(loop.create_server(
        factory, host="127.0.0.1", port=0,
        ssl=context if args.tls == "implicit" else None))
    print("PORT %d" % server.sockets[0].getsockname()[1], flush=True)
    try:
        loop.run_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    sys.exit(main())
