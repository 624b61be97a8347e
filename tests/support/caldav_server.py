#!/usr/bin/env python3
"""A CalDAV server and a second client ("the phone") for the sync tests, on 127.0.0.1.

  caldav_server.py start <folder>   starts them in the background and waits
  caldav_server.py stop <folder>    ends them (also after a crash)

The server is Radicale (python3-radicale), its collections under
<folder>/collections, users "tester" / "secret-pw" and "other" / "other-pw"
(each sees only its own calendars). The phone is the `caldav` library
(python3-caldav), logged on as tester. <folder>/ports gets
"<radicale port> <control port>" once both listen; <folder>/radicale.log is
Radicale's own log, one line per request.

The control server, on 127.0.0.1 (answers are UTF-8 text; an error is a 500
with the reason):
  POST /phone/make?cal=<name>          the calendar /tester/<name>/ made if missing
  GET  /phone/list?cal=<name>          a line per VEVENT: UID, DTSTART (as stored),
                                       SUMMARY, DESCRIPTION, the first alarm's TRIGGER,
                                       tab-separated; \\t \\n \\\\ stand for a tab, a line
                                       break and a backslash in them
  POST /phone/put?cal=&uid=&start=<YYYYMMDD or YYYYMMDDTHHMMSS>&summary=[&description=]
  POST /phone/edit?cal=&uid=&summary=[&description=]
                                       SUMMARY set, DESCRIPTION set or removed,
                                       SEQUENCE, DTSTAMP and LAST-MODIFIED moved on,
                                       everything else kept
  POST /phone/delete?cal=&uid=
  POST /server/stop, /server/start     Radicale killed (its port closes) and started
                                       again on the same port and storage
  GET  /server/requests                "<total> <PROPFIND> <REPORT> <PUT> <DELETE> <GET>
                                       <MKCALENDAR>": the requests Radicale logged from
                                       anyone but the phone, since start
"""
import datetime
import http.server
import importlib.util
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import threading
import time
import urllib.parse

USERS = {"tester": "secret-pw", "other": "other-pw"}
PHONE_USER = "tester"
# The phone's requests are told apart in Radicale's log by this, so that the
# counts are the program's own.
PHONE_AGENT = "Vellumo-test-phone"
METHODS = ("PROPFIND", "REPORT", "PUT", "DELETE", "GET", "MKCALENDAR")
REQUEST_LINE = re.compile(r"\] ([A-Z]+) request for .* received from ")


def python_with_modules():
    """An interpreter that has Radicale and caldav: Debian's packages live in
    the system Python, which need not be the first python3 on PATH."""
    if all(importlib.util.find_spec(m) for m in ("radicale", "caldav")):
        return sys.executable
    return "/usr/bin/python3"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def listening(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=0.2):
            return True
    except OSError:
        return False


class Radicale:
    """The server process: started, killed and started again on one port."""
    folder = ""
    port = 0
    process = None
    lock = threading.Lock()

    @classmethod
    def start(cls):
        with cls.lock:
            if cls.process is not None and cls.process.poll() is None:
                return True
            log = open(os.path.join(cls.folder, "radicale.log"), "a")
            cls.process = subprocess.Popen(
                [sys.executable, "-m", "radicale", "-C", os.path.join(cls.folder, "radicale.conf")],
                stdin=subprocess.DEVNULL, stdout=log, stderr=log, cwd=cls.folder)
            log.close()
            with open(os.path.join(cls.folder, "radicale.pid"), "w") as f:
                f.write(str(cls.process.pid))
            for _ in range(250):
                if listening(cls.port):
                    return True
                if cls.process.poll() is not None:
                    return False
                time.sleep(0.02)
            return False

    @classmethod
    def stop(cls):
        with cls.lock:
            if cls.process is None:
                return
            cls.process.kill()
            cls.process.wait()
            cls.process = None
            try:
                os.remove(os.path.join(cls.folder, "radicale.pid"))
            except FileNotFoundError:
                pass
            # Until the port refuses, a client could still reach the old one.
            for _ in range(250):
                if not listening(cls.port):
                    break
                time.sleep(0.02)

    @classmethod
    def requests(cls):
        counts = dict.fromkeys(METHODS, 0)
        total = 0
        try:
            with open(os.path.join(cls.folder, "radicale.log"), encoding="utf-8",
                      errors="replace") as log:
                for line in log:
                    match = REQUEST_LINE.search(line)
                    if not match or PHONE_AGENT in line:
                        continue
                    total += 1
                    if match.group(1) in counts:
                        counts[match.group(1)] += 1
        except FileNotFoundError:
            pass
        return " ".join(str(n) for n in [total] + [counts[m] for m in METHODS])


