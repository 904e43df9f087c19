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

// The commands' names on the shortcut pad.
const LABELS = {
  play_pause: ["Play/Pause", "재생/일시정지"], prev_video: ["Previous", "이전"], next_video: ["Next", "다음"],
  rewind_10: ["Back 10 s", "10초 뒤로"], forward_10: ["Ahead 10 s", "10초 앞으로"],
  fullscreen: ["Full screen", "전체 화면"], vol_down: ["Volume −", "볼륨 −"], vol_up: ["Volume +", "볼륨 +"],
  mute: ["Mute", "음소거"], switch_app: ["Switch app", "앱 전환"], mission_control: ["All windows", "모든 창"],
  desktop: ["Show desktop", "바탕 화면"], new_window: ["New window", "새 창"], new_tab: ["New tab", "새 탭"],
  close_tab: ["Close tab", "탭 닫기"], prev_tab: ["Previous tab", "이전 탭"], next_tab: ["Next tab", "다음 탭"],
  back: ["Back", "뒤로"], forward: ["Forward", "앞으로"], refresh: ["Reload", "새로 고침"],
  terminal: ["Terminal", "터미널"], browser: ["Browser", "브라우저"], finder: ["Files", "파일"],
  notes: ["Notes", "메모"], taskmgr: ["System monitor", "작업 관리자"], copy: ["Copy", "복사"],
  cut: ["Cut", "잘라내기"], paste: ["Paste", "붙여넣기"], undo: ["Undo", "실행 취소"], redo: ["Redo", "다시 실행"],
  select_all: ["Select all", "모두 선택"], find: ["Find", "찾기"], save: ["Save", "저장"],
  zoom_in: ["Zoom in", "확대"], zoom_out: ["Zoom out", "축소"], screenshot: ["Screenshot", "스크린샷"],
  screenshot_part: ["Screenshot of an area", "영역 스크린샷"], lock: ["Lock", "잠금"],
  sleep: ["Sleep", "잠자기"], restart: ["Restart", "다시 시작"], shutdown: ["Shut down", "종료"],
};

const first = (navigator.languages?.[0] || navigator.language || "en").toLowerCase();
export const lang = first.startsWith("ko") ? "ko" : "en";

export const label = (command) => LABELS[command]?.[lang === "ko" ? 1 : 0] ?? command;

export const t = (key, ...args) =>
  TEXTS[lang][key].replace(/\{(\d)\}/g, (_, i) => String(args[Number(i)]));

// Fills [data-t] elements' text and [data-t-label] aria-labels; always as
// text, never as HTML.
export function translate(root = document) {
  document.documentElement.lang = lang;
  for (const el of root.querySelectorAll("[data-t]")) el.textContent = t(el.dataset.t);
  for (const el of root.querySelectorAll("[data-t-label]")) el.setAttribute("aria-label", t(el.dataset.tLabel));
}
