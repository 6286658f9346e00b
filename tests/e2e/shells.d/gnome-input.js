// Input and screenshots for GNOME under Wayland, as one client of the session bus: a
// RemoteDesktop session of mutter for the pointer (relative motion: it is homed in the
// top-left corner first) and the keyboard, and the shell's own screenshot, which it grants
// to the bus name org.gnome.Screenshot. One session for the whole run: each new one adds a
// screen-sharing indicator to the panel. Commands, one a line, from the FIFO given:
//   move X Y | click BUTTON [COUNT] | key KEYSYM... | shot FILE
const { Gio, GLib } = imports.gi;

const bus = Gio.DBus.session;
const call = (name, path, iface, method, args, replyType = null) =>
    bus.call_sync(name, path, iface, method, args, replyType && new GLib.VariantType(replyType),
        Gio.DBusCallFlags.NONE, 5000, null);

Gio.bus_own_name_on_connection(bus, 'org.gnome.Screenshot', Gio.BusNameOwnerFlags.NONE, null, null);
const [session] = call('org.gnome.Mutter.RemoteDesktop', '/org/gnome/Mutter/RemoteDesktop',
    'org.gnome.Mutter.RemoteDesktop', 'CreateSession', null, '(o)').deep_unpack();
const input = (method, signature, ...args) => call('org.gnome.Mutter.RemoteDesktop', session,
    'org.gnome.Mutter.RemoteDesktop.Session', method, new GLib.Variant(signature, args));
call('org.gnome.Mutter.RemoteDesktop', session, 'org.gnome.Mutter.RemoteDesktop.Session', 'Start', null);

const commands = {
    move: (x, y) => {
        input('NotifyPointerMotionRelative', '(dd)', -10000, -10000);
        input('NotifyPointerMotionRelative', '(dd)', +x, +y);
    },
    click: (button, count = 1) => {
        for (let i = 0; i < +count; i++) {
            input('NotifyPointerButton', '(ib)', 271 + +button, true);  // BTN_LEFT is 272
            input('NotifyPointerButton', '(ib)', 271 + +button, false);
            GLib.usleep(80000);
        }
    },
    key: (...keysyms) => keysyms.forEach(keysym => {
        input('NotifyKeyboardKeysym', '(ub)', +keysym, true);
        input('NotifyKeyboardKeysym', '(ub)', +keysym, false);
        GLib.usleep(40000);
    }),
    shot: file => call('org.gnome.Shell.Screenshot', '/org/gnome/Shell/Screenshot',
        'org.gnome.Shell.Screenshot', 'Screenshot', new GLib.Variant('(bbs)', [false, false, file]), '(bs)'),
};

GLib.MainContext.default().iteration(false);  // the name request goes out
print('ready');
for (;;) {
    const lines = new Gio.DataInputStream({ base_stream: Gio.File.new_for_path(ARGV[0]).read(null) });
    for (let line; (line = lines.read_line_utf8(null)[0]) !== null;) {
        const [name, ...args] = line.trim().split(/\s+/);
        try {
            commands[name](...args);
            print(`done ${line}`);
        } catch (e) {
            print(`failed ${line}: ${e.message}`);
        }
    }
}