# --- The phone -------------------------------------------------------------

def unfold(text):
    return re.sub(r"\r?\n[ \t]", "", text).replace("\r\n", "\n").split("\n")


def unescape_text(value):
    out, i = [], 0
    while i < len(value):
        c = value[i]
        if c == "\\" and i + 1 < len(value):
            n = value[i + 1]
            out.append("\n" if n in "nN" else n)
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def escape_text(value):
    return (value.replace("\\", "\\\\").replace(";", "\\;").replace(",", "\\,")
            .replace("\r\n", "\\n").replace("\n", "\\n"))


def escape_field(value):
    return value.replace("\\", "\\\\").replace("\t", "\\t").replace("\r\n", "\\n").replace("\n", "\\n")


def split_property(line):
    """(NAME, value) of a content line; a colon inside a quoted parameter
    value does not end the name part."""
    quoted = False
    for i, c in enumerate(line):
        if c == '"':
            quoted = not quoted
        elif c == ":" and not quoted:
            return line[:i].split(";")[0].upper(), line[i + 1:]
    return line.upper(), ""


def list_lines(text):
    """One line per VEVENT of a calendar object's text, as /phone/list gives it."""
    lines, event, depth_alarm = [], None, 0
    for line in unfold(text):
        name, value = split_property(line)
        if name == "BEGIN" and value.upper() == "VEVENT":
            event = {"UID": "", "DTSTART": "", "SUMMARY": "", "DESCRIPTION": "", "TRIGGER": None}
        elif event is None:
            continue
        elif name == "BEGIN" and value.upper() == "VALARM":
            depth_alarm += 1
        elif name == "END" and value.upper() == "VALARM":
            depth_alarm -= 1
        elif name == "END" and value.upper() == "VEVENT":
            lines.append("\t".join(escape_field(v) for v in (
                event["UID"], event["DTSTART"], event["SUMMARY"], event["DESCRIPTION"],
                event["TRIGGER"] or "")))
            event = None
        elif depth_alarm:
            if name == "TRIGGER" and event["TRIGGER"] is None:
                event["TRIGGER"] = value
        elif name in ("SUMMARY", "DESCRIPTION"):
            event[name] = unescape_text(value)
        elif name in ("UID", "DTSTART"):
            event[name] = value
    return lines


def fold(line):
    """A content line cut into lines of at most 75 octets, never inside a character."""
    out, current = [], b""
    for c in line:
        b = c.encode("utf-8")
        if len(current) + len(b) > (75 if not out else 74):
            out.append(current)
            current = b""
        current += b
    out.append(current)
    return "\r\n ".join(part.decode("utf-8") for part in out)


def edited(text, summary, description):
    """The event's text as a phone saves it after a change of its title and
    notes: those and the change stamps replaced, every other line kept."""
    now = utc_stamp()
    out, in_event, in_alarm, sequence, at = [], False, False, 0, 0
    for line in unfold(text):
        name, value = split_property(line)
        if name in ("BEGIN", "END") and value.upper() == "VEVENT":
            in_event = name == "BEGIN"
            if in_event:
                at, sequence = len(out) + 1, 0
            else:
                # Before any alarm: an event's own properties come first.
                new = [fold(f"SUMMARY:{escape_text(summary)}"), f"SEQUENCE:{sequence + 1}",
                       f"DTSTAMP:{now}", f"LAST-MODIFIED:{now}"]
                if description is not None:
                    new.append(fold(f"DESCRIPTION:{escape_text(description)}"))
                out[at:at] = new
        elif name in ("BEGIN", "END") and value.upper() == "VALARM":
            in_alarm = name == "BEGIN"
        elif in_event and not in_alarm:
            if name == "SEQUENCE":
                sequence = int(value.strip()) if value.strip().isdigit() else 0
                continue
            if name in ("SUMMARY", "DESCRIPTION", "DTSTAMP", "LAST-MODIFIED"):
                continue
        if line:
            out.append(fold(line))
    return "\r\n".join(out) + "\r\n"


