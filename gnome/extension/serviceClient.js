/* exported ServiceClient, isUnreachable, BUS_NAME */
// The monitors as vemod serves them on the session bus: every call is
// asynchronous, so that nothing waits on a monitor.

const {Gio, GLib, GObject} = imports.gi;

var BUS_NAME = 'org.vemo.Monitors1';
const MANAGER_PATH = '/org/vemo/Monitors1';
const MANAGER = 'org.vemo.Monitors1.Manager';
const MONITOR = 'org.vemo.Monitors1.Monitor';
const PROPERTIES = 'org.freedesktop.DBus.Properties';
const BRIGHTNESS = 'brightness';
// A write waits for the monitor; the bridge answers well within this.
const CALL_TIMEOUT_MS = 10000;

const UNREACHABLE_ERRORS = [
    Gio.DBusError.SERVICE_UNKNOWN, Gio.DBusError.NAME_HAS_NO_OWNER, Gio.DBusError.NO_REPLY,
    Gio.DBusError.DISCONNECTED, Gio.DBusError.TIMEOUT, Gio.DBusError.TIMED_OUT,
];

/** Whether a call failed because the service is not there (rather than the monitor refusing). */
function isUnreachable(error) {
    return UNREACHABLE_ERRORS.some(code => error?.matches?.(Gio.DBusError, code)) ||
        !!error?.matches?.(Gio.IOErrorEnum, Gio.IOErrorEnum.CLOSED);
}

