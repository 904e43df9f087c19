"""Mutter's remote-desktop service as the agent sees it on its session bus, for
what the real one offers no outside trigger for: the user's "Stop Screen
Sharing", which closes the session. Prints each call as "<session> <method>
<args>"; SIGUSR1 stops the newest session the way the shell's button does."""
import signal
import sys

from gi.repository import Gio, GLib

NAME = "org.gnome.Mutter.RemoteDesktop"
ROOT = "/org/gnome/Mutter/RemoteDesktop"
XML = """<node>
 <interface name="org.gnome.Mutter.RemoteDesktop">
  <method name="CreateSession"><arg type="o" direction="out"/></method>
 </interface>
 <interface name="org.gnome.Mutter.RemoteDesktop.Session">
  <method name="Start"/><method name="Stop"/>
  <method name="EnableClipboard"><arg type="a{sv}"/></method>
  <method name="SetSelection"><arg type="a{sv}"/></method>
  <method name="NotifyKeyboardKeycode"><arg type="u"/><arg type="b"/></method>
  <method name="NotifyPointerButton"><arg type="i"/><arg type="b"/></method>
  <method name="NotifyPointerMotionRelative"><arg type="d"/><arg type="d"/></method>
  <method name="NotifyPointerAxisDiscrete"><arg type="u"/><arg type="i"/></method>
  <method name="SelectionWriteDone"><arg type="u"/><arg type="b"/></method>
  <signal name="Closed"/>
 </interface>
</node>"""
INFO = Gio.DBusNodeInfo.new_for_xml(XML)
sessions = []  # object paths, newest last
closed = set()


def say(*words):
    print(*words, flush=True)


def on_call(bus, sender, path, interface, method, args, invocation):
    if method == "CreateSession":
        session = f"{ROOT}/Session/{len(sessions) + 1}"
        bus.register_object(session, INFO.interfaces[1], on_call)
        sessions.append(session)
        say(session.rsplit("/", 1)[-1], "created")
        return invocation.return_value(GLib.Variant("(o)", (session,)))
    if path in closed:  # as Mutter: a closed session is gone
        return invocation.return_dbus_error("org.freedesktop.DBus.Error.UnknownObject", path)
    say(path.rsplit("/", 1)[-1], method, *args.unpack())
    invocation.return_value(None)


def stop_newest(bus):
    session = sessions[-1]
    closed.add(session)
    bus.emit_signal(None, session, INFO.interfaces[1].name, "Closed", None)
    say(session.rsplit("/", 1)[-1], "closed by the user")
    return GLib.SOURCE_REMOVE


def main():
    bus = Gio.DBusConnection.new_for_address_sync(
        sys.argv[1], Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT |
        Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)
    bus.register_object(ROOT, INFO.interfaces[0], on_call)
    Gio.bus_own_name_on_connection(bus, NAME, Gio.BusNameOwnerFlags.NONE,
                                   lambda *_: say("ready"), None)
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1, stop_newest, bus)
    GLib.MainLoop().run()


main()