def utc_stamp():
    return datetime.datetime.now(datetime.timezone.utc).strftime("%Y%m%dT%H%M%SZ")


class Phone:
    lock = threading.Lock()

    @staticmethod
    def client():
        import caldav
        client = caldav.DAVClient(f"http://127.0.0.1:{Radicale.port}/", username=PHONE_USER,
                                  password=USERS[PHONE_USER])
        client.headers["User-Agent"] = PHONE_AGENT
        return client

    @staticmethod
    def calendar_url(name):
        return f"http://127.0.0.1:{Radicale.port}/{PHONE_USER}/{urllib.parse.quote(name)}/"

    @classmethod
    def calendar(cls, client, name):
        return client.calendar(url=cls.calendar_url(name))

    @classmethod
    def make(cls, q):
        import caldav
        client = cls.client()
        try:
            cls.calendar(client, q["cal"]).get_display_name()
            return ""
        except caldav.error.NotFoundError:
            pass
        client.principal().make_calendar(name=q["cal"], cal_id=q["cal"])
        return ""

    @classmethod
    def list(cls, q):
        calendar = cls.calendar(cls.client(), q["cal"])
        lines = []
        for event in calendar.events():
            lines += list_lines(event.data)
        return "".join(line + "\n" for line in sorted(lines))

    @classmethod
    def put(cls, q):
        start = q["start"]
        if re.fullmatch(r"\d{8}", start):
            day = datetime.datetime.strptime(start, "%Y%m%d")
            dates = [f"DTSTART;VALUE=DATE:{start}",
                     "DTEND;VALUE=DATE:" + (day + datetime.timedelta(days=1)).strftime("%Y%m%d")]
        elif re.fullmatch(r"\d{8}T\d{6}", start):
            moment = datetime.datetime.strptime(start, "%Y%m%dT%H%M%S")
            dates = [f"DTSTART:{start}",
                     "DTEND:" + (moment + datetime.timedelta(hours=1)).strftime("%Y%m%dT%H%M%S")]
        else:
            raise ValueError(f"start {start!r} is neither YYYYMMDD nor YYYYMMDDTHHMMSS")
        now = utc_stamp()
        lines = ["BEGIN:VCALENDAR", "VERSION:2.0", "PRODID:-//Vellumo tests//Phone//EN",
                 "BEGIN:VEVENT", f"UID:{q['uid']}", f"DTSTAMP:{now}", f"CREATED:{now}",
                 f"LAST-MODIFIED:{now}", "SEQUENCE:0"] + dates + [
                 f"SUMMARY:{escape_text(q['summary'])}"]
        if "description" in q:
            lines.append(f"DESCRIPTION:{escape_text(q['description'])}")
        lines += ["END:VEVENT", "END:VCALENDAR"]
        cls.calendar(cls.client(), q["cal"]).save_event("\r\n".join(lines) + "\r\n")
        return ""

    @classmethod
    def edit(cls, q):
        event = cls.calendar(cls.client(), q["cal"]).event_by_uid(q["uid"])
        event.data = edited(event.data, q["summary"], q.get("description"))
        event.save(increase_seqno=False)
        return ""

    @classmethod
    def delete(cls, q):
        cls.calendar(cls.client(), q["cal"]).event_by_uid(q["uid"]).delete()
        return ""


def server_stop(q):
    Radicale.stop()
    return ""


def server_start(q):
    if not Radicale.start():
        raise RuntimeError("Radicale did not start (see radicale.log)")
    return ""


ROUTES = {
    ("POST", "/phone/make"): Phone.make,
    ("GET", "/phone/list"): Phone.list,
    ("POST", "/phone/put"): Phone.put,
    ("POST", "/phone/edit"): Phone.edit,
    ("POST", "/phone/delete"): Phone.delete,
    ("POST", "/server/stop"): server_stop,
    ("POST", "/server/start"): server_start,
    ("GET", "/server/requests"): lambda q: Radicale.requests() + "\n",
}


