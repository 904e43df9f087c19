// The phone page: pairs, then turns touches, buttons and typed text into the
// agent's commands.
import { Session, savedBrowser } from "./session.js";

const $ = (id) => document.getElementById(id);
let session = null;
let retry = 0;

function show(state, text) {
  $("state").textContent = text;
  $("remote").hidden = state !== "ready";
  $("unpaired").hidden = state !== "unpaired";
}

function connect(how = {}) {
  show("connecting", "Connecting…");
  session = new Session(how, {
    onReady(computer) {
      retry = 0;
      $("computer").textContent = computer;
      show("ready", "Connected");
    },
    onStatus({ pairing }) {
      show("unpaired", "Not paired");
      $("pair-here").hidden = !pairing;
    },
    onCode(code) {
      $("code").textContent = code.replace(/(\d{3})(\d{3})/, "$1 $2");
      $("code-box").hidden = false;
      $("pair-here").hidden = true;
      show("unpaired", "Waiting for approval…");
    },
    onAck() {},
    onMessage() {},
    onClose(why) {
      const wasReady = !$("remote").hidden;
      $("code-box").hidden = true;
      if (why === "unknown" || why === "expired" || why === "denied" || why === "closed"
          || why === "replaced") {
        show("unpaired", { unknown: "This browser was forgotten", expired: "This QR code was already used",
          denied: "Pairing was denied", closed: "Pairing is closed", replaced: "A newer request replaced this one" }[why]);
        return setTimeout(() => connect({}), 1000);
      }
      if (savedBrowser() || wasReady) {
        show("connecting", "Reconnecting…");
        setTimeout(() => connect({}), Math.min(1000 * 2 ** retry++, 8000));
      }
    },
  });
}

// Moves are added up and sent once a frame; the fractions are kept.
const pending = { dx: 0, dy: 0, scroll: 0 };
let frame = 0;
function flush() {
  frame = 0;
  const dx = Math.trunc(pending.dx), dy = Math.trunc(pending.dy), sy = Math.trunc(pending.scroll);
  if (dx || dy) session?.send({ type: "move", dx, dy });
  if (sy) session?.send({ type: "scroll", dy: sy });
  pending.dx -= dx; pending.dy -= dy; pending.scroll -= sy;
}
const schedule = () => { frame ||= requestAnimationFrame(flush); };

function touchpad(pad) {
  const touches = new Map();
  let start = 0, moved = 0, fingers = 0;
  pad.addEventListener("pointerdown", (e) => {
    pad.setPointerCapture(e.pointerId);
    touches.set(e.pointerId, { x: e.clientX, y: e.clientY });
    if (touches.size === 1) { start = performance.now(); moved = 0; }
    fingers = Math.max(fingers, touches.size);
  });
  pad.addEventListener("pointermove", (e) => {
    const t = touches.get(e.pointerId);
    if (!t) return;
    const dx = e.clientX - t.x, dy = e.clientY - t.y;
    t.x = e.clientX; t.y = e.clientY;
    moved += Math.abs(dx) + Math.abs(dy);
    if (touches.size >= 2) pending.scroll -= dy / touches.size / 4;
    else { pending.dx += dx * 1.5; pending.dy += dy * 1.5; }
    schedule();
  });
  const up = (e) => {
    if (!touches.delete(e.pointerId) || touches.size) return;
    if (moved < 10 && performance.now() - start < 250)
      session?.send({ type: fingers >= 2 ? "right_click" : "click" });
    fingers = 0;
  };
  pad.addEventListener("pointerup", up);
  pad.addEventListener("pointercancel", up);
}

function controls() {
  touchpad($("pad"));
  $("left").addEventListener("click", () => session?.send({ type: "click" }));
  $("right").addEventListener("click", () => session?.send({ type: "right_click" }));
  for (const b of document.querySelectorAll("[data-key]"))
    b.addEventListener("click", () => session?.send({ type: b.dataset.key }));
  $("typing").addEventListener("submit", (e) => {
    e.preventDefault();
    const text = $("text").value;
    if (text) session?.send({ type: "text", text });
    $("text").value = "";
  });
  $("pair-button").addEventListener("click", () => {
    if (session) { session.events.onClose = () => {}; session.close(); }
    connect({ exchange: true });
  });
  setInterval(() => session?.send({ type: "ping" }), 5000);
}

const token = location.hash.match(/^#pair=([A-Za-z0-9_-]{22,})$/)?.[1];
if (location.hash) history.replaceState(null, "", location.pathname + location.search);
controls();
connect(token ? { token } : {});
