"""Real CalDAV servers for the sync tests: Radicale and Xandikos on loopback ports chosen at random, each
with a storage folder of its own, stopped by process id however the test ends.

    with servers.running("radicale", auth="basic") as server:
        server.calendar   # a calendar collection that is ready, "http://127.0.0.1:PORT/alice/calendar/"
        server.base       # the server's root, "http://127.0.0.1:PORT/"

Radicale runs with an htpasswd file when `auth` is "basic" (it speaks no Digest; the fault proxy does),
with a rights file when `read_only` names collections the user may only read, and over TLS with a
self-signed certificate when `tls` is true, and `password` is alice's (UTF-8 in the file, as Radicale
reads it). Xandikos has no authentication of its own.
"""

import base64
import contextlib
import hashlib
import os
import shutil
import signal
import socket
import ssl
import subprocess
import tempfile
import time
import urllib.request

USER = "alice"
PASSWORD = "heslo-123"
START_TIMEOUT = 20.0


def _die_with_parent():
    """In the server's process before it starts: end it when the process that started it ends, however
    that ends (a SIGKILL included), so no server outlives its test."""
    try:
        import ctypes
        ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG
    except (OSError, AttributeError):
        pass


class Missing(Exception):
    """The server's program is not installed."""


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def _listening(port):
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.settimeout(0.2)
        return s.connect_ex(("127.0.0.1", port)) == 0


def make_certificate(folder, name="server"):
    """A self-signed certificate for 127.0.0.1 and localhost; returns (cert, key, SHA-256 fingerprint)."""
    cert = os.path.join(folder, name + ".crt")
    key = os.path.join(folder, name + ".key")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost",
                    "-keyout", key, "-out", cert], check=True, capture_output=True)
    der = ssl.PEM_cert_to_DER_cert(open(cert).read())
    digest = hashlib.sha256(der).hexdigest().upper()
    return cert, key, ":".join(digest[i:i + 2] for i in range(0, len(digest), 2))


class Server:
    def __init__(self, kind, folder, port, scheme="http"):
        self.kind = kind
        self.folder = folder
        self.port = port
        self.scheme = scheme
        self.process = None
        self.log = os.path.join(folder, kind + ".log")
        self.user = USER if kind == "radicale" else ""
        self.password = PASSWORD if kind == "radicale" else ""
        self.auth = None
        self.fingerprint = ""
        self.certificate = None  # (cert, key) for TLS

    @property
    def base(self):
        return "%s://127.0.0.1:%d/" % (self.scheme, self.port)

    @property
    def principal(self):
        return self.base + ("%s/" % USER if self.kind == "radicale" else "user/")

    @property
    def calendar(self):
        return self.principal + ("calendar/" if self.kind == "radicale" else "calendars/calendar/")

    @property
    def storage(self):
        return os.path.join(self.folder, "storage")

    def command(self):
        if self.kind == "radicale":
            cmd = ["radicale", "--config", "", "--server-hosts", "127.0.0.1:%d" % self.port,
                   "--storage-filesystem-folder", self.storage, "--logging-level", "warning"]
            if self.auth == "basic":
                cmd += ["--auth-type", "htpasswd", "--auth-htpasswd-filename", os.path.join(self.folder, "users"),
                        "--auth-htpasswd-encryption", "plain"]
            else:
                cmd += ["--auth-type", "none"]
            if os.path.exists(os.path.join(self.folder, "rights")):
                cmd += ["--rights-type", "from_file", "--rights-file", os.path.join(self.folder, "rights")]
            if self.certificate:
                cmd += ["--server-ssl", "--server-certificate", self.certificate[0],
                        "--server-key", self.certificate[1]]
            return cmd
        return ["xandikos", "-d", self.storage, "--defaults", "-l", "127.0.0.1", "-p", str(self.port)]

    def start(self):
        program = self.command()[0]
        if shutil.which(program) is None:
            raise Missing(program)
        with open(self.log, "ab") as log:
            self.process = subprocess.Popen(self.command(), stdout=log, stderr=subprocess.STDOUT,
                                            stdin=subprocess.DEVNULL, start_new_session=True,
                                            preexec_fn=_die_with_parent)
        deadline = time.monotonic() + START_TIMEOUT
        while not _listening(self.port):
            if self.process.poll() is not None:
                raise RuntimeError("%s ended at start:\n%s" % (self.kind, open(self.log).read()[-2000:]))
            if time.monotonic() > deadline:
                self.stop()
                raise RuntimeError("%s did not listen within %d s" % (self.kind, START_TIMEOUT))
            time.sleep(0.05)

    def stop(self):
        """Ends the server by its process id (its whole session, in case it started helpers)."""
        if self.process is None:
            return
        if self.process.poll() is None:
            for sig, wait in ((signal.SIGTERM, 5), (signal.SIGKILL, 5)):
                try:
                    os.killpg(self.process.pid, sig)
                except ProcessLookupError:
                    break
                try:
                    self.process.wait(wait)
                    break
                except subprocess.TimeoutExpired:
                    continue
        self.process = None

    def request(self, method, url, body=None, headers=None, timeout=30):
        """A plain HTTP request to the server itself (not through Kalvo): (status, headers, body)."""
        req = urllib.request.Request(url, data=body, method=method, headers=dict(headers or {}))
        if self.user:
            token = base64.b64encode(("%s:%s" % (self.user, self.password)).encode()).decode()
            req.add_header("Authorization", "Basic " + token)
        context = None
        if self.scheme == "https":
            context = ssl.create_default_context()
            context.check_hostname = False
            context.verify_mode = ssl.CERT_NONE
        try:
            with urllib.request.urlopen(req, timeout=timeout, context=context) as answer:
                return answer.status, answer.headers, answer.read()
        except urllib.error.HTTPError as error:
            return error.code, error.headers, error.read()

    def make_calendar(self, url, name=None):
        body = None
        if name is not None:
            body = ('<?xml version="1.0"?><c:mkcalendar xmlns:d="DAV:" xmlns:c="urn:ietf:params:xml:ns:caldav">'
                    '<d:set><d:prop><d:displayname>%s</d:displayname></d:prop></d:set></c:mkcalendar>'
                    % name).encode()
        status, _, text = self.request("MKCALENDAR", url, body, {"Content-Type": "application/xml"})
        if status != 201:
            raise RuntimeError("MKCALENDAR %s: %d %s" % (url, status, text[:300]))

    def put(self, url, ics):
        status, headers, _ = self.request("PUT", url, ics.encode(), {"Content-Type": "text/calendar"})
        if status not in (200, 201, 204):
            raise RuntimeError("PUT %s: %d" % (url, status))
        return headers.get("ETag", "")

    def seed(self, items):
        """Puts many events straight into the ready calendar's storage ({name: iCalendar text}), far faster
        than one PUT each: files for Radicale, one git commit for Xandikos. Both servers read them at once."""
        folder = self.calendar_folder()
        for name, text in items.items():
            with open(os.path.join(folder, name), "w", encoding="utf-8", newline="") as f:
                f.write(text)
        if self.kind == "xandikos":
            subprocess.run(["git", "-C", folder, "add", "-A"], check=True)
            subprocess.run(["git", "-C", folder, "-c", "user.name=Kalvo test", "-c", "user.email=test@kalvo.invalid",
                            "commit", "-q", "-m", "Seeded by the test"], check=True)

    def calendar_folder(self):
        if self.kind == "radicale":
            return os.path.join(self.storage, "collection-root", USER, "calendar")
        return os.path.join(self.storage, "user", "calendars", "calendar")

    def files(self):
        """The .ics files the server keeps for the ready calendar, read from its own storage."""
        folder = self.calendar_folder()
        found = {}
        if os.path.isdir(folder):
            for name in sorted(os.listdir(folder)):
                if name.endswith(".ics"):
                    with open(os.path.join(folder, name), encoding="utf-8") as f:
                        found[name] = f.read()
        return found


