// The shortcut pad: the agent's commands grouped as people look for them, the
// user's own buttons (kept on the computer, edited here, in step with every
// other open page within a second) and the phone app's sections, read-only.
// Labels are text, never HTML.
import { lang, t } from "./app.js";

const GROUPS = [
  ["media", ["play_pause", "prev_video", "next_video", "rewind_10", "forward_10", "fullscreen",
    "vol_down", "vol_up", "mute"]],
  ["windows", ["switch_app", "mission_control", "desktop", "new_window", "new_tab", "close_tab",
    "prev_tab", "next_tab", "back", "forward", "refresh"]],
  ["apps", ["terminal", "browser", "finder", "notes", "taskmgr"]],
  ["editing", ["copy", "cut", "paste", "undo", "redo", "select_all", "find", "save", "zoom_in",
    "zoom_out", "screenshot", "screenshot_part"]],
  ["system", ["lock", "sleep", "restart", "shutdown"]],
];
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

const label = (command) => LABELS[command]?.[lang === "ko" ? 1 : 0] ?? command;

const CONFIRM = new Set(["lock", "lock_screen", "sleep", "restart", "shutdown"]);
export const COMMANDS = GROUPS.flatMap(([, names]) => names);

const element = (tag, props = {}, ...children) => {
  const el = Object.assign(document.createElement(tag), props);
  el.append(...children);
  return el;
};

export class ShortcutPad {
  // `out.send(message)`; messages from the agent come to `received`.
  constructor(root, out) {
    this.root = root;
    this.out = out;
    this.revision = "";
    this.buttons = [];
    this.phone = {};  // the phone app's sections, by name
    this.editing = false;
    this.render();
  }

  // Every second while connected: an unchanged list costs a short answer.
  poll() { this.out.send({ type: "fetch_pad", known: this.revision }); }
  fetchPhoneSections() { this.out.send({ type: "fetch_shortcuts" }); }

  received(message) {
    if (message.type === "pad") {
      this.revision = message.revision;
      if (message.buttons) { this.buttons = message.buttons; this.render(); }
    } else if (message.type === "pad_refused") {
      this.notice = t("padStale");
      this.revision = "";
      this.poll();  // the list as it is now
    } else if (message.type === "shortcuts_sync") {
      Object.assign(this.phone, message.shortcuts_db);
      this.render();
    }
  }

  run(command) {
    if (CONFIRM.has(command) && !confirm(t("confirm", label(command)))) return;
    this.out.send({ type: command });
  }

  save(buttons) {
    this.out.send({ type: "save_pad", revision: this.revision, buttons });
    this.buttons = buttons;
    this.render();
  }

  render() {
    const sections = [this.mine(), ...GROUPS.map(([group, names]) => this.section(t(group),
      names.map((name) => this.button(label(name), () => this.run(name)))))];
    for (const [name, items] of Object.entries(this.phone))
      sections.push(this.section(t("phoneSection", name), phoneButtons(items, (c) => this.run(c))));
    if (this.notice) sections.unshift(element("p", { className: "notice", textContent: this.notice }));
    this.notice = "";
    this.root.replaceChildren(...sections);
  }

  section(title, buttons) {
    return element("section", { className: "group" }, element("h2", { textContent: title }),
      element("div", { className: "grid" }, ...buttons));
  }

  button(text, action) {
    const b = element("button", { type: "button", textContent: text });
    b.addEventListener("click", action);
    return b;
  }

  mine() {
    const own = this.buttons.map((b, i) => this.editing ? this.editable(b, i)
      : this.button(b.label, () => this.run(b.command)));
    const edit = this.button(t(this.editing ? "done" : "edit"), () => {
      this.editing = !this.editing;
      this.render();
    });
    edit.className = "edit";
    const group = this.section(t("mine"), own);
    group.querySelector("h2").append(edit);
    if (this.editing) group.append(this.addForm());
    return group;
  }

  editable(b, i) {
    const move = (to) => {
      const list = [...this.buttons];
      list.splice(to, 0, ...list.splice(i, 1));
      this.save(list);
    };
    return element("div", { className: "editable" },
      element("span", { textContent: b.label, title: b.command }),
      this.button("↑", () => i > 0 && move(i - 1)),
      this.button("↓", () => i < this.buttons.length - 1 && move(i + 1)),
      this.button("✕", () => this.save(this.buttons.filter((_, j) => j !== i))));
  }

  addForm() {
    const name = element("input", { placeholder: t("label"), maxLength: 40, required: true });
    const command = element("input", { placeholder: t("command"), maxLength: 200, required: true });
    command.setAttribute("list", "commands");
    const form = element("form", { className: "add" }, name, command,
      element("button", { type: "submit", textContent: t("add") }));
    form.addEventListener("submit", (e) => {
      e.preventDefault();
      this.save([...this.buttons, { label: name.value.trim(), command: command.value.trim() }]);
    });
    return form;
  }
}

// Items of the phone app are its own; one with a name and a command runs it.
function phoneButtons(items, run) {
  if (!Array.isArray(items)) return [];
  return items.flatMap((item) => {
    const name = [item?.title, item?.name, item?.label].find((v) => typeof v === "string");
    const command = [item?.command, item?.action, item?.type].find((v) => typeof v === "string");
    if (!name) return [];
    const b = element("button", { type: "button", textContent: name, disabled: !command });
    if (command) b.addEventListener("click", () => run(command));
    return [b];
  });
}
