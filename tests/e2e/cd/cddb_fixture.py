#!/usr/bin/env python3
"""A CDDB server's web interface for the player's tests: GET /~cddb/cddb.cgi?cmd=...&hello=...&proto=N.

The disc id of a query chooses the answer (see DISCS; --alias ID=KNOWN answers ID as KNOWN,
and --alias '*=KNOWN' every other id, for a disc whose id a test does not know); a read answers the entry of its category and id. Texts go out as Latin-1 at proto 5 and below (characters outside it as '?'),
as UTF-8 at 6. Proxy-style request lines ("GET http://host/path") are served by their path.
Every request head is appended to the log file (JSON lines) before the answer starts. Prints
"PORT p" once listening on 127.0.0.1; exits when stdin closes.
"""
import argparse
import json
import socketserver
import sys
import threading
import time
import urllib.parse

TITLES = ["Title", "Zweites Lied \u00e9", "\u65e5\u672c Track"]
ENTRY = ["# xmcd", "DISCID={id}", "DTITLE=Artist / Disc", "TTITLE0=" + TITLES[0],
         "TTITLE1=" + TITLES[1], "TTITLE2=" + TITLES[2], "EXTD=", "PLAYORDER=", "."]

# disc id -> (query answer lines, or a special step)
DISCS = {
    "11000903": ["200 rock 11000903 Artist / Disc"],
    "21100903": ["211 close matches, list follows", "misc 21100903 Artist / Disc", "rock 0badc0de X / Y", "."],
    "21000903": ["210 exact matches", "jazz 21000903 Artist / Disc", "."],
    "21100000": ["211 close matches, list follows"],
    "20200903": ["202 No match for disc ID 20200903."],
    "40300903": ["403 Database entry is corrupt."],
    "50000903": ["500 Command syntax error."],
    "40100903": ["200 rock 40100903 Artist / Disc"],  # its read answers 401
    "c0000903": ["200 Ro/ck c0000903 Artist / Disc"],
    "e0000903": "empty",
    "b1000903": "huge",
    "c1000903": "cut",
    "51000903": "silent",
    "30200903": "redirect",
}


def answer_lines(cmd, aliases):
    words = cmd.split(" ")
    if words[:2] == ["cddb", "query"] and len(words) > 2:
        disc = aliases.get(words[2], aliases.get("*", words[2]))
        return DISCS.get(disc, ["202 No match for disc ID %s." % words[2]])
    if words[:2] == ["cddb", "read"] and len(words) == 4:
        category, disc = words[2], words[3]
        if disc == "40100903":
            return ["401 %s %s No such CD entry in database." % (category, disc)]
        return ["210 %s %s CD database entry follows (until terminating `.')" % (category, disc)] + \
               [line.format(id=disc) for line in ENTRY]
    return ["500 Unrecognized command."]


class Handler(socketserver.StreamRequestHandler):
    def handle(self):
        head = []
        while True:
            line = self.rfile.readline(65536)
            if not line or line in (b"\r\n", b"\n"):
                break
            head.append(line.decode("latin-1").rstrip("\r\n"))
        if not head:
            return
        with self.server.log_lock, open(self.server.log_path, "a", encoding="utf-8") as log:
            log.write(json.dumps({"head": head}) + "\n")
        target = head[0].split(" ")[1] if len(head[0].split(" ")) > 1 else "/"
        if "://" in target:
            rest = target.split("://", 1)[1]
            target = rest[rest.find("/"):] if "/" in rest else "/"
        path, _, query = target.partition("?")
        if path != "/~cddb/cddb.cgi":
            self.reply("404 Not Found", b"")
            return
        params = urllib.parse.parse_qs(query)
        cmd = params.get("cmd", [""])[0]
        proto = int((params.get("proto", ["1"])[0] or "1"))
        lines = answer_lines(cmd, self.server.aliases)
        if lines == "silent":
            time.sleep(60)
            return
        if lines == "redirect":
            self.reply("302 Found", b"", "Location: https://127.0.0.1:1/~cddb/cddb.cgi\r\n")
            return
        if lines == "empty":
            self.reply("200 OK", b"")
            return
        if lines == "huge":
            self.reply("200 OK", b"200 rock 11000903 " + b"x" * (2 * 1024 * 1024) + b"\r\n")
            return
        if lines == "cut":
            self.wfile.write(b"HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n200 rock 11")
            return
        text = "\r\n".join(lines) + "\r\n"
        body = text.encode("utf-8") if proto >= 6 else text.encode("latin-1", "replace")
        self.reply("200 OK", body)

    def reply(self, status, body, extra=""):
        self.wfile.write(("HTTP/1.0 %s\r\nContent-Type: text/plain\r\n%sContent-Length: %d\r\n\r\n"
                          % (status, extra, len(body))).encode("latin-1") + body)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--log", required=True)
    parser.add_argument("--alias", action="append", default=[])
    args = parser.parse_args()
    server = Server(("127.0.0.1", 0), Handler)
    server.log_path = args.log
    server.log_lock = threading.Lock()
    server.aliases = dict(alias.split("=", 1) for alias in args.alias)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print("PORT %d" % server.server_address[1], flush=True)
    sys.stdin.read()
    server.shutdown()


if __name__ == "__main__":
    main()
