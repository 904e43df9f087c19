"""A browser's side of the page's WebSocket protocol, for tests: pairing, proof, seal."""
import base64
import hashlib
import hmac
import json
import os

import websocket
from cryptography.hazmat.primitives import hashes
from cryptography.hazmat.primitives.asymmetric.x25519 import X25519PrivateKey, X25519PublicKey
from cryptography.hazmat.primitives.ciphers.aead import ChaCha20Poly1305
from cryptography.hazmat.primitives.kdf.hkdf import HKDF
from cryptography.hazmat.primitives.serialization import Encoding, PublicFormat

WEB_PORT = 3090


def b64u(data):
    return base64.urlsafe_b64encode(data).rstrip(b"=").decode()


def unb64u(text):
    return base64.urlsafe_b64decode(text + "=" * (-len(text) % 4))


def hkdf(ikm, salt, info, n):
    return HKDF(hashes.SHA256(), n, salt or None, info.encode()).derive(ikm)


def token_keys(token):
    raw = unb64u(token)
    return b64u(hkdf(raw, None, "tarsel pair id", 16)), hkdf(raw, None, "tarsel browser key", 32)


def nonce_of(counter):
    return bytes(4) + counter.to_bytes(8, "big")


class Tap:
    """A socket that keeps every byte sent and received, as a capture on loopback would."""

    def __init__(self, sock, wire):
        self._sock, self._wire = sock, wire

    def send(self, data, *args):
        self._wire.append(("out", bytes(data)))
        return self._sock.send(data, *args)

    def recv(self, n, *args):
        data = self._sock.recv(n, *args)
        self._wire.append(("in", bytes(data)))
        return data

    def __getattr__(self, name):
        return getattr(self._sock, name)


class WebClient:
    """One WebSocket to the agent; `wire` keeps every byte that crossed the socket after the
    upgrade, as ("out" | "in", bytes)."""

    def __init__(self, host="127.0.0.1", origin=None, port=WEB_PORT):
        self.wire = []
        self.sent = self.received = 0
        self.nonce = os.urandom(16)
        self.key = self.session = None
        origin = origin or f"http://{host}:{port}"
        self.ws = websocket.create_connection(f"ws://{host}:{port}/ws", origin=origin,
                                              timeout=3, suppress_origin=False)
        self._tap()

    def _tap(self):
        self.ws.sock = Tap(self.ws.sock, self.wire)

    def plain(self, message):
        self.ws.send(json.dumps(message))

    def recv_plain(self):
        return json.loads(self.ws.recv())

    # The three ways in; each returns the agent's first answer.
    def pair(self, token, name="Test Browser"):
        pair_id, self.key = token_keys(token)
        self.plain({"t": "pair", "id": pair_id, "nonce": b64u(self.nonce), "name": name})
        return self.recv_plain()

    def hello(self, browser_id, key):
        self.key = key
        self.plain({"t": "hello", "id": browser_id, "nonce": b64u(self.nonce)})
        return self.recv_plain()

    def exchange(self, name="Camera-less"):
        secret = X25519PrivateKey.generate()
        mine = secret.public_key().public_bytes(Encoding.Raw, PublicFormat.Raw)
        self.plain({"t": "exchange", "key": b64u(mine), "nonce": b64u(self.nonce), "name": name})
        reply = self.recv_plain()
        theirs = unb64u(reply["key"])
        shared = secret.exchange(X25519PublicKey.from_public_bytes(theirs))
        self.key = hkdf(shared, mine + theirs, "tarsel browser key", 32)
        code = int.from_bytes(hkdf(shared, mine + theirs, "tarsel pairing code", 4), "big")
        return f"{code % 1000000:06d}"

    def prove(self, challenge):
        """Answers a challenge; returns the ready message (the agent's proof checked)."""
        agent_nonce = unb64u(challenge["nonce"])
        proof = hmac.new(self.key, b"tarsel browser proof" + agent_nonce + self.nonce,
                         hashlib.sha256).digest()
        self.plain({"t": "proof", "mac": b64u(proof)})
        ready = self.recv_plain()
        if ready.get("t") != "ready":
            return ready
        expected = hmac.new(self.key, b"tarsel agent proof" + agent_nonce + self.nonce,
                            hashlib.sha256).digest()
        assert unb64u(ready["mac"]) == expected, "the agent did not prove the key"
        salt = agent_nonce + self.nonce
        self.session = (ChaCha20Poly1305(hkdf(self.key, salt, "tarsel browser to agent", 32)),
                        ChaCha20Poly1305(hkdf(self.key, salt, "tarsel agent to browser", 32)))
        return ready

    def frame(self, message, counter=None):
        """The sealed frame of `message` under `counter` (the next one by default)."""
        if counter is None:
            self.sent += 1
            counter = self.sent
        body = json.dumps(message, ensure_ascii=False).encode()
        return b64u(counter.to_bytes(8, "big") + self.session[0].encrypt(nonce_of(counter), body, None))

    def send(self, message, counter=None):
        self.ws.send(self.frame(message, counter))

    def recv(self):
        """The next sealed message from the agent, opened."""
        raw = unb64u(self.ws.recv())
        counter = int.from_bytes(raw[:8], "big")
        assert counter > self.received
        self.received = counter
        return self.session[1].decrypt(nonce_of(counter), raw[8:], None).decode()

    def closed(self):
        """True once the agent has closed the connection (a close frame or EOF)."""
        try:
            while True:
                opcode, _ = self.ws.recv_data(control_frame=True)
                if opcode == websocket.ABNF.OPCODE_CLOSE:
                    return True
        except (websocket.WebSocketConnectionClosedException, ConnectionError):
            return True
        except websocket.WebSocketTimeoutException:
            return False

    def close(self):
        self.ws.close()
