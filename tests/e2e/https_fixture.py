"""A local HTTPS server with a throw-away self-signed certificate, serving a
version manifest the test can change between requests."""
import http.server
import pathlib
import shutil
import ssl
import subprocess
import tempfile
import threading

from tarsel_harness import require


def make_cert(directory, name):
    """A self-signed certificate for 127.0.0.1; returns (cert, key) paths."""
    cert, key = (pathlib.Path(directory) / f"{name}.{kind}" for kind in ("pem", "key"))
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1",
                    "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                    "-keyout", str(key), "-out", str(cert)],
                   check=True, capture_output=True)
    return cert, key


class ManifestServer:
    def __init__(self):
        require(shutil.which("openssl"), "openssl (to make a throw-away certificate)")
        self.cert, key = make_cert(tempfile.mkdtemp(prefix="tarsel-https-"), "server")
        self.body = b""
        self.redirect = None  # when set, "/version.json" answers 302 to it
        self.requests = []
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def do_GET(self):
                server.requests.append(self.path)
                found = self.path == "/version.json"
                self.send_response(302 if found and server.redirect else 200 if found else 404)
                if found and server.redirect:
                    self.send_header("Location", server.redirect)
                self.send_header("Content-Length", str(len(server.body) if found else 0))
                self.end_headers()
                self.wfile.write(server.body if found else b"")

            def log_message(self, *args):
                pass

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(self.cert, key)
        self.httpd.socket = context.wrap_socket(self.httpd.socket, server_side=True)
        self.host = f"127.0.0.1:{self.httpd.server_address[1]}"
        threading.Thread(target=self.httpd.serve_forever, daemon=True).start()

    def serve(self, body):
        self.body = body.encode("utf-8") if isinstance(body, str) else body

    def env(self):
        """What the agent needs to trust and reach this server."""
        return {"TARSEL_WEBSITE_HOST": self.host, "CURL_CA_BUNDLE": str(self.cert),
                "LANGUAGE": "", "LC_ALL": "", "LC_MESSAGES": "", "LANG": "en_US.UTF-8"}

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()

