"""A proxy between Kalvo and a real CalDAV server that breaks chosen exchanges on purpose (standard library
only). Faults wait in a list; a request takes the first one whose method matches and that applies to it.

    proxy = FaultProxy("http://127.0.0.1:5232/")
    proxy.add("500-after", method="PUT")     # the upload goes through, the answer says 500
    ... Kalvo talks to proxy.base ...
    proxy.stop()

Faults:
    412            answers 412 without asking the server
    status CODE    answers CODE without asking the server
    redirect CODE  answers CODE (a redirect) pointing at the same address, without asking the server
    500-after      forwards the request, then answers 500 instead of the server's answer
    503 SECONDS    answers 503 with Retry-After: SECONDS without asking the server
    stall          forwards the request, then sends nothing until the client gives up
    slow SECONDS   forwards the request, then waits SECONDS before it sends the server's answer, as a
                   server does that lists a big calendar
    cut            forwards the request, then sends the headers and half the body and closes
    forget-token   spoils the token of a sync-collection REPORT, so the server answers as it does for a
                   token it has forgotten (Radicale 403, Xandikos 500)
    409-token      answers a sync-collection REPORT with 409 and DAV:valid-sync-token, as other servers do
    401            answers 401 with a Basic challenge: a wrong password
    507 N          cuts a sync-collection listing after N entries with a 507 for the collection and a token
                   of the proxy's own; a REPORT with that token gets the server's answer to the original one
Modes: `require_digest(user, password)` asks every request for Digest credentials (checked here, not
forwarded); `principal_elsewhere(url)` rewrites the current-user-principal the server names to an absolute
address on `url` (another host).
"""

import hashlib
import http.client
import http.server
import re
import secrets
import select
import socket
import ssl
import threading
import urllib.parse
import xml.etree.ElementTree as ET

DAV = "{DAV:}"
HOP_HEADERS = {"connection", "keep-alive", "proxy-authenticate", "proxy-authorization", "te", "trailers",
               "transfer-encoding", "upgrade", "host", "content-length"}
# The proxy reads and rewrites answers, so it asks the server for them uncompressed.
NOT_FORWARDED = HOP_HEADERS | {"accept-encoding"}
SYNC_TOKEN = re.compile(rb"(<(?:[\w.-]+:)?sync-token>)([^<]*)(</)")
STALL_LIMIT = 60.0


class Fault:
    def __init__(self, kind, method=None, times=1, arg=None):
        self.kind = kind
        self.method = method
        self.times = times  # a negative count: every matching request
        self.arg = arg

    def applies(self, method, body):
        if self.method and self.method != method:
            return False
        if self.kind in ("forget-token", "409-token", "507"):
            if method != "REPORT" or b"sync-collection" not in body:
                return False
            if self.kind == "forget-token":
                match = SYNC_TOKEN.search(body)
                return bool(match and match.group(2).strip())
        return True


class FaultProxy:
    def __init__(self, target, host="127.0.0.1", port=0):
        self.target = urllib.parse.urlsplit(target)
        self.lock = threading.Lock()
        self.faults = []
        self.requests = []
        self.continuations = {}
        self.digest = None
        self.elsewhere = None
        self.stopping = threading.Event()
        self.timeout = 60  # the longest the proxy waits for the server's answer
        self.server = http.server.ThreadingHTTPServer((host, port), _Handler)
        self.server.daemon_threads = True
        self.server.proxy = self
        self.host = host
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()

    @property
    def port(self):
        return self.server.server_address[1]

    @property
    def base(self):
        return "http://%s:%d/" % (self.host, self.port)

    def add(self, kind, method=None, times=1, arg=None):
        with self.lock:
            self.faults.append(Fault(kind, method, times, arg))

    def require_digest(self, user, password):
        self.digest = (user, password, secrets.token_hex(16))

    def principal_elsewhere(self, url):
        self.elsewhere = url.rstrip("/")

    def reset(self):
        with self.lock:
            self.faults.clear()
            self.requests.clear()

    def count(self):
        with self.lock:
            return len(self.requests)

    def take(self, method, body):
        with self.lock:
            for fault in self.faults:
                if fault.applies(method, body):
                    if fault.times > 0:
                        fault.times -= 1
                        if fault.times == 0:
                            self.faults.remove(fault)
                    return fault
        return None

    def stop(self):
        self.stopping.set()
        self.server.shutdown()
        self.server.server_close()

    def forward(self, method, path, headers, body):
        if self.target.scheme == "https":
            context = ssl.create_default_context()
            context.check_hostname = False
            context.verify_mode = ssl.CERT_NONE
            connection = http.client.HTTPSConnection(self.target.hostname, self.target.port,
                                                     timeout=self.timeout, context=context)
        else:
            connection = http.client.HTTPConnection(self.target.hostname, self.target.port, timeout=self.timeout)
        try:
            connection.request(method, path, body=body, headers=headers)
            answer = connection.getresponse()
            return answer.status, answer.reason, answer.getheaders(), answer.read()
        finally:
            connection.close()


