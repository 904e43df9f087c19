// Reports the focused window's application id to the Tarsel agent on the
// session bus (com.tarsel.Server.SetFrontmost), at every change of focus.
// The format of GNOME Shell 42-44; ../45 is the same extension as a module.
/* exported init */
const { Gio, GLib, Shell } = imports.gi;

// The desktop entry's id where the window has one (the tracker names the
// others "window:N"), else the application id the window gives itself.
function appIdOf(window) {
    if (!window)
        return '';
    const app = Shell.WindowTracker.get_default().get_window_app(window);
    const id = app ? app.get_id() : '';
    if (id && !id.startsWith('window:'))
        return id;
    return window.get_gtk_application_id() || window.get_sandboxed_app_id() ||
        window.get_wm_class() || '';
}

function report(appId) {
    Gio.DBus.session.call('com.tarsel.Server', '/com/tarsel/Server', 'com.tarsel.Server',
        'SetFrontmost', new GLib.Variant('(ss)', [appId, 'gnome-extension']), null,
        Gio.DBusCallFlags.NO_AUTO_START, 1000, null, null);
}

class Extension {
    enable() {
        this._focus = global.display.connect('notify::focus-window',
            () => report(appIdOf(global.display.focus_window)));
        // An agent that starts after the shell hears the current one at once.
        this._agent = Gio.bus_watch_name(Gio.BusType.SESSION, 'com.tarsel.Server',
            Gio.BusNameWatcherFlags.NONE, () => report(appIdOf(global.display.focus_window)), null);
    }

    disable() {
        global.display.disconnect(this._focus);
        Gio.bus_unwatch_name(this._agent);
        report('');
    }
}

function init() {
    return new Extension();
}