var ServiceClient = GObject.registerClass({
    GTypeName: 'VemoMonitorsServiceClient',
    Signals: {
        // state: 'connecting', 'ready' or 'unreachable'
        'state-changed': {},
        'monitors-changed': {},
        'brightness-changed': {param_types: [GObject.TYPE_STRING]},
        // Level or AutoBrightness changed, or whether the service has them
        'manager-changed': {},
    },
}, class ServiceClient extends GObject.Object {
    /**
     * @param {object} params
     * @param {Gio.DBusConnection} params.connection - the session bus
     * @param {object} params.model - a MonitorModel that this client keeps up to date
     * @param {function(): object} params.makeRange - (min, max, step) => BrightnessRange
     */
    _init({connection, model, makeRange}) {
        super._init();
        this._connection = connection;
        this.model = model;
        this._makeRange = makeRange;
        this.range = makeRange(0, 100, 1);
        this.state = 'connecting';
        this.hasLevel = false;
        this.hasAutoBrightness = false;
        this.level = -1;
        this.autoBrightness = false;
        this._generation = 0;
        this._adding = new Set();
        this._cancellable = new Gio.Cancellable();
        this._subscriptions = [
            this._subscribe(MANAGER, 'MonitorAdded', MANAGER_PATH,
                (path, [monitor]) => this._addMonitor(monitor, this._generation)),
            this._subscribe(MANAGER, 'MonitorRemoved', MANAGER_PATH,
                (path, [monitor]) => this._removeMonitor(monitor)),
            this._subscribe(MONITOR, 'ValueChanged', null,
                (path, [name, value]) => this._valueChanged(path, name, value)),
            this._subscribe(PROPERTIES, 'PropertiesChanged', null,
                (path, [iface, changed]) => this._propertiesChanged(path, iface, changed)),
        ];
        this._watch = Gio.bus_watch_name_on_connection(connection, BUS_NAME,
            Gio.BusNameWatcherFlags.AUTO_START,
            () => this._appeared(), () => this._vanished());
    }

    destroy() {
        this._generation++;
        this._cancellable.cancel();
        if (this._watch) {
            Gio.bus_unwatch_name(this._watch);
            this._watch = 0;
        }
        for (const id of this._subscriptions)
            this._connection.signal_unsubscribe(id);
        this._subscriptions = [];
    }

    setBrightness(path, value) {
        return this._call(path, MONITOR, 'Set',
            new GLib.Variant('(sv)', [BRIGHTNESS, new GLib.Variant('y', value)]), null);
    }

    /** Sets every monitor's brightness to the value nearest a slider position. */
    setEveryBrightness(fraction) {
        const value = this.range.fromFraction(fraction);
        return Promise.all(this.model.paths().map(path => this.setBrightness(path, value)));
    }

    /** The calibrated level of every linked monitor (0..1); needs hasLevel. */
    setLevel(level) {
        return this._call(MANAGER_PATH, MANAGER, 'SetLevel', new GLib.Variant('(d)', [level]), null);
    }

    setAutoBrightness(on) {
        return this._call(MANAGER_PATH, PROPERTIES, 'Set',
            new GLib.Variant('(ssv)', [MANAGER, 'AutoBrightness', new GLib.Variant('b', on)]), null);
    }

    _call(path, iface, method, parameters, replyType) {
        return new Promise((resolve, reject) => {
            this._connection.call(BUS_NAME, path, iface, method, parameters,
                replyType ? new GLib.VariantType(replyType) : null,
                Gio.DBusCallFlags.NO_AUTO_START, CALL_TIMEOUT_MS, this._cancellable,
                (connection, result) => {
                    try {
                        resolve(connection.call_finish(result));
                    } catch (e) {
                        reject(e);
                    }
                });
        });
    }

    _subscribe(iface, member, path, handler) {
        return this._connection.signal_subscribe(BUS_NAME, iface, member, path, null,
            Gio.DBusSignalFlags.NONE,
            (connection, sender, objectPath, ifaceName, signal, parameters) =>
                handler(objectPath, parameters.deepUnpack()));
    }

    _setState(state) {
        if (this.state === state)
            return;
        this.state = state;
        this.emit('state-changed');
    }

    async _appeared() {
        const generation = ++this._generation;
        try {
            const [description] = (await this._call(MANAGER_PATH, MANAGER, 'DescribeSettings', null,
                '(aa{sv})')).recursiveUnpack();
            const brightness = description.find(setting => setting.name === BRIGHTNESS);
            if (brightness)
                this.range = this._makeRange(brightness.min, brightness.max, brightness.step);
            const [manager] = (await this._call(MANAGER_PATH, PROPERTIES, 'GetAll',
                new GLib.Variant('(s)', [MANAGER]), '(a{sv})')).recursiveUnpack();
            if (generation !== this._generation)
                return;
            this.hasLevel = 'Level' in manager;
            this.hasAutoBrightness = 'AutoBrightness' in manager;
            this._takeManager(manager);
            await Promise.all((manager.Monitors ?? []).map(path => this._addMonitor(path, generation)));
            if (generation !== this._generation)
                return;
            this._setState('ready');
        } catch (e) {
            if (generation !== this._generation || e.matches?.(Gio.IOErrorEnum, Gio.IOErrorEnum.CANCELLED))
                return;
            logError(e, 'vemo-monitors: the monitor service does not answer');
            this._setState('unreachable');
        }
    }

    _vanished() {
        this._generation++;
        this._adding.clear();
        const hadMonitors = this.model.size > 0;
        this.model.clear();
        this._setState('unreachable');
        if (hadMonitors)
            this.emit('monitors-changed');
    }

    _takeManager(properties) {
        let changed = false;
        if ('Level' in properties && properties.Level !== this.level) {
            this.level = properties.Level;
            changed = true;
        }
        if ('AutoBrightness' in properties && properties.AutoBrightness !== this.autoBrightness) {
            this.autoBrightness = properties.AutoBrightness;
            changed = true;
        }
        if (changed)
            this.emit('manager-changed');
        if (Array.isArray(properties.Monitors) && this.state === 'ready') {
            for (const path of this.model.paths()) {
                if (!properties.Monitors.includes(path))
                    this._removeMonitor(path);
            }
            for (const path of properties.Monitors) {
                if (!this.model.has(path))
                    this._addMonitor(path, this._generation);
            }
        }
    }

    async _addMonitor(path, generation) {
        if (this.model.has(path) || this._adding.has(path))
            return;
        this._adding.add(path);
        try {
            const [[properties], [value]] = await Promise.all([
                this._call(path, PROPERTIES, 'GetAll', new GLib.Variant('(s)', [MONITOR]), '(a{sv})'),
                this._call(path, MONITOR, 'Get', new GLib.Variant('(s)', [BRIGHTNESS]), '(v)'),
            ]).then(replies => replies.map(reply => reply.recursiveUnpack()));
            // Removed meanwhile, or the service restarted: forget it.
            if (generation !== this._generation || !this._adding.delete(path))
                return;
            this.model.update(path, properties);
            this.model.setBrightness(path, Number(value));
            this.emit('monitors-changed');
        } catch (e) {
            this._adding.delete(path);
            if (generation === this._generation && !e.matches?.(Gio.IOErrorEnum, Gio.IOErrorEnum.CANCELLED))
                logError(e, `vemo-monitors: cannot read ${path}`);
        }
    }

    _removeMonitor(path) {
        this._adding.delete(path);
        if (this.model.remove(path))
            this.emit('monitors-changed');
    }

    _valueChanged(path, name, value) {
        if (name !== BRIGHTNESS || !this.model.has(path))
            return;
        if (this.model.setBrightness(path, Number(value.recursiveUnpack())))
            this.emit('brightness-changed', path);
    }

    _propertiesChanged(path, iface, changed) {
        const properties = Object.fromEntries(Object.entries(changed).map(([k, v]) => [k, v.recursiveUnpack()]));
        if (iface === MANAGER && path === MANAGER_PATH) {
            this._takeManager(properties);
        } else if (iface === MONITOR && this.model.has(path)) {
            this.model.update(path, properties);
            this.emit('monitors-changed');
        }
    }
});
