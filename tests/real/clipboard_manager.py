"""A clipboard manager as the desktop's ones behave: it owns CLIPBOARD_MANAGER and
reads every new clipboard selection at once. Prints READ <text> for each read."""
import ctypes
import sys
import time

x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XCreateSimpleWindow.restype = ctypes.c_ulong
x.XCreateSimpleWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong] + [ctypes.c_int] * 4 + \
    [ctypes.c_uint, ctypes.c_ulong, ctypes.c_ulong]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XGetSelectionOwner.restype = ctypes.c_ulong
x.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x.XSetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_ulong]
x.XConvertSelection.argtypes = [ctypes.c_void_p] + [ctypes.c_ulong] * 5
x.XPending.argtypes = [ctypes.c_void_p]
x.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
x.XGetWindowProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long,
                                 ctypes.c_long, ctypes.c_int, ctypes.c_ulong,
                                 ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_int),
                                 ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_ulong),
                                 ctypes.POINTER(ctypes.c_void_p)]

SELECTION_NOTIFY, PROPERTY_OFFSET = 31, 56  # XSelectionEvent.property on x86-64

display = x.XOpenDisplay(None)
window = x.XCreateSimpleWindow(display, x.XDefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0)
atom = {n: x.XInternAtom(display, n.encode(), 0)
        for n in ("CLIPBOARD", "CLIPBOARD_MANAGER", "UTF8_STRING", "TARSEL_COPY")}
x.XSetSelectionOwner(display, atom["CLIPBOARD_MANAGER"], window, 0)
x.XFlush(display)
print("READY", flush=True)
owner, event = None, ctypes.create_string_buffer(192)
while True:
    now = x.XGetSelectionOwner(display, atom["CLIPBOARD"])
    if now not in (owner, 0, window):
        x.XConvertSelection(display, atom["CLIPBOARD"], atom["UTF8_STRING"], atom["TARSEL_COPY"],
                            window, 0)
        x.XFlush(display)
    owner = now
    while x.XPending(display):
        x.XNextEvent(display, event)
        if int.from_bytes(event.raw[:4], sys.byteorder) != SELECTION_NOTIFY:
            continue
        prop = int.from_bytes(event.raw[PROPERTY_OFFSET:PROPERTY_OFFSET + 8], sys.byteorder)
        kind, fmt = ctypes.c_ulong(), ctypes.c_int()
        count, after, data = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p()
        if prop and x.XGetWindowProperty(display, window, prop, 0, 4096, 1, 0, kind, fmt, count,
                                         after, data) == 0 and data.value:
            print("READ", ctypes.string_at(data.value, count.value).decode(), flush=True)
    time.sleep(0.001)
