// Typing without a Send box: what the phone's keyboard commits goes to the
// computer as it is typed. Phone keyboards hide their keys (keydown says 229),
// so the field is watched instead: it holds what was sent, after one sentinel
// character, and any change the keyboard makes to it (a character, a
// prediction, an autocorrection, a replaced selection) becomes Backspaces plus
// the new text. A composition (Hangul, Japanese, Chinese) is sent once it is
// complete. Deleting the sentinel is a Backspace in an empty field.
const SENTINEL = "\u200b";
const LONGEST = 64;  // code points kept in the field before it starts afresh

const points = (text) => Array.from(text);

// What turns `before` into `after`: how many characters to delete from the
// end and what to type then.
export function difference(before, after) {
  const a = points(before), b = points(after);
  let same = 0;
  while (same < a.length && same < b.length && a[same] === b[same]) same++;
  return { deletes: a.length - same, insert: b.slice(same).join("") };
}

export class Keyboard {
  // `out.send(message)`; `out.chord(name)` gives the key name with the armed
  // modifiers, `out.armed()` whether any is armed.
  constructor(field, out) {
    this.field = field;
    this.out = out;
    this.sent = "";
    this.composing = false;
    field.addEventListener("beforeinput", (e) => this.beforeInput(e));
    field.addEventListener("input", (e) => { if (!this.composing && !e.isComposing) this.sync(); });
    field.addEventListener("compositionstart", () => { this.composing = true; });
    field.addEventListener("compositionend", () => { this.composing = false; this.sync(); });
    field.addEventListener("focus", () => this.caretToEnd());
    this.reset();
  }

  beforeInput(e) {
    if (e.inputType !== "insertLineBreak" && e.inputType !== "insertParagraph") return;
    e.preventDefault();
    this.key("enter");
  }

  // Sends the field's change, then puts the field back to what was sent.
  sync() {
    const value = this.field.value;
    const kept = value.startsWith(SENTINEL);
    const now = kept ? value.slice(SENTINEL.length) : value.replaceAll(SENTINEL, "");
    const { deletes, insert } = difference(this.sent, now);
    const backspaces = deletes + (!kept && this.sent === "" ? 1 : 0);
    for (let i = 0; i < backspaces; i++) this.out.send({ type: "backspace" });
    const before = points(this.sent);
    this.sent = before.slice(0, before.length - deletes).join("");
    const lines = insert.split("\n");
    lines.forEach((line, i) => {
      if (i > 0) this.key("enter");
      if (line) this.type(line);
    });
    if (points(this.sent).length > LONGEST || lines.length > 1) this.reset();
    else if (!kept || this.field.value !== SENTINEL + this.sent) this.show();
    else this.marked();
  }

  // Armed modifiers turn one typed character into a chord ("ctrl+c").
  type(text) {
    if (this.out.armed() && points(text).length === 1) {
      this.out.send({ type: this.out.chord(text.toLowerCase()) });
      return;
    }
    this.out.send({ type: "text", text });
    this.sent += text;
  }

  // A key from the row of special keys, or Enter.
  key(name) {
    this.out.send({ type: this.out.chord(name) });
    if (name === "enter") this.reset();
  }

  reset() {
    this.sent = "";
    this.show();
  }

  show() {
    this.field.value = SENTINEL + this.sent;
    this.caretToEnd();
    this.marked();
  }

  // The hint shows where nothing is typed (the sentinel hides a placeholder).
  marked() {
    this.field.dataset.empty = String(this.sent === "");
  }

  caretToEnd() {
    const end = this.field.value.length;
    this.field.setSelectionRange(end, end);
  }
}
