"""The baseline for the phone page's touch → effect: a bare page on a loopback
server of its own that sends each touch move over a plain WebSocket, and a
server that notes when each one arrives. Whatever the browser and the
WebSocket cost, both paths pay; the rest is the page's and the agent's."""
import base64
import hashlib
import socket
import threading
import time

PAGE = b"""<!doctype html><meta name=viewport content="width=device-width">
<div id=pad style="position:fixed;inset:0;touch-action:none"></div>
<script>
const ws = new WebSocket(`ws://${location.host}/ws`);
let last = null;
document.getElementById("pad").addEventListener("pointermove", (e) => {
  if (last) ws.send(JSON.stringify({ dx: e.clientX - last[0], dy: e.clientY - last[1] }));
  last = [e.clientX, e.clientY];
});
ws.onopen = () => { document.title = "open"; };
</script>"""
GUID = b"258EAFA5-E914-47DA-95CA-C5AB0DC85B11"


class EchoServer:
    """HTTP for the page, WebSocket for its moves; `arrivals` are time.monotonic()."""

    def __init__(self):
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.arrivals = []
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            connection, _ = self.listener.accept()
            threading.Thread(target=self.handle, args=(connection,), daemon=True).start()

    def handle(self, connection):
        head = b""
        while b"\r\n\r\n" not in head:
            head += connection.recv(4096)
        if b"upgrade: websocket" not in head.lower():
            connection.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: "
                               + str(len(PAGE)).encode() + b"\r\nConnection: close\r\n\r\n" + PAGE)
            return connection.close()
        key = next(l.split(b":", 1)[1].strip() for l in head.split(b"\r\n")
                   if l.lower().startswith(b"sec-websocket-key"))
        accept = base64.b64encode(hashlib.sha1(key + GUID).digest())
        connection.sendall(b"HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\n"
                           b"Connection: Upgrade\r\nSec-WebSocket-Accept: " + accept + b"\r\n\r\n")
        connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        reader = connection.makefile("rb")
        while frame := reader.read(2):
            length = frame[1] & 0x7F
            if length == 126:
                length = int.from_bytes(reader.read(2), "big")
            elif length == 127:
                length = int.from_bytes(reader.read(8), "big")
            reader.read(4 + length)  # the mask and the message
            self.arrivals.append(time.monotonic())
