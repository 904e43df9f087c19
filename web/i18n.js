// The page's texts in the browser's language: Korean where the browser puts
// Korean first, else English.
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
