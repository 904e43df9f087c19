// The phone page: pairs, keeps the connection through the phone's life (the
// agent restarting, the screen locking, the page going to the background) and
// wires the touchpad, the keyboard and the keys to the agent's commands.
import { Session, savedBrowser } from "./session.js";
import { Touchpad } from "./touchpad.js";
import { Keyboard } from "./keyboard.js";
import { COMMANDS, ShortcutPad } from "./shortcuts.js";
import { t, translate } from "./i18n.js";

const $ = (id) => document.getElementById(id);
const REFUSALS = ["unknown", "expired", "denied", "closed", "replaced"];
const MOVED_AFTER_MS = 6000;  // unanswered this long: the computer may have moved

let session = null;
let ready = false;
let retry = 0;
let retryTimer = 0;
let unansweredSince = 0;

function show(state, text) {
  $("state").textContent = text;
  $("state").dataset.state = state;
  $("unpaired").hidden = state !== "unpaired";
  $("remote").hidden = state === "unpaired";
  $("views").hidden = state === "unpaired";
  document.body.classList.toggle("offline", state !== "ready");
}

function connect(how = {}) {
  clearTimeout(retryTimer);
  if (session) { session.events.onClose = () => {}; session.close(); }
  if (!ready) show(savedBrowser() ? "connecting" : "unpaired", t(savedBrowser() ? "connecting" : "notPaired"));
  session = new Session(how, {
    onReady(computer) {
      ready = true;
      retry = 0;
      unansweredSince = 0;
      $("computer").textContent = computer;
      $("moved").hidden = true;
      show("ready", t("connected"));
      shortcuts.poll();
      shortcuts.fetchPhoneSections();
    },
    onStatus({ pairing }) {
      ready = false;
      show("unpaired", t("notPaired"));
      $("pair-here").hidden = !pairing;
    },
    onCode(code) {
      $("code").textContent = code.replace(/(\d{3})(\d{3})/, "$1 $2");
      $("code-box").hidden = false;
      $("pair-here").hidden = true;
      show("unpaired", t("waitingApproval"));
    },
    onAck(counter) { heardAt = performance.now(); pad.acknowledged(counter); },
    onMessage(text) {
      heardAt = performance.now();
      if (text.startsWith("{")) shortcuts.received(JSON.parse(text));
    },
    onClose(why, opened) { closed(why, opened); },
  });
}

// Refusals go back to pairing; anything else is retried quickly (the agent
// restarting is back within a second or two).
function closed(why, opened) {
  $("code-box").hidden = true;
  if (REFUSALS.includes(why)) {
    ready = false;
    show("unpaired", t(why));
    retryTimer = setTimeout(() => connect(), 1000);
    return;
  }
  if (!savedBrowser()) return show("unpaired", t("notPaired"));
  ready = false;
  show("reconnecting", t("reconnecting"));
  if (!opened) unansweredSince ||= Date.now();
  if (unansweredSince && Date.now() - unansweredSince > MOVED_AFTER_MS) {
    $("moved").textContent = t("moved", location.host);
    $("moved").hidden = false;
  }
  retryTimer = setTimeout(() => connect(), Math.min(250 * 2 ** retry++, 1000));
}

// Back to the front, unlocked, or online again: a closed connection is opened
// at once, not at the next retry; one that looks open must answer a ping
// within a second (a locked phone's connection dies without a word).
let heardAt = 0;
function wake() {
  if (document.visibilityState !== "visible" || !session) return;
  const state = session.ws.readyState;
  if (state === WebSocket.CLOSED || state === WebSocket.CLOSING) { retry = 0; return connect(); }
  if (!ready) return;
  const asked = performance.now();
  out.send({ type: "ping" });
  setTimeout(() => { if (heardAt < asked && ready) { retry = 0; connect(); } }, 1000);
}

// Sticky modifiers: armed by a tap, used by the next key, character or tap.
const modifiers = () => [...document.querySelectorAll("[data-mod][aria-pressed=true]")];
const out = {
  send: (message) => session?.send(message) ?? 0n,
  armed: () => modifiers().length > 0,
  chord(name) {
    const held = modifiers();
    for (const m of held) m.setAttribute("aria-pressed", "false");
    return [...held.map((m) => m.dataset.mod), name].join("+");
  },
};
const pad = new Touchpad($("pad"), out);
window.tarselPad = pad;  // what the pad has sent, for the browser tests
const keyboard = new Keyboard($("text"), out);
const shortcuts = new ShortcutPad($("shortcuts"), out);

function showView(shortcutsShown) {
  $("pad-view").hidden = shortcutsShown;
  $("shortcuts").hidden = !shortcutsShown;
  $("show-pad").setAttribute("aria-selected", String(!shortcutsShown));
  $("show-shortcuts").setAttribute("aria-selected", String(shortcutsShown));
}

function controls() {
  $("left").addEventListener("click", () => out.send({ type: out.chord("click") }));
  $("right").addEventListener("click", () => out.send({ type: out.chord("right_click") }));
  for (const b of document.querySelectorAll("[data-key]"))
    b.addEventListener("click", () => keyboard.key(b.dataset.key));
  for (const b of document.querySelectorAll("[data-mod]"))
    b.addEventListener("click", () => b.setAttribute("aria-pressed", String(b.getAttribute("aria-pressed") !== "true")));
  $("keys-toggle").addEventListener("click", () => {
    $("keys").hidden = !$("keys").hidden;
    $("keys-toggle").setAttribute("aria-expanded", String(!$("keys").hidden));
  });
  $("pair-button").addEventListener("click", () => connect({ exchange: true }));
  $("show-pad").addEventListener("click", () => showView(false));
  $("show-shortcuts").addEventListener("click", () => showView(true));
  $("commands").append(...COMMANDS.map((name) => Object.assign(document.createElement("option"), { value: name })));
  setInterval(() => { if (ready) shortcuts.poll(); }, 1000);
  document.addEventListener("visibilitychange", wake);
  addEventListener("pageshow", wake);
  addEventListener("online", wake);
  setInterval(() => out.send({ type: "ping" }), 5000);
  const ios = /iPhone|iPad/.test(navigator.userAgent) && !navigator.standalone;
  $("safari").hidden = !ios;
}

translate();
const token = location.hash.match(/^#pair=([A-Za-z0-9_-]{22,})$/)?.[1];
if (location.hash) history.replaceState(null, "", location.pathname + location.search);
controls();
connect(token ? { token } : {});
