#!/usr/bin/env python3
"""Local web servers for the calendar subscription tests, on 127.0.0.1.

  calendar_server.py start <folder>   starts them in the background and waits
  calendar_server.py stop <folder>    ends them

<folder>/root holds the files served (the tests change them); <folder>/ports
gets "<http port> <https port> <control port>" once all listen; <folder>/log one line per
request ("GET /holidays.ics 304"). The HTTPS server's certificate is made by
openssl at start and signed by nobody, so a client must refuse it.

Paths besides the files: /loop redirects to itself, /hop/<n> redirects n
times and then to /holidays.ics, /big claims an answer over 20 MB, /silent
accepts and never answers. The control server's /stop closes the plain
server's port (a server that went away) and /start opens it again.
"""
import email.utils
import hashlib
import http.server
import os
import signal
import ssl
import subprocess
import sys
import threading
import time


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    root = "."
    log_path = None

    def log_message(self, *args):
        pass

    def note(self, status):
        if self.log_path:
            with open(self.log_path, "a") as log:
                log.write(f"{self.command} {self.path} {status}\n")

    def answer(self, status, body=b"", headers=()):
        # One request per connection: a client's pooled connection would
        # outlive a stop of the server (see Plain.stop).
        self.close_connection = True
        self.send_response(status)
        self.send_header("Connection", "close")
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)
        self.note(status)

    def do_HEAD(self):
        self.do_GET()

    def do_GET(self):
        path = self.path.split("?")[0]
        if path == "/loop":
            return self.answer(302, headers=[("Location", "/loop")])
        if path.startswith("/hop/"):
            n = int(path[5:] or 0)
            return self.answer(302, headers=[("Location", f"/hop/{n - 1}" if n > 1 else "/holidays.ics")])
        if path == "/big":
            self.close_connection = True
            self.send_response(200)
            self.send_header("Content-Length", str(21 * 1024 * 1024))
            self.end_headers()
            self.note(200)
            try:
                self.wfile.write(b"BEGIN:VCALENDAR\r\n" + b"X" * 65536)
            except OSError:
                pass
            return
        if path == "/silent":
            self.note("silent")
            time.sleep(20)
            self.close_connection = True
            return
        name = os.path.basename(path)
        file = os.path.join(self.root, name)
        if not name or not os.path.isfile(file):
            return self.answer(404, b"not here")
        with open(file, "rb") as f:
            body = f.read()
        etag = '"' + hashlib.sha1(body).hexdigest()[:16] + '"'
        mtime = int(os.path.getmtime(file))
        modified = email.utils.formatdate(mtime, usegmt=True)
        headers = [("ETag", etag), ("Last-Modified", modified), ("Content-Type", "text/calendar")]
        match = self.headers.get("If-None-Match")
        since = self.headers.get("If-Modified-Since")
        if match is not None:
            if etag in [m.strip() for m in match.split(",")] or match.strip() == "*":
                return self.answer(304, headers=headers)
        elif since is not None:
            try:
                if mtime <= email.utils.parsedate_to_datetime(since).timestamp():
                    return self.answer(304, headers=headers)
            except (TypeError, ValueError):
                pass
        self.answer(200, body, headers)


class Plain:
    server = None
    port = 0
    lock = threading.Lock()

    @classmethod
    def start(cls):
        with cls.lock:
            if cls.server is None:
                cls.server = http.server.ThreadingHTTPServer(("127.0.0.1", cls.port), Handler)
                cls.server.daemon_threads = True
                cls.port = cls.server.server_address[1]
                threading.Thread(target=cls.server.serve_forever, daemon=True).start()

    @classmethod
    def stop(cls):
        with cls.lock:
            if cls.server is not None:
                cls.server.shutdown()
                cls.server.server_close()
                cls.server = None


class Control(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        if self.path == "/stop":
            Plain.stop()
        elif self.path == "/start":
            Plain.start()
        self.send_response(200)
        self.send_header("Content-Length", "0")
        self.end_headers()


def serve(folder):
    Handler.root = os.path.join(folder, "root")
    Handler.log_path = os.path.join(folder, "log")
    Plain.start()
    control = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Control)
    secure = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(folder, "cert.pem"), os.path.join(folder, "key.pem"))
    secure.socket = context.wrap_socket(secure.socket, server_side=True)
    for server in (secure, control):
        server.daemon_threads = True
        threading.Thread(target=server.serve_forever, daemon=True).start()
    with open(os.path.join(folder, "ports.tmp"), "w") as f:
        f.write(f"{Plain.port} {secure.server_address[1]} {control.server_address[1]}\n")
    os.replace(os.path.join(folder, "ports.tmp"), os.path.join(folder, "ports"))
    signal.sigwait([signal.SIGTERM, signal.SIGINT])


def start(folder):
    stop(folder)
    os.makedirs(os.path.join(folder, "root"), exist_ok=True)
    for name in ("ports", "log"):
        if os.path.exists(os.path.join(folder, name)):
            os.remove(os.path.join(folder, name))
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", "/CN=127.0.0.1", "-keyout", os.path.join(folder, "key.pem"),
                    "-out", os.path.join(folder, "cert.pem")],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    signal.pthread_sigmask(signal.SIG_BLOCK, [signal.SIGTERM, signal.SIGINT])
    child = subprocess.Popen([sys.executable, os.path.abspath(__file__), "serve", folder],
                             start_new_session=True, stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    with open(os.path.join(folder, "pid"), "w") as f:
        f.write(str(child.pid))
    for _ in range(200):
        if os.path.exists(os.path.join(folder, "ports")):
            return 0
        if child.poll() is not None:
            break
        time.sleep(0.05)
    print("the calendar test servers did not start", file=sys.stderr)
    return 1


def stop(folder):
    pid_file = os.path.join(folder, "pid")
    if not os.path.exists(pid_file):
        return 0
    with open(pid_file) as f:
        pid = int(f.read().strip() or 0)
    os.remove(pid_file)
    try:
        os.kill(pid, signal.SIGTERM)
    except ProcessLookupError:
        pass
    return 0


if __name__ == "__main__":
    command, folder = sys.argv[1], os.path.abspath(sys.argv[2])
    if command == "serve":
        signal.pthread_sigmask(signal.SIG_BLOCK, [signal.SIGTERM, signal.SIGINT])
        serve(folder)
    elif command == "start":
        sys.exit(start(folder))
    else:
        sys.exit(stop(folder))
