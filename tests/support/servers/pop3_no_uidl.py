#!/usr/bin/env python3
"""A small POP3 server without UIDL, for the client's path that must find
messages again by their headers. It serves the *.eml files of a folder in
name order to the user "tester" with the password "secret"; DELE removes the
file at QUIT, as a real server does. Prints "PORT n" once it listens."""
import argparse
import os
import socketserver


class Session(socketserver.StreamRequestHandler):
    def send(self, line):
        self.wfile.write(line.encode() + b"\r\n")

    def multi(self, data):
        for line in data.split(b"\r\n"):
            self.wfile.write((b"." + line if line.startswith(b".") else line) + b"\r\n")
        self.wfile.write(b".\r\n")

    def handle(self):
        folder = self.server.folder
        self.send("+OK ready")
        user, logged_in, names, deleted = None, False, [], set()
        while True:
            raw = self.rfile.readline()
            if not raw:
                return
            words = raw.decode("latin-1").strip().split(" ")
            cmd, args = words[0].upper(), words[1:]
            if cmd == "CAPA":
                self.send("+OK")
                self.multi(b"USER\r\nTOP")
            elif cmd == "USER":
                user = args[0] if args else None
                self.send("+OK")
            elif cmd == "PASS":
                if user == "tester" and args == ["secret"]:
                    logged_in = True
                    names = sorted(n for n in os.listdir(folder) if n.endswith(".eml"))
                    self.send("+OK logged in")
                else:
                    self.send("-ERR login refused")
            elif cmd == "QUIT":
                for n in deleted:
                    os.unlink(os.path.join(folder, names[n - 1]))
                self.send("+OK bye")
                return
            elif not logged_in:
                self.send("-ERR log in first")
            else:
                self.command(cmd, args, names, deleted)

    def message(self, names, deleted, text):
        try:
            n = int(text)
        except ValueError:
            return None
        if n < 1 or n > len(names) or n in deleted:
            return None
        with open(os.path.join(self.server.folder, names[n - 1]), "rb") as f:
            return n, f.read().replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")

    def command(self, cmd, args, names, deleted):
        live = [n for n in range(1, len(names) + 1) if n not in deleted]
        if cmd == "STAT":
            self.send("+OK %d 0" % len(live))
        elif cmd == "LIST" and not args:
            self.send("+OK")
            sizes = [b"%d %d" % (n, len(self.message(names, deleted, n)[1])) for n in live]
            self.multi(b"\r\n".join(sizes)) if sizes else self.wfile.write(b".\r\n")
        elif cmd in ("RETR", "TOP", "DELE", "LIST") and args:
            found = self.message(names, deleted, args[0])
            if found is None:
                self.send("-ERR no such message")
            elif cmd == "DELE":
                deleted.add(found[0])
                self.send("+OK deleted")
            elif cmd == "LIST":
                self.send("+OK %d %d" % (found[0], len(found[1])))
            else:
                data = found[1].rstrip(b"\r\n")
                if cmd == "TOP":
                    head, _, body = data.partition(b"\r\n\r\n")
                    lines = int(args[1]) if len(args) > 1 else 0
                    data = head + b"\r\n" + b"".join(b"\r\n" + l for l in body.split(b"\r\n")[:lines])
                self.send("+OK")
                self.multi(data)
        elif cmd in ("NOOP", "RSET"):
            if cmd == "RSET":
                deleted.clear()
            self.send("+OK")
        else:
            self.send("-ERR unknown command")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dir", required=True)
    options = parser.parse_args()
    socketserver.ThreadingTCPServer.allow_reuse_address = True
    with socketserver.ThreadingTCPServer(("127.0.0.1", 0), Session) as server:
        server.daemon_threads = True
        server.folder = options.dir
        print("PORT %d" % server.server_address[1], flush=True)
        server.serve_forever()


if __name__ == "__main__":
    main()
