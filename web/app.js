// The phone page: pairs, keeps the connection through the phone's life (the
// agent restarting, the screen locking, the page going to the background) and
// wires the touchpad, the keyboard and the keys to the agent's commands.
import { Session, savedBrowser } from "./session.js";
import { Touchpad } from "./touchpad.js";
import { Keyboard } from "./keyboard.js";

// Translations of the page's English texts, by language: the build fills
// them in from po/*.po (the agent's own catalogs), here rather than in a file
// of their own because the page loads in at most eight requests.
const CATALOGS = /*@catalogs*/{};

// The first of the browser's languages that has a catalog; else English.
const wanted = navigator.languages?.length ? navigator.languages : [navigator.language || "en"];
export const lang = wanted.map((l) => l.toLowerCase().split("-")[0])
  .find((l) => l === "en" || Object.hasOwn(CATALOGS, l)) ?? "en";

// `tr("… {1} …", value)`: the text in the page's language, {n} the n-th value.
export const tr = (english, ...values) =>
  (CATALOGS[lang]?.[english] || english).replace(/\{([1-9])\}/g, (_, i) => String(values[i - 1]));
// Marks a text for translation where it is only named, not shown.
export const N_ = (english) => english;

// The page's own elements' texts, by their data-t or data-t-label key.
const ELEMENT_TEXTS = {
  touchpad: N_("Touchpad"),
  shortcuts: N_("Shortcuts"),
  notPairedText: N_("This browser is not paired with the computer yet."),
  howToPair: N_("On the computer, choose Open Pairing… in the Tarsel menu (or run tarselctl pair) and scan the QR code with this phone's camera."),
  noCamera: N_("No camera? Pairing is open now:"),
  pairButton: N_("Pair this browser"),
  checkCode: N_("Check that the computer shows this code, then approve it there:"),
  padHint: N_("Move with one finger · tap to click · two fingers to scroll or right-click · hold, then drag"),
  left: N_("Left"),
  right: N_("Right"),
  keys: N_("Keys"),
  leftArrow: N_("Left arrow"),
  upArrow: N_("Up arrow"),
  downArrow: N_("Down arrow"),
  rightArrow: N_("Right arrow"),
  typeHere: N_("Type here"),
  backspace: N_("Backspace"),
  enter: N_("Enter"),
  safari: N_("Safari forgets this pairing after 7 days without use unless the page is on the Home Screen (Share → Add to Home Screen)."),
};

// Fills [data-t] elements' text and [data-t-label] aria-labels; always as
// text, never as HTML.
export function translate(root = document) {
  document.documentElement.lang = lang;
  for (const el of root.querySelectorAll("[data-t]")) el.textContent = tr(ELEMENT_TEXTS[el.dataset.t]);
  for (const el of root.querySelectorAll("[data-t-label]")) el.setAttribute("aria-label", tr(ELEMENT_TEXTS[el.dataset.tLabel]));
}

const $ = (id) => document.getElementById(id);
// Why the agent closed the connection, as the page says it.
const REFUSALS = {
  unknown: N_("This browser was forgotten"),
  expired: N_("This QR code was already used"),
  denied: N_("Pairing was denied"),
  closed: N_("Pairing is closed"),
  replaced: N_("A newer request replaced this one"),
};
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
  if (!ready) show(savedBrowser() ? "connecting" : "unpaired", savedBrowser() ? tr("Connecting…") : tr("Not paired"));
  session = new Session(how, {
    onReady(computer) {
      ready = true;
      retry = 0;
      unansweredSince = 0;
      $("computer").textContent = computer;
      $("moved").hidden = true;
      pad.connected();
      show("ready", tr("Connected"));
      if (!performance.getEntriesByName("connected").length) performance.mark("connected");
      shortcuts?.poll();
      shortcuts?.fetchPhoneSections();
    },
    onStatus({ pairing }) {
      ready = false;
      show("unpaired", tr("Not paired"));
      $("pair-here").hidden = !pairing;
    },
    onCode(code) {
      $("code").textContent = code.replace(/(\d{3})(\d{3})/, "$1 $2");
      $("code-box").hidden = false;
      $("pair-here").hidden = true;
      show("unpaired", tr("Waiting for approval…"));
    },
    onAck(counter) { heardAt = performance.now(); pad.acknowledged(counter); },
    onMessage(text) {
      heardAt = performance.now();
      if (text.startsWith("{")) shortcuts?.received(JSON.parse(text));
    },
    onClose(why, opened) { closed(why, opened); },
  });
}

// Refusals go back to pairing; anything else is retried quickly (the agent
// restarting is back within a second or two).
function closed(why, opened) {
  $("code-box").hidden = true;
  if (Object.hasOwn(REFUSALS, why)) {
    ready = false;
    show("unpaired", tr(REFUSALS[why]));
    retryTimer = setTimeout(() => connect(), 1000);
    return;
  }
  if (!savedBrowser()) return show("unpaired", tr("Not paired"));
  ready = false;
  show("reconnecting", tr("Reconnecting…"));
  if (!opened) unansweredSince ||= Date.now();
  if (unansweredSince && Date.now() - unansweredSince > MOVED_AFTER_MS) {
    $("moved").textContent = tr("The computer does not answer at {1}. If its address changed, scan the QR code again (Open Pairing… in its Tarsel menu); a DHCP reservation in the router keeps the address.", location.host);
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
// The shortcut pad loads when it is first shown: the touchpad comes first.
let shortcuts = null;
async function openShortcuts() {
  if (shortcuts) return;
  const { COMMANDS, ShortcutPad } = await import("./shortcuts.js");
  shortcuts = new ShortcutPad($("shortcuts"), out);
  $("commands").append(...COMMANDS.map((name) => Object.assign(document.createElement("option"), { value: name })));
  if (ready) { shortcuts.poll(); shortcuts.fetchPhoneSections(); }
}

function showView(shortcutsShown) {
  if (shortcutsShown) openShortcuts();
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
  setInterval(() => { if (ready) shortcuts?.poll(); }, 1000);
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
