#!/usr/bin/python3
"""Stand-in for the model-lookup web service, for people and for tests.

    python3 tools/lookup_service/lookup_service.py [--host 127.0.0.1] [--port 8087]

GET /intf/getPhoneModel?pm[]=NAME answers the profile of NAME (the models in data/profiles,
matched without regard to case), with "{model}" replaced by NAME and "{base}" by this
server's address. GET /pictures/FILE serves data/pictures/FILE. Anything else is 404.

For tests:
  GET /__stats                 counts of requests per path, per model and per picture (JSON)
  GET /__stats?total=1, ?profile=NAME, ?picture=FILE, ?path=PATH
                               one of those counts as a plain number
  GET /__control?reset=1       clears the counts and every misbehaviour
  GET /__control?mode=M[&match=TEXT][&stall=SECONDS][&size=BYTES][&location=URL]
                 [&interval=SECONDS][&limit=SECONDS]
      misbehaves on requests whose path contains TEXT (default: all), until reset. M is one
      of: 404, html200 (an error page with status 200), truncate (half the body, then the
      connection closes), stall-before, stall-during (half the body, a pause, the rest),
      oversize (the body padded to SIZE bytes), redirect (302 to LOCATION, by default an
      error page of this server), and the hostile ones:
        gzip              Content-Encoding: gzip, about 1 MB that inflates to 1 GiB of zeros
        endless           the body, then filler, without a length, until the client goes
        trickle           the body one byte every INTERVAL seconds (default 1), with its length
        trickle-nolength  the same without a length
        trickle-head      the status line and headers one byte every INTERVAL seconds, then
                          the body
        silent            reads the request and never answers
        cut-nolength      half the body without a length, then the connection closes
        chunked-cut       half the body as one chunk, then the connection closes
        redirect-loop     302 to the same address, every time
      The hostile modes that go on stop by themselves after LIMIT seconds (default 120) or
      1 GiB, and at reset or shutdown; control requests are answered meanwhile.
  GET /__control?image_url=URL  profiles name URL as their picture ("" restores them)
  GET /__control?shutdown=1    stops the server
Requests to /__ paths are not counted.
"""

import argparse
import json
import os
import struct
import sys
import threading
import time
import urllib.parse
import zlib
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

HERE = os.path.dirname(os.path.abspath(__file__))
PROFILE_PATH = "/intf/getPhoneModel"
PICTURE_PREFIX = "/pictures/"
ERROR_PAGE = (b"<!DOCTYPE html>\n<html><head><title>Service unavailable</title></head>\n"
              b"<body><h1>Service unavailable</h1><p>Please try again later.</p></body></html>\n")
UTF8_BOM = b"\xef\xbb\xbf"
MIB = 1 << 20
# What the hostile modes that go on send at most.
ENDLESS_BYTES = 1024 * MIB


def gzip_bomb(mebibytes=1024):
    """A gzip stream of MEBIBYTES MiB of zeros, about 1 KB a MiB, built without compressing
    them all: after a full flush every further MiB compresses to the same bytes."""
    zeros = bytes(MIB)
    packer = zlib.compressobj(9, zlib.DEFLATED, 31)
    first = packer.compress(zeros) + packer.flush(zlib.Z_FULL_FLUSH)
    again = packer.compress(zeros) + packer.flush(zlib.Z_FULL_FLUSH)
    last_block = packer.flush()[:-8]  # the trailer is written for the whole length below
    crc = 0
    for _ in range(mebibytes):
        crc = zlib.crc32(zeros, crc)
    trailer = struct.pack("<II", crc, (mebibytes * MIB) & 0xFFFFFFFF)
    return first + again * (mebibytes - 1) + last_block + trailer


class State:
    def __init__(self):
        self.lock = threading.Lock()
        self.release = threading.Event()
        self.gzip_body = None
        self.reset()

    def reset(self):
        # Handlers held by a hostile mode let go of their client.
        self.release.set()
        self.release = threading.Event()
        self.paths = {}
        self.profiles = {}
        self.pictures = {}
        self.total = 0
        self.mode = None
        self.match = ""
        self.stall = 3.0
        self.size = 8 * 1024 * 1024
        self.location = None
        self.interval = 1.0
        self.limit = 120.0
        self.image_url = None
        self.last_request = time.monotonic()


