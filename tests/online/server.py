#!/usr/bin/env python3
"""A stand-in update server on 127.0.0.1 for the online tests.

Usage: server.py ROOT. Makes a test CA and certificates with the openssl
command line in ROOT/tls, then serves ROOT over four listeners: HTTPS with a
certificate for 127.0.0.1 from the test CA, HTTPS with a certificate from
another CA, HTTPS with a certificate for another host name, and a proxy that
demands credentials (Basic user "anna", password "geheim") before it opens a
CONNECT tunnel. Prints the ports as one JSON line, then serves until stdin
closes. The file ROOT/mode changes the answers: "206", "404", "slow",
"truncate", "407" (the server itself asks for proxy credentials),
"nolength" (half the body without Content-Length, then the connection
closed without TLS close_notify), "trickle" (one byte every 0.3 s),
"chunked" (the body in chunks, properly ended), "delay" (the whole body
after 1.5 s). Every
request is appended to ROOT/requests.log (listener, request line, host,
user agent, cache headers).
"""
import base64
import http.server
import json
import os
import socket
import ssl
import subprocess
import sys
import threading
import time

root = sys.argv[1]
tls = os.path.join(root, "tls")
os.makedirs(tls, exist_ok=True)


def openssl(*args):
    subprocess.run(["openssl", *args], check=True, capture_output=True)


def make_ca(name):
    key, crt = os.path.join(tls, name + ".key"), os.path.join(tls, name + ".crt")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", crt, "-days", "2",
            "-subj", "/CN=" + name, "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    return key, crt


def make_cert(name, ca, alt):
    key, csr, crt = (os.path.join(tls, name + e) for e in (".key", ".csr", ".crt"))
    ext = os.path.join(tls, name + ".ext")
    with open(ext, "w") as f:
        f.write("subjectAltName=" + alt + "\nbasicConstraints=CA:FALSE\n")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", csr, "-subj", "/CN=" + name)
    openssl("x509", "-req", "-in", csr, "-CA", ca[1], "-CAkey", ca[0], "-CAcreateserial", "-out", crt,
            "-days", "2", "-extfile", ext)
    return key, crt


test_ca = make_ca("test-ca")
other_ca = make_ca("other-ca")
certs = {
    "good": make_cert("server", test_ca, "IP:127.0.0.1"),
    "other-ca": make_cert("foreign", other_ca, "IP:127.0.0.1"),
    "other-host": make_cert("elsewhere", test_ca, "DNS:other.example"),
}
log_lock = threading.Lock()


def mode():
    try:
        with open(os.path.join(root, "mode")) as f:
            return f.read().strip()
    except OSError:
        return ""


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    listener = ""

    def log_message(self, *args):
        pass

    def record(self):
        with log_lock, open(os.path.join(root, "requests.log"), "a") as f:
            f.write("\t".join([self.listener, self.requestline, self.headers.get("Host", ""),
                               self.headers.get("User-Agent", ""), self.headers.get("Cache-Control", ""),
                               self.headers.get("Pragma", "")]) + "\n")

    def do_GET(self):
        self.record()
        m = mode()
        if m == "407":
            self.send_response(407)
            self.send_header("Proxy-Authenticate", 'Basic realm="test"')
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        path = os.path.join(root, self.path.lstrip("/"))
        if m == "404" or not os.path.isfile(path):
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        with open(path, "rb") as f:
            body = f.read()
        self.send_response(206 if m == "206" else 200)
        self.send_header("Content-Type", "text/html")
        if m == "nolength":
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(body[: len(body) // 2])
            self.wfile.flush()
            raw = socket.socket(fileno=self.connection.detach())
            raw.shutdown(socket.SHUT_RDWR)
            raw.close()
            self.close_connection = True
            return
        if m == "chunked":
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            for i in range(0, len(body), 100):
                piece = body[i : i + 100]
                self.wfile.write(b"%x\r\n%s\r\n" % (len(piece), piece))
            self.wfile.write(b"0\r\n\r\n")
            return
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if m == "trickle":
            try:
                for i in range(len(body)):  # ends when the client goes
                    self.wfile.write(body[i : i + 1])
                    self.wfile.flush()
                    time.sleep(0.3)
            except OSError:
                pass
            self.close_connection = True
            return
        if m == "delay":
            time.sleep(1.5)
        if m == "slow":
            self.wfile.write(body[:10])
            self.wfile.flush()
            time.sleep(4)
            return
        if m == "truncate":
            self.wfile.write(body[: len(body) // 2])
            self.wfile.flush()
            self.close_connection = True
            return
        self.wfile.write(body)


class Proxy(Handler):
    listener = "proxy"

    def do_CONNECT(self):
        self.record()
        expected = "Basic " + base64.b64encode(b"anna:geheim").decode()
        if self.headers.get("Proxy-Authorization", "") != expected:
            self.send_response(407)
            self.send_header("Proxy-Authenticate", 'Basic realm="proxy"')
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        host, port = self.path.rsplit(":", 1)
        if host != "127.0.0.1":  # nothing leaves this machine
            self.send_response(403)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        upstream = socket.create_connection((host, int(port)))
        self.send_response(200, "Connection established")
        self.end_headers()
        conns = [self.connection, upstream]

        def pump(src, dst):
            try:
                while True:
                    data = src.recv(65536)
                    if not data:
                        break
                    dst.sendall(data)
            except OSError:
                pass
            finally:
                for c in conns:
                    try:
                        c.shutdown(socket.SHUT_RDWR)
                    except OSError:
                        pass

        t = threading.Thread(target=pump, args=(upstream, self.connection), daemon=True)
        t.start()
        pump(self.connection, upstream)
        t.join()
        self.close_connection = True


def serve(handler, name, cert=None):
    cls = type(name, (handler,), {"listener": name})
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), cls)
    server.daemon_threads = True
    if cert:
        ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        ctx.load_cert_chain(cert[1], cert[0])
        server.socket = ctx.wrap_socket(server.socket, server_side=True)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server.server_address[1]


ports = {name: serve(Handler, name, cert) for name, cert in certs.items()}
ports["proxy"] = serve(Proxy, "proxy")
ports["ca"] = test_ca[1]
print(json.dumps(ports), flush=True)
sys.stdin.read()
