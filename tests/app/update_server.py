#!/usr/bin/env python3
"""Web host of the update-check tests, on 127.0.0.1: serves FOLDER/www over HTTPS
(certificate from FOLDER/ca.pem, made here) and plain HTTP; prints
"<https port> <http port> <pid>". Error pages name version 4.0.0.0;
/hang/... never answers; /redirect/SCHEME/PATH redirects to PATH on that
scheme's server. Requests and hang-ups go to FOLDER/events.log. Ends with its
parent, or after ten minutes."""
import http.server, os, ssl, subprocess, sys, threading, time

folder, parent = sys.argv[1], os.getppid()
key = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-days", "2"]
for args in (["-subj", "/CN=Vantix test CA", "-keyout", "ca.key", "-out", "ca.pem", "-addext",
              "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign"],
             ["-CA", "ca.pem", "-CAkey", "ca.key", "-subj", "/CN=127.0.0.1", "-keyout", "server.key",
              "-out", "server.pem", "-addext", "subjectAltName=IP:127.0.0.1"]):
    subprocess.run(["openssl", "req", "-x509", *key, *args], cwd=folder, check=True, capture_output=True)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(os.path.join(folder, "server.pem"), os.path.join(folder, "server.key"))
ports, lock = {}, threading.Lock()


def record(line):
    with lock, open(os.path.join(folder, "events.log"), "a") as log:
        log.write(line + "\n")


class Handler(http.server.SimpleHTTPRequestHandler):
    error_message_format = "<rvx><version>4.0.0.0</version><error>%(code)d</error></rvx>"

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

    def finish_request(self, request, client_address):
        request.settimeout(600)
        try:
            if self.server_port == ports["https"]:
                request = context.wrap_socket(request, server_side=True)
            super().finish_request(request, client_address)
        except OSError:
            pass  # among them clients that do not trust the certificate
        finally:
            request.close()


for scheme in ("https", "http"):
    server = Server(("127.0.0.1", 0), Handler)
    ports[scheme] = server.server_port
    threading.Thread(target=server.serve_forever, daemon=True).start()
print(ports["https"], ports["http"], os.getpid(), flush=True)
for _ in range(1200):
    if os.getppid() != parent:
        break
    time.sleep(0.5)
