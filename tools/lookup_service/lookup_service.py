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
      misbehaves on requests whose path contains TEXT (default: all), until reset. M is one
      of: 404, html200 (an error page with status 200), truncate (half the body, then the
      connection closes), stall-before, stall-during (half the body, a pause, the rest),
      oversize (the body padded to SIZE bytes), redirect (302 to LOCATION, by default an
      error page of this server).
  GET /__control?image_url=URL  profiles name URL as their picture ("" restores them)
  GET /__control?shutdown=1    stops the server
Requests to /__ paths are not counted.
"""

import argparse
import json
import os
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

HERE = os.path.dirname(os.path.abspath(__file__))
PROFILE_PATH = "/intf/getPhoneModel"
PICTURE_PREFIX = "/pictures/"
ERROR_PAGE = (b"<!DOCTYPE html>\n<html><head><title>Service unavailable</title></head>\n"
              b"<body><h1>Service unavailable</h1><p>Please try again later.</p></body></html>\n")
UTF8_BOM = b"\xef\xbb\xbf"


class State:
    def __init__(self):
        self.lock = threading.Lock()
        self.reset()

    def reset(self):
        self.paths = {}
        self.profiles = {}
        self.pictures = {}
        self.total = 0
        self.mode = None
        self.match = ""
        self.stall = 3.0
        self.size = 8 * 1024 * 1024
        self.location = None
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
            if "image_url" in query:
                state.image_url = first("image_url") or None
        self.reply(200, b"ok\n", "text/plain")
        if "shutdown" in query:
            threading.Thread(target=self.server.shutdown, daemon=True).start()


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
