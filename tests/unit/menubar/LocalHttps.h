#pragma once
// A local HTTPS server for the job tests: Debian's python3 with a throw-away
// self-signed certificate for 127.0.0.1 made by openssl. It serves the files
// of its folder, answers 404 otherwise, and on "/stall" sends headers and a
// trickle of bytes until the client goes away, then notes "stall closed";
// "/trickle" sends 20 bytes over 2 s, "/silent" only headers, "/go/<url>"
// redirects to <url> and "/loop" to itself. Every request path is appended to
// "requests".
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "StandIns.h"

namespace tarsel::testing {

inline const char* kServerScript = R"PY(
import http.server, pathlib, ssl, sys, time
root = pathlib.Path(sys.argv[1])

class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with open(root / "requests", "a") as f:
            f.write(self.path + "\n")
        if self.path == "/stall":
            self.send_response(200)
            self.send_header("Content-Length", "100000000")
            self.end_headers()
            try:
                for _ in range(600):
                    self.wfile.write(b"x")
                    self.wfile.flush()
                    time.sleep(0.1)
            except OSError:
                with open(root / "requests", "a") as f:
                    f.write("stall closed\n")
            return
        if self.path.startswith("/go/") or self.path == "/loop":
            self.send_response(302)
            self.send_header("Location", self.path[4:] if self.path != "/loop" else "/loop")
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if self.path in ("/trickle", "/silent"):
            self.send_response(200)
            self.send_header("Content-Length", "20")
            self.end_headers()
            for _ in range(20 if self.path == "/trickle" else 0):
                self.wfile.write(b"x")
                self.wfile.flush()
                time.sleep(0.1)
            time.sleep(0 if self.path == "/trickle" else 5)
            return
        file = root / "files" / self.path.lstrip("/")
        if self.path.count("/") != 1 or not file.is_file():
            self.send_error(404)
            return
        data = file.read_bytes()
        self.send_response(200)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def log_message(self, *args):
        pass

httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(root / "cert.pem", root / "key.pem")
httpd.socket = context.wrap_socket(httpd.socket, server_side=True)
(root / "port.tmp").write_text(str(httpd.server_address[1]))
(root / "port.tmp").rename(root / "port")
httpd.serve_forever()
)PY";

class LocalHttps {
  public:
    // Empty `missing()` means it runs.
    explicit LocalHttps(const fs::path& root) : root_(root) {
        fs::create_directories(root_ / "files");
        for (const char* tool : {"/usr/bin/openssl", "/usr/bin/python3"})
            if (!fs::exists(tool) && missing_.empty()) missing_ = tool;
        if (!missing_.empty()) return;
        auto cert = runTool("/usr/bin/openssl",
                            {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj",
                             "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout",
                             (root_ / "key.pem").string(), "-out", certPath()});
        if (cert.status != 0) {
            missing_ = "a certificate from openssl: " + cert.output;
            return;
        }
        writeText(root_ / "server.py", kServerScript);
        pid_ = fork();
        if (pid_ == 0) {
            execl("/usr/bin/python3", "python3", (root_ / "server.py").c_str(), root_.c_str(),
                  nullptr);
            _exit(127);
        }
        while (!fs::exists(root_ / "port")) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                missing_ = "a running python3 HTTPS server";
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        host_ = "127.0.0.1:" + readText(root_ / "port");
    }
    ~LocalHttps() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }

    const std::string& missing() const { return missing_; }
    const std::string& host() const { return host_; }  // "127.0.0.1:<port>"
    std::string certPath() const { return (root_ / "cert.pem").string(); }
    std::string url(const std::string& path) const { return "https://" + host_ + path; }
    fs::path file(const std::string& name) const { return root_ / "files" / name; }
    std::string requests() const { return readText(root_ / "requests"); }

  private:
    fs::path root_;
    std::string missing_;
    std::string host_;
    pid_t pid_ = -1;
};

}  // namespace tarsel::testing
