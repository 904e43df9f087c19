// Reports the focused window's application id to the Tarsel agent on the
// session bus (com.tarsel.Server.SetFrontmost), at every change of focus.
// GNOME Shell 45 and later load extensions as modules; ../42 is the same
// extension for GNOME Shell 42-44.
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import Shell from 'gi://Shell';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

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

export default class FrontmostExtension extends Extension {
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