def start(kind, folder, auth=None, tls=False, read_only=(), may_create=True, port=None, password=PASSWORD):
    """Starts a server in `folder` (which must exist) and makes its ready calendar; see `running`."""
    server = Server(kind, folder, port or free_port(), "https" if tls else "http")
    if kind == "radicale":
        server.auth = auth
        server.password = password
        with open(os.path.join(folder, "users"), "w", encoding="utf-8") as f:
            f.write("%s:%s\n" % (USER, password))
        if read_only or not may_create:
            write_rights(folder, read_only, may_create)
            for path in read_only:  # made in the storage, since the user may not make them
                collection = os.path.join(folder, "storage", "collection-root", USER, path)
                os.makedirs(collection)
                with open(os.path.join(collection, ".Radicale.props"), "w") as f:
                    f.write('{"tag": "VCALENDAR", "D:displayname": "%s"}' % path)
    if tls:
        cert, key, server.fingerprint = make_certificate(folder)
        server.certificate = (cert, key)
    server.start()
    try:
        if kind == "radicale":
            server.make_calendar(server.calendar, "Kalendár")
    except Exception:
        server.stop()
        raise
    return server


def write_rights(folder, read_only, may_create=True):
    """Radicale's rights: the user owns their collections, except those in `read_only` (paths without the
    user's folder, e.g. "shared"), which they may only read. Without `may_create` they may write only the
    ready calendar and make no other."""
    sections = []
    for i, path in enumerate(read_only):
        sections.append("[read%d]\nuser: .+\ncollection: {user}/%s(/.*)?\npermissions: rR\n" % (i, path))
    sections.append("[principal]\nuser: .+\ncollection: {user}\npermissions: RW\n")
    owned = ".+" if may_create else "calendar(/.*)?"
    sections.append("[owner]\nuser: .+\ncollection: {user}/%s\npermissions: rwRW\n" % owned)
    sections.append("[root]\nuser: .+\ncollection:\npermissions: R\n")
    with open(os.path.join(folder, "rights"), "w") as f:
        f.write("\n".join(sections))


@contextlib.contextmanager
def running(kind, **options):
    folder = tempfile.mkdtemp(prefix="kalvo-%s-" % kind)
    server = None
    try:
        server = start(kind, folder, **options)
        yield server
    finally:
        if server is not None:
            server.stop()
        shutil.rmtree(folder, ignore_errors=True)
