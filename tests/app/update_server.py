#!/usr/bin/env python3
"""Web host for the update-check tests, on 127.0.0.1 only.

Makes two certificate authorities with openssl in FOLDER (ca.pem signs the
server's certificate, other-ca.pem signs nothing), serves FOLDER/www over HTTPS
and plain HTTP, and prints "PORTS <https> <http>" once listening. Paths that
misbehave: error pages name version 4.0.0.0; /hang/... reads the request and never answers; /redirect/SCHEME/REST
redirects to REST on the server of that scheme. Each request, and each client
that hangs up on an unanswered one, is logged to FOLDER/events.log. Ends when
its standard input closes, or after ten minutes.
"""
import http.server, os, ssl, subprocess, sys, threading

folder = sys.argv[1]
LIFETIME = 600
lock = threading.Lock()


def record(line):
    with lock, open(os.path.join(folder, "events.log"), "a") as log:
        log.write(line + "\n")


def openssl(*args):
    subprocess.run(["openssl", *args], cwd=folder, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def new_key(name, subject, *extra):
    openssl("req", "-new", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
            "-subj", subject, "-keyout", name + ".key", *extra)


with open(os.path.join(folder, "ext.cnf"), "w") as ext:
    ext.write("[ca]\nbasicConstraints=critical,CA:TRUE\nkeyUsage=critical,keyCertSign\n"
              "[server]\nbasicConstraints=CA:FALSE\nsubjectAltName=IP:127.0.0.1,DNS:localhost\n"
              "extendedKeyUsage=serverAuth\n")
for name in ("ca", "other-ca"):
    new_key(name, "/CN=Vantix test " + name, "-out", name + ".csr")
    openssl("x509", "-req", "-in", name + ".csr", "-key", name + ".key", "-days", "2",
            "-extfile", "ext.cnf", "-extensions", "ca", "-out", name + ".pem")
new_key("server", "/CN=127.0.0.1", "-out", "server.csr")
openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-set_serial", "2",
        "-days", "2", "-extfile", "ext.cnf", "-extensions", "server", "-out", "server.pem")
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(os.path.join(folder, "server.pem"), os.path.join(folder, "server.key"))
ports = {}


class Handler(http.server.SimpleHTTPRequestHandler):
    # Error pages name a newer version: only a 200 answer may count.
    error_message_format = "<rvx><version>4.0.0.0</version><error>%(code)d</error></rvx>"
    error_content_type = "text/xml"

    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=os.path.join(folder, "www"), **kwargs)

    def log_message(self, *args):
        pass

    def do_GET(self):
        record("GET " + self.path)
        parts = self.path.split("/", 3)
        if parts[1] == "hang":
            try:
                while self.connection.recv(1):
                    pass
            except OSError:
                pass
            record("HUNG UP " + self.path)
        elif parts[1] == "redirect":
            self.send_response(302)
            self.send_header("Location", f"{parts[2]}://127.0.0.1:{ports[parts[2]]}/{parts[3]}")
            self.send_header("Content-Length", "0")
            self.end_headers()
        else:
            super().do_GET()


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    tls = False

    def finish_request(self, request, client_address):
        request.settimeout(LIFETIME)
        if self.tls:
            try:
                request = context.wrap_socket(request, server_side=True)
            except (ssl.SSLError, OSError):
                return  # a client that does not trust the certificate
        try:
            super().finish_request(request, client_address)
        finally:
            request.close()

    def handle_error(self, request, client_address):
        pass


servers = {}
for scheme in ("https", "http"):
    servers[scheme] = Server(("127.0.0.1", 0), Handler)
    servers[scheme].tls = scheme == "https"
    ports[scheme] = servers[scheme].server_address[1]
    threading.Thread(target=servers[scheme].serve_forever, daemon=True).start()
print(f"PORTS {ports['https']} {ports['http']}", flush=True)
threading.Timer(LIFETIME, lambda: os._exit(0)).start()
sys.stdin.read()
os._exit(0)
