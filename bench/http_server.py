#!/usr/bin/env python3
"""Static files for bench_download: HTTP/1.1 with kept-alive connections, a thread per
connection, and an optional pause before every answer (a simulated round trip).

Nagle's algorithm is off, as production web servers (nginx, Apache) set it: with it on, the
last small piece of an answer can wait for the client's delayed acknowledgement (40 ms on
Linux), a stall that falls on either client at random and swamps what is measured.

usage: http_server.py PORT DIRECTORY DELAY_MS
With PORT 0 the system chooses a free port; the port in use is printed on the first line."""
import functools
import http.server
import sys
import time


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    disable_nagle_algorithm = True
    delay = 0.0

    def send_head(self):
        if self.delay:
            time.sleep(self.delay)
        return super().send_head()

    def log_message(self, *args):
        pass


def main():
    port, directory, delay_ms = int(sys.argv[1]), sys.argv[2], float(sys.argv[3])
    Handler.delay = delay_ms / 1000.0
    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", port), functools.partial(Handler, directory=directory))
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
