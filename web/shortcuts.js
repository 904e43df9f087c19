// The shortcut pad: the agent's commands grouped as people look for them, the
// user's own buttons (kept on the computer, edited here, in step with every
// other open page within a second) and the phone app's sections, read-only.
// Labels are text, never HTML.
import { N_, tr } from "./app.js";

const GROUPS = [
  [N_("Media and volume"), ["play_pause", "prev_video", "next_video", "rewind_10", "forward_10", "fullscreen",
    "vol_down", "vol_up", "mute"]],
  [N_("Windows and desktops"), ["switch_app", "mission_control", "desktop", "new_window", "new_tab", "close_tab",
    "prev_tab", "next_tab", "back", "forward", "refresh"]],
  [N_("Apps"), ["terminal", "browser", "finder", "notes", "taskmgr"]],
  [N_("Editing"), ["copy", "cut", "paste", "undo", "redo", "select_all", "find", "save", "zoom_in",
    "zoom_out", "screenshot", "screenshot_part"]],
  [N_("System"), ["lock", "sleep", "restart", "shutdown"]],
];
// The commands' names on the shortcut pad.
const LABELS = {
  play_pause: N_("Play/Pause"), prev_video: N_("Previous"), next_video: N_("Next"),
  rewind_10: N_("Back 10 s"), forward_10: N_("Ahead 10 s"),
  fullscreen: N_("Full screen"), vol_down: N_("Volume −"), vol_up: N_("Volume +"),
  mute: N_("Mute"), switch_app: N_("Switch app"), mission_control: N_("All windows"),
  desktop: N_("Show desktop"), new_window: N_("New window"), new_tab: N_("New tab"),
  close_tab: N_("Close tab"), prev_tab: N_("Previous tab"), next_tab: N_("Next tab"),
  back: N_("Back"), forward: N_("Forward"), refresh: N_("Reload"),
  terminal: N_("Terminal"), browser: N_("Browser"), finder: N_("Files"),
  notes: N_("Notes"), taskmgr: N_("System monitor"), copy: N_("Copy"),
  cut: N_("Cut"), paste: N_("Paste"), undo: N_("Undo"), redo: N_("Redo"),
  select_all: N_("Select all"), find: N_("Find"), save: N_("Save"),
  zoom_in: N_("Zoom in"), zoom_out: N_("Zoom out"), screenshot: N_("Screenshot"),
  screenshot_part: N_("Screenshot of an area"), lock: N_("Lock"),
  sleep: N_("Sleep"), restart: N_("Restart"), shutdown: N_("Shut down"),
};

const label = (command) => (Object.hasOwn(LABELS, command) ? tr(LABELS[command]) : command);

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
      this.notice = tr("These buttons were changed on another screen; here they are as they are now.");
      this.revision = "";
      this.poll();  // the list as it is now
    } else if (message.type === "shortcuts_sync") {
      Object.assign(this.phone, message.shortcuts_db);
      this.render();
    }
  }

  run(command) {
    if (CONFIRM.has(command) && !confirm(tr("{1}: are you sure?", label(command)))) return;
    this.out.send({ type: command });
  }

  save(buttons) {
    this.out.send({ type: "save_pad", revision: this.revision, buttons });
    this.buttons = buttons;
    this.render();
  }

  render() {
    const sections = [this.mine(), ...GROUPS.map(([group, names]) => this.section(tr(group),
      names.map((name) => this.button(label(name), () => this.run(name)))))];
    for (const [name, items] of Object.entries(this.phone))
      sections.push(this.section(tr("Phone app: {1}", name), phoneButtons(items, (c) => this.run(c))));
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
    const edit = this.button(this.editing ? tr("Done") : tr("Edit"), () => {
      this.editing = !this.editing;
      this.render();
    });
    edit.className = "edit";
    const group = this.section(tr("My buttons"), own);
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
    const name = element("input", { placeholder: tr("Label"), maxLength: 40, required: true });
    const command = element("input", { placeholder: tr("Command or keys (ctrl+shift+t)"), maxLength: 200, required: true });
    command.setAttribute("list", "commands");
    const form = element("form", { className: "add" }, name, command,
      element("button", { type: "submit", textContent: tr("Add") }));
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