class Handler(BaseHTTPRequestHandler):
    server_version = "LookupStandIn/1"

    def log_message(self, fmt, *args):
        if self.server.verbose:
            sys.stderr.write("%s %s\n" % (self.address_string(), fmt % args))

    def base(self):
        host, port = self.server.server_address[:2]
        return "http://%s:%d" % (host, port)

    def do_GET(self):
        state = self.server.state
        url = urllib.parse.urlsplit(self.path)
        with state.lock:
            state.last_request = time.monotonic()
        if url.path == "/__stats":
            return self.stats(urllib.parse.parse_qs(url.query, keep_blank_values=True))
        if url.path == "/__control":
            return self.control(urllib.parse.parse_qs(url.query, keep_blank_values=True))
        if url.path == "/__error_page":
            return self.reply(200, ERROR_PAGE, "text/html")

        with state.lock:
            state.paths[self.path] = state.paths.get(self.path, 0) + 1
            state.total += 1
            misbehave = state.mode if state.mode and state.match in self.path else None

        if url.path == PROFILE_PATH:
            query = urllib.parse.parse_qs(url.query, keep_blank_values=True)
            names = query.get("pm[]", [])
            if len(names) != 1:
                return self.reply(400, b"one pm[] expected\n", "text/plain")
            name = names[0]
            with state.lock:
                state.profiles[name] = state.profiles.get(name, 0) + 1
            body, kind = self.profile(name), "text/plain; charset=utf-8"
        elif url.path.startswith(PICTURE_PREFIX):
            name = urllib.parse.unquote(url.path[len(PICTURE_PREFIX):])
            with state.lock:
                state.pictures[name] = state.pictures.get(name, 0) + 1
            body, kind = self.picture(name), "image/png"
        else:
            body, kind = None, None

        if misbehave:
            return self.misbehave(misbehave, body or ERROR_PAGE, kind or "text/html")
        if body is None:
            return self.reply(404, b"not found\n", "text/plain")
        return self.reply(200, body, kind)

    def profile(self, name):
        folder = os.path.join(self.server.data, "profiles")
        for entry in sorted(os.listdir(folder)):
            stem, extension = os.path.splitext(entry)
            if extension == ".ini" and stem.casefold() == name.casefold():
                with open(os.path.join(folder, entry), "rb") as f:
                    raw = f.read()
                bom = raw.startswith(UTF8_BOM)
                text = raw[len(UTF8_BOM):].decode("utf-8") if bom else raw.decode("utf-8")
                image_url = self.server.state.image_url
                if image_url is not None:
                    text = "\n".join("ImageUrl=" + image_url if line.startswith("ImageUrl=") else line
                                     for line in text.split("\n"))
                text = text.replace("{model}", name).replace("{base}", self.base())
                return (UTF8_BOM if bom else b"") + text.encode("utf-8")
        return None

    def picture(self, name):
        folder = os.path.join(self.server.data, "pictures")
        # Only names that are in the folder, so no request can reach outside it.
        if name in os.listdir(folder):
            with open(os.path.join(folder, name), "rb") as f:
                return f.read()
        return None

    def misbehave(self, mode, body, kind):
        state = self.server.state
        with state.lock:
            release, interval, limit = state.release, state.interval, state.limit
        if mode in HOSTILE_MODES:
            try:
                HOSTILE_MODES[mode](self, body, kind, release, interval, time.monotonic() + limit)
            except (BrokenPipeError, ConnectionResetError, ConnectionAbortedError):
                pass  # the client gave up, which is what these modes wait for
            self.close_connection = True
            return None
        if mode == "404":
            return self.reply(404, ERROR_PAGE, "text/html")
        if mode == "html200":
            return self.reply(200, ERROR_PAGE, "text/html")
        if mode == "redirect":
            location = state.location or self.base() + "/__error_page"
            self.send_response(302)
            self.send_header("Location", location)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return None
        if mode == "stall-before":
            time.sleep(state.stall)
            return self.reply(200, body, kind)
        if mode == "oversize":
            padding = max(0, state.size - len(body))
            return self.reply(200, body + b"\n" * padding, kind)
        half = len(body) // 2
        self.send_response(200)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(body[:half])
        self.wfile.flush()
        if mode == "stall-during":
            time.sleep(state.stall)
            self.wfile.write(body[half:])
        self.close_connection = True
        return None

    def head(self, kind, length=None, extra=()):
        self.send_response(200)
        self.send_header("Content-Type", kind)
        if length is not None:
            self.send_header("Content-Length", str(length))
        for name, value in extra:
            self.send_header(name, value)
        self.send_header("Cache-Control", "no-store")
        if length is None:
            self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.flush()

    def send_gzip(self, body, kind, release, interval, end):
        state = self.server.state
        with state.lock:
            bomb = state.gzip_body
        if bomb is None:
            bomb = gzip_bomb()
            with state.lock:
                state.gzip_body = bomb
        self.head(kind, len(bomb), [("Content-Encoding", "gzip")])
        self.wfile.write(bomb)

    def send_endless(self, body, kind, release, interval, end):
        self.head(kind)
        self.wfile.write(body)
        filler = b"\0" * 65536
        sent = len(body)
        while sent < ENDLESS_BYTES and time.monotonic() < end and not release.is_set():
            self.wfile.write(filler)
            sent += len(filler)

    def send_trickle(self, body, kind, release, interval, end, length=True):
        self.head(kind, len(body) if length else None)
        for i in range(len(body)):
            if release.wait(interval) or time.monotonic() >= end:
                return
            self.wfile.write(body[i:i + 1])
            self.wfile.flush()

    def send_trickle_head(self, body, kind, release, interval, end):
        head = (b"HTTP/1.0 200 OK\r\nContent-Type: %s\r\nContent-Length: %d\r\n"
                b"Cache-Control: no-store\r\n\r\n" % (kind.encode(), len(body)))
        for i in range(len(head)):
            if release.wait(interval) or time.monotonic() >= end:
                return
            self.wfile.write(head[i:i + 1])
            self.wfile.flush()
        self.wfile.write(body)

    def send_silence(self, body, kind, release, interval, end):
        release.wait(max(0.0, end - time.monotonic()))

    def send_cut_nolength(self, body, kind, release, interval, end):
        self.head(kind)
        self.wfile.write(body[:len(body) // 2])

    def send_chunked_cut(self, body, kind, release, interval, end):
        self.protocol_version = "HTTP/1.1"  # chunks mean nothing in an HTTP/1.0 answer
        self.head(kind, extra=[("Transfer-Encoding", "chunked")])
        half = body[:len(body) // 2]
        self.wfile.write(b"%x\r\n" % len(half) + half + b"\r\n")

    def send_redirect_loop(self, body, kind, release, interval, end):
        self.send_response(302)
        self.send_header("Location", self.path)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def reply(self, status, body, kind):
        self.send_response(status)
        self.send_header("Content-Type", kind)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        try:
            self.wfile.write(body)
        except (BrokenPipeError, ConnectionResetError):
            pass  # the client gave up, e.g. at its size cap
        return None

    def stats(self, query):
        state = self.server.state
        with state.lock:
            for key, table in (("profile", state.profiles), ("picture", state.pictures), ("path", state.paths)):
                if key in query:
                    count = table.get(query[key][0], 0)
                    return self.reply(200, b"%d" % count, "text/plain")
            if "total" in query:
                return self.reply(200, b"%d" % state.total, "text/plain")
            data = {"paths": state.paths, "profiles": state.profiles, "pictures": state.pictures,
                    "total": state.total}
            body = json.dumps(data, sort_keys=True).encode("utf-8")
        return self.reply(200, body, "application/json")

    def control(self, query):
        state = self.server.state
        first = lambda key: query[key][0]
        with state.lock:
            if "reset" in query:
                state.reset()
            if "mode" in query:
                state.mode = first("mode") or None
            if "match" in query:
                state.match = first("match")
            if "stall" in query:
                state.stall = float(first("stall"))
            if "size" in query:
                state.size = int(first("size"))
            if "location" in query:
                state.location = first("location") or None
            if "interval" in query:
                state.interval = float(first("interval"))
            if "limit" in query:
                state.limit = float(first("limit"))
            if "image_url" in query:
                state.image_url = first("image_url") or None
        self.reply(200, b"ok\n", "text/plain")
        if "shutdown" in query:
            with state.lock:
                state.release.set()
            threading.Thread(target=self.server.shutdown, daemon=True).start()


HOSTILE_MODES = {
    "gzip": Handler.send_gzip,
    "endless": Handler.send_endless,
    "trickle": Handler.send_trickle,
    "trickle-nolength": lambda handler, *rest: handler.send_trickle(*rest, length=False),
    "trickle-head": Handler.send_trickle_head,
    "silent": Handler.send_silence,
    "cut-nolength": Handler.send_cut_nolength,
    "chunked-cut": Handler.send_chunked_cut,
    "redirect-loop": Handler.send_redirect_loop,
}


def main():
    parser = argparse.ArgumentParser(description="Model-lookup service stand-in")
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=8087, help="0 picks a free port")
    parser.add_argument("--data", default=os.path.join(HERE, "data"))
    parser.add_argument("--port-file", help="write the port here once listening")
    parser.add_argument("--idle-exit", type=float, default=0,
                        help="stop after this many seconds without a request (0: never)")
    parser.add_argument("--verbose", action="store_true")
    args = parser.parse_args()

    server = ThreadingHTTPServer((args.host, args.port), Handler)
    server.daemon_threads = True
    # Handlers a hostile mode holds must not keep the server from ending.
    server.block_on_close = False
    server.data = args.data
    server.verbose = args.verbose
    server.state = State()
    port = server.server_address[1]
    if args.port_file:
        # Written whole under another name first, so a reader never sees half a number.
        partial = args.port_file + ".part"
        with open(partial, "w") as f:
            f.write("%d\n" % port)
        os.replace(partial, args.port_file)
    if args.idle_exit > 0:
        def watch():
            while True:
                time.sleep(1)
                with server.state.lock:
                    idle = time.monotonic() - server.state.last_request
                if idle > args.idle_exit:
                    server.shutdown()
                    return
        threading.Thread(target=watch, daemon=True).start()
    if args.port_file and not args.verbose:
        # Started by a test program: let go of its output, or whoever reads that output to the
        # end would wait for this server too.
        devnull = os.open(os.devnull, os.O_RDWR)
        for fd in (0, 1, 2):
            os.dup2(devnull, fd)
    else:
        print("model-lookup stand-in on http://%s:%d" % (args.host, port), file=sys.stderr, flush=True)
    try:
        server.serve_forever(poll_interval=0.05)
    except KeyboardInterrupt:
        pass
    server.server_close()


if __name__ == "__main__":
    main()
