#!/usr/bin/env python3
"""A scripted HTTP server for the client's tests.

Answers each request by the script of its path (routes file, JSON: path -> list of steps):
  {"send": text}   send the text (Latin-1); "{port0}", "{port1}", ... become the listeners' ports
  {"wait": secs}   pause
  {"hold": true}   stay silent until the client closes the connection (at most 120 s)
  {"repeat": text, "every": secs}  send the text again and again, pausing between, until the
                   client closes the connection (at most 120 s)
  {"stream": file, "metaint": n, "meta": [text, ...], "chunk": n, "bytes_per_second": r}
                   send the file's bytes as a radio server does: with metaint, a metadata block
                   after every n bytes of sound (the texts in order, then empty blocks), padded
                   with NULs to a multiple of 16; in writes of chunk bytes (all at once without),
                   paced to r bytes per second of sound (as fast as possible without)
then closes the connection. A proxy-style request line ("GET http://host/path") is routed by
its path. Every raw request is appended to the log file (JSON lines: listener, request) before
the answer starts. Prints "PORTS p0 p1 ..." once listening on 127.0.0.1; exits when stdin closes.
"""
import argparse
import json
import socket
import socketserver
import sys
import threading
import time

HOLD_LIMIT_SECONDS = 120
REQUEST_READ_SECONDS = 10


def read_request(conn):
    conn.settimeout(REQUEST_READ_SECONDS)
    data = b""
    try:
        while b"\r\n\r\n" not in data and b"\n\n" not in data:
            chunk = conn.recv(65536)
            if not chunk:
                break
            data += chunk
    except socket.timeout:
        pass
    return data


def route_key(raw):
    parts = raw.split(b"\r\n", 1)[0].split(b" ")
    target = parts[1].decode("latin-1") if len(parts) > 1 else "/"
    if "://" in target:
        after_scheme = target.split("://", 1)[1]
        slash = after_scheme.find("/")
        target = after_scheme[slash:] if slash >= 0 else "/"
    return target


def hold(conn):
    conn.settimeout(HOLD_LIMIT_SECONDS)
    try:
        while conn.recv(65536):
            pass
    except OSError:
        pass


def metadata_block(text):
    data = text.encode("latin-1")
    padded = (len(data) + 15) // 16 * 16
    return bytes([padded // 16]) + data + b"\0" * (padded - len(data))


def radio_bytes(sound, metaint, texts):
    if not metaint:
        return sound
    out = bytearray()
    for index, start in enumerate(range(0, len(sound), metaint)):
        piece = sound[start:start + metaint]
        out += piece
        if len(piece) == metaint:
            out += metadata_block(texts[index]) if index < len(texts) else b"\0"
    return bytes(out)


def stream(conn, step):
    with open(step["stream"], "rb") as sound_file:
        sound = sound_file.read()
    data = radio_bytes(sound, step.get("metaint", 0), step.get("meta", []))
    chunk = step.get("chunk") or len(data) or 1
    pace = step.get("bytes_per_second", 0)
    started = time.monotonic()
    sent_sound = 0.0
    for start in range(0, len(data), chunk):
        conn.sendall(data[start:start + chunk])
        sent_sound += chunk * len(sound) / max(len(data), 1)
        if pace:
            ahead = started + sent_sound / pace - time.monotonic()
            if ahead > 0:
                time.sleep(ahead)


def repeat(conn, text, every):
    deadline = time.monotonic() + HOLD_LIMIT_SECONDS
    while time.monotonic() < deadline:
        conn.sendall(text)
        if every:
            time.sleep(every)


class Server:
    def __init__(self, routes, log_path):
        self.routes = routes
        self.log_path = log_path
        self.log_lock = threading.Lock()
        self.ports = []

    def log(self, listener, raw):
        with self.log_lock, open(self.log_path, "a", encoding="utf-8") as log:
            log.write(json.dumps({"listener": listener, "request": raw.decode("latin-1")}) + "\n")

    def expand(self, text):
        for index, port in enumerate(self.ports):
            text = text.replace("{port%d}" % index, str(port))
        return text.encode("latin-1")

    def answer(self, listener, conn):
        raw = read_request(conn)
        self.log(listener, raw)
        steps = self.routes.get(route_key(raw),
                                [{"send": "HTTP/1.0 404 Not Found\r\nContent-Type: text/plain\r\n\r\nno such route\n"}])
        try:
            for step in steps:
                if "send" in step:
                    conn.sendall(self.expand(step["send"]))
                elif "wait" in step:
                    time.sleep(step["wait"])
                elif step.get("hold"):
                    hold(conn)
                elif "stream" in step:
                    stream(conn, step)
                elif "repeat" in step:
                    repeat(conn, self.expand(step["repeat"]), step.get("every", 0))
        except OSError:
            pass  # the client went away: that is its right

    def handler(self, listener):
        server = self

        class Handler(socketserver.BaseRequestHandler):
            def handle(self):
                server.answer(listener, self.request)

        return Handler


class ThreadingServer(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--routes", required=True)
    parser.add_argument("--log", required=True)
    parser.add_argument("--listeners", type=int, default=1)
    args = parser.parse_args()
    with open(args.routes, encoding="utf-8") as routes_file:
        server = Server(json.load(routes_file), args.log)
    listeners = [ThreadingServer(("127.0.0.1", 0), server.handler(index)) for index in range(args.listeners)]
    server.ports = [listener.server_address[1] for listener in listeners]
    for listener in listeners:
        threading.Thread(target=listener.serve_forever, daemon=True).start()
    print("PORTS " + " ".join(str(port) for port in server.ports), flush=True)
    sys.stdin.read()


if __name__ == "__main__":
    main()