class _Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def __getattr__(self, name):
        if name.startswith("do_"):
            return self.relay
        raise AttributeError(name)

    @property
    def proxy(self):
        return self.server.proxy

    def reply(self, status, body=b"", headers=(), reason=None):
        self.send_response(status, reason)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        try:
            self.end_headers()
            self.wfile.write(body)
            self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True  # the client gave up on this request: nobody reads the answer

    def relay(self):
        proxy = self.proxy
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else b""
        method = self.command
        with proxy.lock:
            proxy.requests.append("%s %s" % (method, self.path))
        if proxy.digest and not self.digest_ok(method):
            self.reply(401, b"", [("WWW-Authenticate", 'Digest realm="Kalvo test", nonce="%s", qop="auth", '
                                   'algorithm=MD5' % proxy.digest[2])])
            return
        fault = proxy.take(method, body)
        kind = fault.kind if fault else None
        if kind == "412":
            return self.reply(412, b"Precondition Failed")
        if kind == "status":
            return self.reply(int(fault.arg), b"Answered by the proxy")
        if kind == "redirect":
            return self.reply(int(fault.arg or 307), b"Moved", [("Location", self.path)])
        if kind == "503":
            return self.reply(503, b"Busy", [("Retry-After", str(fault.arg))])
        if kind == "401":
            return self.reply(401, b"Unauthorized", [("WWW-Authenticate", 'Basic realm="Kalvo test"')])
        if kind == "409-token":
            return self.reply(409, b'<?xml version="1.0"?><d:error xmlns:d="DAV:"><d:valid-sync-token/></d:error>',
                              [("Content-Type", "application/xml")])
        if kind == "forget-token":
            body = SYNC_TOKEN.sub(lambda m: m.group(1) + _spoil(m.group(2)) + m.group(3), body, count=1)
        body = self.continue_listing(body)

        # A cut answer is cut as the server sent it, compressed when the client asked for that.
        dropped = HOP_HEADERS if kind == "cut" else NOT_FORWARDED
        headers = {k: v for k, v in self.headers.items() if k.lower() not in dropped}
        if proxy.digest:
            headers.pop("Authorization", None)
        status, reason, answer_headers, answer = proxy.forward(method, self.path, headers, body)
        if kind == "500-after":
            return self.reply(500, b"Internal Server Error")
        if kind == "stall":
            return self.stall()
        if kind == "slow":
            proxy.stopping.wait(float(fault.arg))
        kept = [(k, v) for k, v in answer_headers if k.lower() not in HOP_HEADERS]
        if kind == "cut":
            self.send_response(status, reason)
            for name, value in kept:
                self.send_header(name, value)
            self.send_header("Content-Length", str(len(answer)))
            self.end_headers()
            self.wfile.write(answer[:len(answer) // 2])
            self.wfile.flush()
            self.close_connection = True
            self.connection.shutdown(socket.SHUT_RDWR)
            return
        if kind == "507" and status == 207:
            answer = self.truncate(body, answer, int(fault.arg or 1))
        if proxy.elsewhere and method == "PROPFIND":
            answer = re.sub(rb"(<(?:[\w.-]+:)?current-user-principal>\s*<(?:[\w.-]+:)?href>)(/[^<]*)",
                            lambda m: m.group(1) + proxy.elsewhere.encode() + m.group(2), answer)
        self.reply(status, answer, kept, reason)

    def stall(self):
        """Holds the answer back until the client closes the connection (or the proxy stops)."""
        waited = 0.0
        while waited < STALL_LIMIT and not self.proxy.stopping.is_set():
            readable, _, _ = select.select([self.connection], [], [], 0.1)
            waited += 0.1
            if readable:
                try:
                    if not self.connection.recv(1, socket.MSG_PEEK):
                        break
                except OSError:
                    break
        self.close_connection = True

    def continue_listing(self, body):
        match = SYNC_TOKEN.search(body)
        if not match:
            return body
        token = match.group(2).strip().decode()
        original = self.proxy.continuations.get(token)
        if original is None:
            return body
        return body[:match.start(2)] + original.encode() + body[match.end(2):]

    def truncate(self, request, answer, keep):
        match = SYNC_TOKEN.search(request)
        original = match.group(2).strip().decode() if match else ""
        root = ET.fromstring(answer)
        responses = root.findall(DAV + "response")
        for extra in responses[keep:]:
            root.remove(extra)
        cut = ET.SubElement(root, DAV + "response")
        ET.SubElement(cut, DAV + "href").text = urllib.parse.urlsplit(self.path).path
        ET.SubElement(cut, DAV + "status").text = "HTTP/1.1 507 Insufficient Storage"
        token = root.find(DAV + "sync-token")
        if token is None:
            token = ET.SubElement(root, DAV + "sync-token")
        own = "kalvo-proxy-continue-%s" % secrets.token_hex(4)
        self.proxy.continuations[own] = original
        token.text = own
        return ET.tostring(root, encoding="utf-8", xml_declaration=True)

    def digest_ok(self, method):
        header = self.headers.get("Authorization", "")
        if not header.startswith("Digest "):
            return False
        fields = dict((k, v.strip('"')) for k, v in re.findall(r'(\w+)=("[^"]*"|[^,\s]+)', header[7:]))
        user, password, nonce = self.proxy.digest
        if fields.get("username") != user or fields.get("nonce") != nonce:
            return False
        md5 = lambda text: hashlib.md5(text.encode()).hexdigest()
        ha1 = md5("%s:%s:%s" % (user, fields.get("realm", ""), password))
        ha2 = md5("%s:%s" % (method, fields.get("uri", "")))
        if fields.get("qop") == "auth":
            expected = md5(":".join([ha1, nonce, fields.get("nc", ""), fields.get("cnonce", ""), "auth", ha2]))
        else:
            expected = md5("%s:%s:%s" % (ha1, nonce, ha2))
        return secrets.compare_digest(expected, fields.get("response", ""))


def _spoil(token):
    """A token of the same shape that the server never gave out."""
    token = token.strip()
    return token[:-8] + b"0" * min(8, len(token))
