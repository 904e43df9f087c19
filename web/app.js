// The phone page: pairs, keeps the connection through the phone's life (the
// agent restarting, the screen locking, the page going to the background) and
// wires the touchpad, the keyboard and the keys to the agent's commands.
import { Session, savedBrowser } from "./session.js";
import { Touchpad } from "./touchpad.js";
import { Keyboard } from "./keyboard.js";

// The page's texts in the browser's language: Korean where the browser puts
// Korean first, else English. (Here rather than in a file of their own: the
// page loads in at most eight requests.)
const TEXTS = {
  en: {
    connecting: "Connecting…",
    connected: "Connected",
    reconnecting: "Reconnecting…",
    notPaired: "Not paired",
    waitingApproval: "Waiting for approval…",
    unknown: "This browser was forgotten",
    expired: "This QR code was already used",
    denied: "Pairing was denied",
    closed: "Pairing is closed",
    replaced: "A newer request replaced this one",
    notPairedText: "This browser is not paired with the computer yet.",
    howToPair: "On the computer, choose Open Pairing… in the Tarsel menu (or run tarselctl pair) and scan the QR code with this phone's camera.",
    noCamera: "No camera? Pairing is open now:",
    pairButton: "Pair this browser",
    checkCode: "Check that the computer shows this code, then approve it there:",
    moved: "The computer does not answer at {0}. If its address changed, scan the QR code again (Open Pairing… in its Tarsel menu); a DHCP reservation in the router keeps the address.",
    safari: "Safari forgets this pairing after 7 days without use unless the page is on the Home Screen (Share → Add to Home Screen).",
    touchpad: "Touchpad",
    padHint: "Move with one finger · tap to click · two fingers to scroll or right-click · hold, then drag",
    left: "Left",
    right: "Right",
    keys: "Keys",
    typeHere: "Type here",
    backspace: "Backspace",
    enter: "Enter",
    shortcuts: "Shortcuts",
    media: "Media and volume",
    windows: "Windows and desktops",
    apps: "Apps",
    editing: "Editing",
    system: "System",
    mine: "My buttons",
    edit: "Edit",
    done: "Done",
    label: "Label",
    command: "Command or keys (ctrl+shift+t)",
    add: "Add",
    padStale: "These buttons were changed on another screen; here they are as they are now.",
    confirm: "{0}: are you sure?",
    phoneSection: "Phone app: {0}",
  },
  ko: {
    connecting: "연결 중…",
    connected: "연결됨",
    reconnecting: "다시 연결 중…",
    notPaired: "페어링 안 됨",
    waitingApproval: "승인을 기다리는 중…",
    unknown: "이 브라우저는 잊혔습니다",
    expired: "이미 사용한 QR 코드입니다",
    denied: "페어링이 거부되었습니다",
    closed: "페어링이 닫혀 있습니다",
    replaced: "새 요청이 이 요청을 대신했습니다",
    notPairedText: "이 브라우저는 아직 컴퓨터와 페어링되지 않았습니다.",
    howToPair: "컴퓨터의 Tarsel 메뉴에서 페어링 열기를 고르고(또는 tarselctl pair 실행) 이 휴대폰 카메라로 QR 코드를 찍으세요.",
    noCamera: "카메라가 없나요? 지금 페어링이 열려 있습니다:",
    pairButton: "이 브라우저 페어링",
    checkCode: "컴퓨터에 이 코드가 보이는지 확인한 뒤 컴퓨터에서 승인하세요:",
    moved: "{0}에서 컴퓨터가 응답하지 않습니다. 주소가 바뀌었다면 QR 코드를 다시 찍으세요(Tarsel 메뉴의 페어링 열기). 공유기의 DHCP 예약으로 주소를 고정할 수 있습니다.",
    safari: "Safari는 7일 동안 쓰지 않으면 이 페어링을 잊습니다. 홈 화면에 추가하면 유지됩니다(공유 → 홈 화면에 추가).",
    touchpad: "터치패드",
    padHint: "한 손가락으로 이동 · 탭하면 클릭 · 두 손가락으로 스크롤 또는 오른쪽 클릭 · 길게 누른 뒤 드래그",
    left: "왼쪽",
    right: "오른쪽",
    keys: "키",
    typeHere: "여기에 입력",
    backspace: "지우기",
    enter: "엔터",
    shortcuts: "단축키",
    media: "미디어와 볼륨",
    windows: "창과 데스크톱",
    apps: "앱",
    editing: "편집",
    system: "시스템",
    mine: "내 버튼",
    edit: "편집",
    done: "완료",
    label: "이름",
    command: "명령 또는 키 (ctrl+shift+t)",
    add: "추가",
    padStale: "다른 화면에서 버튼이 바뀌어 지금 상태로 다시 불러왔습니다.",
    confirm: "{0}: 정말 실행할까요?",
    phoneSection: "휴대폰 앱: {0}",
  },
};

const first = (navigator.languages?.[0] || navigator.language || "en").toLowerCase();
export const lang = first.startsWith("ko") ? "ko" : "en";

export const t = (key, ...args) =>
  TEXTS[lang][key].replace(/\{(\d)\}/g, (_, i) => String(args[Number(i)]));

// Fills [data-t] elements' text and [data-t-label] aria-labels; always as
// text, never as HTML.
export function translate(root = document) {
  document.documentElement.lang = lang;
  for (const el of root.querySelectorAll("[data-t]")) el.textContent = t(el.dataset.t);
  for (const el of root.querySelectorAll("[data-t-label]")) el.setAttribute("aria-label", t(el.dataset.tLabel));
}

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
      pad.connected();
      show("ready", t("connected"));
      if (!performance.getEntriesByName("connected").length) performance.mark("connected");
      shortcuts?.poll();
      shortcuts?.fetchPhoneSections();
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
      if (text.startsWith("{")) shortcuts?.received(JSON.parse(text));
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
