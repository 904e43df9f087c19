// The touchpad. One finger moves the pointer, faster movements farther; a tap
// clicks, two quick taps double-click, a two-finger tap right-clicks, a long
// press then a drag holds the button; two fingers scroll both ways, with
// momentum after a flick until a finger touches again.
const TAP_MS = 250;       // a touch shorter than this, that moved less than
const TAP_SLOP = 8;       // this many CSS px, is a tap
const HOLD_MS = 500;      // a still finger held this long presses the button
const FRAME_MS = 8;       // at most one move (and one scroll) a frame (120 Hz screens)
const STALE_MS = 100;     // unacknowledged moves older than this hold the next
const PX_PER_NOTCH = 40;  // two fingers travelling this far scroll one notch
const FRICTION = 0.95;    // momentum kept per 16 ms
const MIN_SPEED = 0.0005; // notches per ms below which momentum ends
const SPEED_MS = 50;
const FLICK_MS = 50;      // fingers lifted within this of their last move flick      // the finger's speed is measured over this much of its path

// Pointer gain for a finger speed in CSS px per ms: 1 when slow (pixel
// precise), up to 14 for a flick (a 4K screen in one swipe). CSS px are
// already independent of the screen's density.
export function gain(speed) {
  return Math.min(14, 1 + 4 * Math.max(0, speed - 0.05) ** 1.3);
}

// CSS px per ms over about the last 50 ms of `path` ({t, d} steps after the
// touch's start): one event's own interval is too noisy (events come in
// bunches). The oldest step kept is where the measured stretch starts. The
// first step after the touch has no speed yet (the touch's own time is late).
function speed(path, now, distance) {
  path.push({ t: now, d: distance });
  if (path.length === 2) return 0;
  while (path.length > 2 && now - path[1].t > SPEED_MS) path.shift();
  const travelled = path.slice(1).reduce((sum, step) => sum + step.d, 0);
  return travelled / Math.max(8, now - path[0].t);
}

export class Touchpad {
  // `out.send(message)` returns the message's counter (0n when not sent);
  // `out.chord(name)` gives the name with the armed modifiers ("ctrl+click").
  constructor(el, out) {
    this.el = el;
    this.out = out;
    this.touches = new Map();
    this.move = { dx: 0, dy: 0, at: -Infinity };
    this.scroll = { x: 0, y: 0, at: -Infinity, vx: 0, vy: 0, frame: 0, movedAt: -Infinity };
    this.unacked = [];  // {counter, at} of moves sent
    this.sentTotal = { dx: 0, dy: 0 };  // every whole pixel sent, for the tests
    for (const [type, handler] of [["pointerdown", this.down], ["pointermove", this.moved],
      ["pointerup", this.up], ["pointercancel", this.up]])
      el.addEventListener(type, handler.bind(this));
    el.addEventListener("contextmenu", (e) => e.preventDefault());
  }

  down(e) {
    // Touches are captured by their target anyway; a mouse or pen needs asking.
    if (e.pointerType !== "touch") this.el.setPointerCapture(e.pointerId);
    this.touches.set(e.pointerId, { x: e.clientX, y: e.clientY, t: e.timeStamp,
      path: [{ t: e.timeStamp, d: 0 }] });
    this.stopMomentum();
    if (this.touches.size === 1) {
      this.gesture = { start: e.timeStamp, travel: 0, fingers: 1, dragging: false };
      this.hold = setTimeout(() => this.startDrag(), HOLD_MS);
    } else {
      this.gesture.fingers = Math.max(this.gesture.fingers, this.touches.size);
      clearTimeout(this.hold);
    }
  }

  moved(e) {
    const touch = this.touches.get(e.pointerId);
    if (!touch) return;
    const dx = e.clientX - touch.x, dy = e.clientY - touch.y, dt = Math.max(1, e.timeStamp - touch.t);
    Object.assign(touch, { x: e.clientX, y: e.clientY, t: e.timeStamp });
    this.gesture.travel += Math.hypot(dx, dy);
    if (this.gesture.travel > TAP_SLOP) clearTimeout(this.hold);
    if (this.touches.size >= 2) return this.scrollBy(dx / this.touches.size, dy / this.touches.size, dt, e.timeStamp);
    const g = gain(speed(touch.path, e.timeStamp, Math.hypot(dx, dy)));
    this.move.dx += dx * g;
    this.move.dy += dy * g;
    this.sendMove(e.timeStamp);
  }

