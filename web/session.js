// The connection to the agent: pairing, the proof of this browser's key and
// the sealed messages. No secret ever goes on the wire; the key stays in this
// origin's localStorage.
import { sha256, hmac, hkdf, chacha20poly1305 } from "./vendor/seal.min.js";

const enc = new TextEncoder();
const dec = new TextDecoder();
const STORE = "tarsel.browser";

export const b64u = (bytes) =>
  btoa(String.fromCharCode(...bytes)).replace(/\+/g, "-").replace(/\//g, "_").replace(/=+$/, "");
export const unb64u = (text) =>
  Uint8Array.from(atob(text.replace(/-/g, "+").replace(/_/g, "/")), (c) => c.charCodeAt(0));
const random = (n) => crypto.getRandomValues(new Uint8Array(n));
const concat = (...parts) => {
  const out = new Uint8Array(parts.reduce((n, p) => n + p.length, 0));
  let at = 0;
  for (const p of parts) { out.set(p, at); at += p.length; }
  return out;
};
const derive = (ikm, salt, info, n) => hkdf(sha256, ikm, salt, enc.encode(info), n);
const mac = (key, label, a, b) => hmac(sha256, key, concat(enc.encode(label), a, b));
const same = (a, b) => a.length === b.length && a.every((x, i) => x === b[i]);

export function savedBrowser() {
  try {
    const saved = JSON.parse(localStorage.getItem(STORE));
    return saved && saved.id && saved.key ? { id: saved.id, key: unb64u(saved.key) } : null;
  } catch { return null; }
}
export const forgetBrowser = () => localStorage.removeItem(STORE);
const saveBrowser = (id, key) => localStorage.setItem(STORE, JSON.stringify({ id, key: b64u(key) }));

export function keysFromToken(token) {
  const bytes = unb64u(token);
  return { pairId: b64u(derive(bytes, undefined, "tarsel pair id", 16)),
           key: derive(bytes, undefined, "tarsel browser key", 32) };
}

export function browserName() {
  const ua = navigator.userAgent;
  const browser = /SamsungBrowser/.test(ua) ? "Samsung Internet" : /Edg\//.test(ua) ? "Edge"
    : /Firefox|FxiOS/.test(ua) ? "Firefox" : /Chrome|CriOS/.test(ua) ? "Chrome"
    : /Safari/.test(ua) ? "Safari" : "Browser";
  const system = /iPhone/.test(ua) ? "iPhone" : /iPad/.test(ua) ? "iPad" : /Android/.test(ua)
    ? "Android" : /Mac OS X/.test(ua) ? "Mac" : /Windows/.test(ua) ? "Windows"
    : /Linux/.test(ua) ? "Linux" : "";
  return system ? `${browser} on ${system}` : browser;
}

// One WebSocket to the agent. `how` is {token}, {exchange: true} or {} (the
// saved key). Events: onReady(computer), onMessage(text), onAck(n),
// onCode(code), onStatus({pairing}), onClose(why, opened): `opened` is
// false where the computer never answered.
export class Session {
  constructor(how, events) {
    this.events = events;
    this.sent = 0n;
    this.received = 0n;
    this.nonce = random(16);
    this.ws = new WebSocket(`ws://${location.host}/ws`);
    this.ws.onopen = () => { this.opened = true; this.begin(how); };
    this.ws.onmessage = (e) => this.receive(e.data);
    this.ws.onclose = () => this.events.onClose(this.why || "dropped", this.opened);
  }

  plain(message) { this.ws.send(JSON.stringify(message)); }

  async begin(how) {
    const name = browserName();
    if (how.token) {
      const { pairId, key } = keysFromToken(how.token);
      this.key = key;
      this.plain({ t: "pair", id: pairId, nonce: b64u(this.nonce), name });
    } else if (how.exchange) {
      const { x25519 } = await import("./vendor/x25519.min.js");
      this.x25519 = x25519;
      this.secret = x25519.utils.randomSecretKey();
      this.public = x25519.getPublicKey(this.secret);
      this.plain({ t: "exchange", key: b64u(this.public), nonce: b64u(this.nonce), name });
    } else {
      const saved = savedBrowser();
      if (!saved) return this.plain({ t: "hello" });
      this.key = saved.key;
      this.plain({ t: "hello", id: saved.id, nonce: b64u(this.nonce) });
    }
  }

  receive(data) {
    if (this.channel) return this.open(data);
    const m = JSON.parse(data);
    if (m.t === "status") this.events.onStatus(m);
    else if (m.t === "exchange") this.exchanged(unb64u(m.key));
    else if (m.t === "challenge") this.answer(m);
    else if (m.t === "ready") this.ready(m);
    else if (m.t === "refused") {
      this.why = m.why;
      if (m.why === "unknown") forgetBrowser();
    }
  }

  exchanged(agentPublic) {
    const shared = this.x25519.getSharedSecret(this.secret, agentPublic);
    const salt = concat(this.public, agentPublic);
    this.key = derive(shared, salt, "tarsel browser key", 32);
    const c = derive(shared, salt, "tarsel pairing code", 4);
    const n = ((c[0] << 24) >>> 0) + (c[1] << 16) + (c[2] << 8) + c[3];
    this.events.onCode(String(n % 1000000).padStart(6, "0"));
  }

  answer(m) {
    this.agentNonce = unb64u(m.nonce);
    this.plain({ t: "proof", mac: b64u(mac(this.key, "tarsel browser proof", this.agentNonce, this.nonce)) });
  }

  ready(m) {
    const expected = mac(this.key, "tarsel agent proof", this.agentNonce, this.nonce);
    if (!same(unb64u(m.mac), expected)) { this.why = "the computer did not prove the key"; return this.ws.close(); }
    saveBrowser(m.id, this.key);
    const salt = concat(this.agentNonce, this.nonce);
    this.channel = {
      out: derive(this.key, salt, "tarsel browser to agent", 32),
      in: derive(this.key, salt, "tarsel agent to browser", 32),
    };
    this.events.onReady(m.computer);
  }

  static nonceOf(counter) {
    const nonce = new Uint8Array(12);
    new DataView(nonce.buffer).setBigUint64(4, counter);
    return nonce;
  }

  send(message) {
    if (!this.channel || this.ws.readyState !== WebSocket.OPEN) return 0n;
    const counter = ++this.sent;
    const head = Session.nonceOf(counter).subarray(4);
    const sealed = chacha20poly1305(this.channel.out, Session.nonceOf(counter)).encrypt(enc.encode(JSON.stringify(message)));
    this.ws.send(b64u(concat(head, sealed)));
    return counter;
  }

  open(data) {
    const bytes = unb64u(data);
    const counter = new DataView(bytes.buffer).getBigUint64(0);
    if (counter <= this.received) return this.ws.close();
    const text = dec.decode(chacha20poly1305(this.channel.in, Session.nonceOf(counter)).decrypt(bytes.subarray(8)));
    this.received = counter;
    if (text.startsWith("{\"t\":\"ack\"")) return this.events.onAck(BigInt(JSON.parse(text).n));
    this.events.onMessage(text);
  }

  close() { this.ws.close(); }
}