class Control(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def handle_any(self):
        length = int(self.headers.get("Content-Length") or 0)
        if length:
            self.rfile.read(length)
        url = urllib.parse.urlsplit(self.path)
        query = {k: v[0] for k, v in urllib.parse.parse_qs(url.query, keep_blank_values=True,
                                                            encoding="utf-8").items()}
        route = ROUTES.get((self.command, url.path))
        status, body = 200, ""
        if route is None:
            status, body = 404, f"no {self.command} {url.path}\n"
        else:
            try:
                with Phone.lock:
                    body = route(query)
            except Exception as e:  # the test shows the reason
                status, body = 500, f"{type(e).__name__}: {e}\n"
        data = body.encode("utf-8")
        self.close_connection = True
        self.send_response(status)
        self.send_header("Connection", "close")
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    do_GET = handle_any
    do_POST = handle_any


def write_config(folder, port):
    users = os.path.join(folder, "users")
    with open(users, "w") as f:
        f.writelines(f"{user}:{password}\n" for user, password in USERS.items())
    with open(os.path.join(folder, "radicale.conf"), "w") as f:
        f.write(f"""[server]
hosts = 127.0.0.1:{port}

[auth]
type = htpasswd
htpasswd_filename = {users}
htpasswd_encryption = plain
delay = 0

[rights]
type = owner_only

[storage]
filesystem_folder = {os.path.join(folder, "collections")}

[web]
type = none

[logging]
level = info
mask_passwords = True
""")


def serve(folder):
    import caldav  # noqa: F401  (loaded now, not at the first phone call)
    Radicale.folder = folder
    Radicale.port = free_port()
    write_config(folder, Radicale.port)
    control = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Control)
    control.daemon_threads = True
    if not Radicale.start():
        Radicale.stop()
        return 1
    threading.Thread(target=control.serve_forever, daemon=True).start()
    with open(os.path.join(folder, "ports.tmp"), "w") as f:
        f.write(f"{Radicale.port} {control.server_address[1]}\n")
    os.replace(os.path.join(folder, "ports.tmp"), os.path.join(folder, "ports"))
    signal.sigwait([signal.SIGTERM, signal.SIGINT])
    Radicale.stop()
    return 0


def start(folder):
    stop(folder)
    os.makedirs(folder, exist_ok=True)
    for name in ("ports", "radicale.log"):
        if os.path.exists(os.path.join(folder, name)):
            os.remove(os.path.join(folder, name))
    # Every run starts with no calendars.
    shutil.rmtree(os.path.join(folder, "collections"), ignore_errors=True)
    signal.pthread_sigmask(signal.SIG_BLOCK, [signal.SIGTERM, signal.SIGINT])
    child = subprocess.Popen([python_with_modules(), os.path.abspath(__file__), "serve", folder],
                             start_new_session=True, stdin=subprocess.DEVNULL,
                             stdout=subprocess.DEVNULL,
                             stderr=open(os.path.join(folder, "serve.log"), "w"))
    with open(os.path.join(folder, "pid"), "w") as f:
        f.write(str(child.pid))
    for _ in range(200):
        if os.path.exists(os.path.join(folder, "ports")):
            return 0
        if child.poll() is not None:
            break
        time.sleep(0.05)
    print("the CalDAV test server did not start (see serve.log and radicale.log in "
          f"{folder})", file=sys.stderr)
    stop(folder)
    return 1


def stop(folder):
    # A later run without the servers must not find their ports.
    if os.path.exists(os.path.join(folder, "ports")):
        os.remove(os.path.join(folder, "ports"))
    # The control process first (it kills its Radicale), then a Radicale a
    # crashed control process left behind.
    for name in ("pid", "radicale.pid"):
        pid_file = os.path.join(folder, name)
        if not os.path.exists(pid_file):
            continue
        with open(pid_file) as f:
            text = f.read().strip()
        os.remove(pid_file)
        if not text.isdigit():
            continue
        try:
            os.kill(int(text), signal.SIGTERM if name == "pid" else signal.SIGKILL)
        except ProcessLookupError:
            continue
        if name == "pid":
            for _ in range(100):  # its Radicale gone with it
                try:
                    os.kill(int(text), 0)
                except ProcessLookupError:
                    break
                time.sleep(0.02)
    return 0


if __name__ == "__main__":
    command, folder = sys.argv[1], os.path.abspath(sys.argv[2])
    if command == "serve":
        signal.pthread_sigmask(signal.SIG_BLOCK, [signal.SIGTERM, signal.SIGINT])
        sys.exit(serve(folder))
    elif command == "start":
        sys.exit(start(folder))
    else:
        sys.exit(stop(folder))
