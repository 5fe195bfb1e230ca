"""The web servers of the download and agent scenarios, on 127.0.0.1 with a free port, started and
stopped by the scenarios themselves:

- nginx, serving a folder as it is (with content length and Last-Modified), and the same
  files without a content length under /nolength/ (chunked);
- a scripted server that misbehaves per path, or per request from a schedule, and logs
  every request.

Both are context managers; nothing is left running when the block ends."""
import contextlib
import http.server
import os
import shutil
import socket
import subprocess
import threading
import time

from harness.wine import winpath

NGINX = shutil.which("nginx") or "/usr/sbin/nginx"

ERROR_PAGE = (b"<html>\r\n<head><title>404 Not Found</title></head>\r\n<body>\r\n"
              b"<center><h1>404 Not Found</h1></center>\r\n</body>\r\n</html>\r\n")
SERVER_ERROR_PAGE = (b"<html>\r\n<head><title>500 Internal Server Error</title></head>\r\n<body>\r\n"
                     b"<center><h1>500 Internal Server Error</h1></center>\r\n</body>\r\n</html>\r\n")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_listening(port, process=None, seconds=30):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if process is not None and process.poll() is not None:
            raise RuntimeError("the server ended at once")
        with socket.socket() as s:
            if s.connect_ex(("127.0.0.1", port)) == 0:
                return
        time.sleep(0.05)
    raise RuntimeError("the server did not start listening")


class Nginx:
    def __init__(self, base, port, tls):
        self.base = base
        self.url = "%s://127.0.0.1:%d" % ("https" if tls else "http", port)

    def access_log(self):
        with open(os.path.join(self.base, "logs", "access.log")) as f:
            return f.read().splitlines()


@contextlib.contextmanager
def nginx(root, base, tls=None):
    """Serves the folder root, with its configuration and logs in the new folder base; tls
    = (certificate, key) for HTTPS. Yields an Nginx."""
    os.makedirs(os.path.join(base, "logs"))
    port = free_port()
    listen = "127.0.0.1:%d" % port
    if tls:
        listen += " ssl;\n    ssl_certificate %s;\n    ssl_certificate_key %s" % tls
    conf = os.path.join(base, "nginx.conf")
    with open(conf, "w") as f:
        # One process, no user switch: it runs as whoever runs the tests and reads
        # their private scratch folders.
        f.write("""daemon off;
master_process off;
worker_processes 1;
pid %(base)s/nginx.pid;
error_log %(base)s/logs/error.log;
events { worker_connections 64; }
http {
  access_log %(base)s/logs/access.log;
  client_body_temp_path %(base)s/tmp;
  proxy_temp_path %(base)s/tmp;
  fastcgi_temp_path %(base)s/tmp;
  uwsgi_temp_path %(base)s/tmp;
  scgi_temp_path %(base)s/tmp;
  types { application/octet-stream exe; }
  default_type application/octet-stream;
  sendfile on;
  server {
    listen %(listen)s;
    root %(root)s;
    # Server-side includes stream the body, so nginx sends no content length.
    location /nolength/ { alias %(root)s/; ssi on; ssi_types *; }
  }
}
""" % {"base": base, "root": os.path.abspath(root), "listen": listen})
    os.makedirs(os.path.join(base, "tmp"), exist_ok=True)
    proc = subprocess.Popen([NGINX, "-c", conf, "-p", base], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        wait_listening(port, proc)
        yield Nginx(base, port, tls)
    finally:
        proc.terminate()
        try:
            proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def test_issuer(folder, name):
    """An issuer and a server certificate it signed for 127.0.0.1, made with openssl in
    folder; returns (issuer.pem, server.pem, server.key)."""
    def path(leaf):
        return os.path.join(folder, "%s-%s" % (name, leaf))

    def openssl(*args):
        subprocess.run(["openssl", *args], check=True, capture_output=True)

    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", path("issuer.key"), "-out", path("issuer.pem"),
            "-days", "2", "-subj", "/CN=%s test issuer" % name, "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", path("server.key"), "-out", path("server.csr"),
            "-subj", "/CN=127.0.0.1")
    with open(path("ext.cnf"), "w") as f:
        f.write("subjectAltName=IP:127.0.0.1,DNS:127.0.0.1\nbasicConstraints=CA:FALSE\n"
                "keyUsage=digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\n")
    openssl("x509", "-req", "-in", path("server.csr"), "-CA", path("issuer.pem"), "-CAkey", path("issuer.key"),
            "-CAcreateserial", "-out", path("server.pem"), "-days", "2", "-extfile", path("ext.cnf"))
    return path("issuer.pem"), path("server.pem"), path("server.key")


@contextlib.contextmanager
def trusted(wine, issuer):
    """The Wine environment's prefix trusts issuer while the block runs."""
    trustcert = wine.build.helper("trustcert")
    if wine.run(trustcert, "add", winpath(issuer)).returncode != 0:
        raise RuntimeError("the Wine prefix did not take the test issuer")
    try:
        yield
    finally:
        wine.run(trustcert, "remove", winpath(issuer))