  up(e) {
    if (!this.touches.delete(e.pointerId) || this.touches.size) return;
    clearTimeout(this.hold);
    const g = this.gesture;
    this.sendMove(e.timeStamp, true);
    if (g.dragging) return this.out.send({ type: "mouse_up" });
    if (g.fingers >= 2) {
      this.sendScroll(e.timeStamp, true);
      if (e.timeStamp - g.start < TAP_MS && g.travel < TAP_SLOP * 2)
        return this.out.send({ type: this.out.chord("right_click") });
      // A flick keeps going; fingers that stopped before lifting do not.
      if (e.timeStamp - this.scroll.movedAt < FLICK_MS) this.startMomentum();
      return;
    }
    if (e.timeStamp - g.start < TAP_MS && g.travel < TAP_SLOP)
      this.out.send({ type: this.out.chord("click") });
  }

  startDrag() {
    this.gesture.dragging = true;
    this.out.send({ type: "mouse_down" });
    navigator.vibrate?.(15);
  }

  // Whole pixels go out from the touch handler, one message a frame at most;
  // while moves older than 100 ms are unacknowledged they are added up, and
  // the acknowledgement sends them as one.
  sendMove(now, last = false) {
    if (!last && now - this.move.at < FRAME_MS) return;
    if (this.unacked.length && now - this.unacked[0].at > STALE_MS) return;
    const dx = Math.trunc(this.move.dx), dy = Math.trunc(this.move.dy);
    if (!dx && !dy) return;
    const counter = this.out.send({ type: "move", dx, dy });
    if (!counter) return;
    this.unacked.push({ counter, at: now });
    this.move.dx -= dx;
    this.move.dy -= dy;
    this.move.at = now;
    this.sentTotal.dx += dx;
    this.sentTotal.dy += dy;
  }

  // A new connection counts its messages afresh: nothing of the old one waits.
  connected() {
    this.unacked = [];
  }

  acknowledged(counter) {
    while (this.unacked.length && this.unacked[0].counter <= counter) this.unacked.shift();
    this.sendMove(performance.now(), true);
  }

  // Content follows the fingers: fingers up scroll down (positive y).
  scrollBy(dx, dy, dt, now) {
    const x = -dx / PX_PER_NOTCH, y = -dy / PX_PER_NOTCH;
    this.scroll.x += x;
    this.scroll.y += y;
    const blend = Math.min(1, dt / 50);  // the last ~50 ms make the flick's speed
    this.scroll.vx += (x / dt - this.scroll.vx) * blend;
    this.scroll.vy += (y / dt - this.scroll.vy) * blend;
    this.scroll.movedAt = now;
    this.sendScroll(now);
  }

  sendScroll(now, last = false) {
    if (!last && now - this.scroll.at < FRAME_MS) return;
    const x = Math.round(this.scroll.x * 1000) / 1000, y = Math.round(this.scroll.y * 1000) / 1000;
    if (!x && !y) return;
    this.out.send({ type: "smooth_scroll", x, y });
    this.scroll.x -= x;
    this.scroll.y -= y;
    this.scroll.at = now;
  }

  startMomentum() {
    let at = performance.now();
    const step = (now) => {
      const dt = now - at;
      at = now;
      const keep = FRICTION ** (dt / 16);
      this.scroll.vx *= keep;
      this.scroll.vy *= keep;
      if (Math.hypot(this.scroll.vx, this.scroll.vy) < MIN_SPEED) return this.stopMomentum();
      this.scroll.x += this.scroll.vx * dt;
      this.scroll.y += this.scroll.vy * dt;
      this.sendScroll(now, true);
      this.scroll.frame = requestAnimationFrame(step);
    };
    this.scroll.frame = requestAnimationFrame(step);
  }

  stopMomentum() {
    cancelAnimationFrame(this.scroll.frame);
    this.scroll.frame = 0;
    this.scroll.vx = this.scroll.vy = 0;
  }
}