class Scripted(http.server.ThreadingHTTPServer):
    """Misbehaves per path; files are served from self.files (name -> bytes):

    /files/NAME           the file, as a good server would (a request for its first byte
                          only gets that byte, status 206 and the whole size)
    /404/NAME             status 404 with an HTML error page
    /htmlpage/NAME        status 200 with an HTML error page
    /nolength/NAME        the file without a content length, ended by closing
    /cut/N/NAME           the full length announced, the connection cut after N bytes
    /trickle/NAME         the file in 1024-byte pieces every 50 ms
    /redirect/REST        302 to /REST
    /empty/NAME           status 200 with a content length of 0
    /500/NAME             status 500 with an HTML error page
    /drop/NAME            the connection closed without an answer
    /stall/N/NAME         the full length announced, N bytes sent, then nothing more while
                          the connection stays open (until the client goes, or self.stall
                          seconds)
    /huge/SIZE/NAME       a file of SIZE bytes that is never sent: its first byte is
                          answered as /files/ would, a whole request with the length alone
    /schedule/NAME        the next answer of self.schedule, in turn and over again: each
                          is a path prefix of the above ("files", "cut/100" ...); the
                          answers given are listed in self.answers
    """
    daemon_threads = True

    def __init__(self, port=0):
        super().__init__(("127.0.0.1", port), Handler)
        self.files = {}
        self.requests = []  # (method, path, agent, range)
        self.connections = []  # per request: (the client's port, its Connection header)
        self.schedule = []
        self.answers = []
        self.lock = threading.Lock()
        self.stall = 150
        self.url = "http://127.0.0.1:%d" % self.server_address[1]

    def scheduled(self):
        """The next answer of the schedule (requests come on several threads)."""
        with self.lock:
            answer = self.schedule[len(self.answers) % len(self.schedule)]
            self.answers.append(answer)
            return answer

    def paths(self):
        return [request[1] for request in self.requests]


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def asked_close(self):
        return self.headers.get("Connection", "").lower() == "close"

    def send_response(self, *args):
        super().send_response(*args)
        # As an HTTP/1.1 server must: a client that asked for the connection's end is
        # told it ends.
        if self.asked_close():
            self.send_header("Connection", "close")

    def send(self, status, body, length=True, headers=()):
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        if length:
            self.send_header("Content-Length", str(len(body)))
        elif not self.asked_close():
            self.send_header("Connection", "close")
        for h in headers:
            self.send_header(*h)
        self.end_headers()
        return body

    def first_byte(self, size, first):
        """The answer to a request for the first byte only, of a file of size bytes."""
        self.send_response(206)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Range", "bytes 0-0/%d" % size)
        self.send_header("Content-Length", "1")
        self.end_headers()
        self.wfile.write(first)

    def do_GET(self):
        self.server.requests.append(("GET", self.path, self.headers.get("User-Agent", ""),
                                     self.headers.get("Range", "")))
        self.server.connections.append((self.client_address[1], self.headers.get("Connection", "")))
        one_byte = self.headers.get("Range", "") == "bytes=0-0"
        parts = self.path.split("/")
        if parts[1] == "schedule":
            parts = ["", *self.server.scheduled().split("/"), parts[-1]]
        kind, name = parts[1], parts[-1]
        data = self.server.files.get(name)
        try:
            if kind == "drop":
                self.close_connection = True
            elif kind == "redirect":
                self.send(302, b"", headers=[("Location", "/" + "/".join(parts[2:]))])
            elif kind == "404":
                self.wfile.write(self.send(404, ERROR_PAGE))
            elif kind == "500":
                self.wfile.write(self.send(500, SERVER_ERROR_PAGE))
            elif kind == "htmlpage":
                self.wfile.write(self.send(200, ERROR_PAGE))
            elif kind == "empty":
                self.send(200, b"")
            elif kind == "huge":
                size = int(parts[2])
                if one_byte:
                    self.first_byte(size, b"M")
                else:
                    self.send_response(200)
                    self.send_header("Content-Length", str(size))
                    self.end_headers()
                    self.close_connection = True
            elif data is None:
                self.wfile.write(self.send(404, ERROR_PAGE))
            elif kind == "files" and one_byte:
                self.first_byte(len(data), data[:1])
            elif kind == "files":
                self.wfile.write(self.send(200, data))
            elif kind == "nolength":
                self.wfile.write(self.send(200, data, length=False))
                self.close_connection = True
            elif kind == "cut":
                self.send(200, data)
                self.wfile.write(data[:int(parts[2])])
                self.wfile.flush()
                self.connection.shutdown(socket.SHUT_RDWR)
                self.close_connection = True
            elif kind == "stall":
                self.send(200, data)
                self.wfile.write(data[:int(parts[2])])
                self.wfile.flush()
                # Nothing more, but the connection stays: until the client closes it.
                self.connection.settimeout(self.server.stall)
                with contextlib.suppress(OSError):
                    while self.connection.recv(1024):
                        pass
                self.close_connection = True
            elif kind == "trickle":
                self.send(200, data)
                for at in range(0, len(data), 1024):
                    self.wfile.write(data[at:at + 1024])
                    self.wfile.flush()
                    time.sleep(0.05)
            else:
                self.wfile.write(self.send(404, ERROR_PAGE))
        except OSError:  # the client went away (a size probe reads only the headers)
            self.close_connection = True


@contextlib.contextmanager
def scripted(port=0):
    """A Scripted server on port (0: a free one) while the block runs."""
    server = Scripted(port)
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    try:
        yield server
    finally:
        server.shutdown()
        server.server_close()
        thread.join()
