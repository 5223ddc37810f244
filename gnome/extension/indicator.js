/* exported VemoMonitorsIndicator */
// Quick settings: one slider for every monitor, and in its menu a slider for
// each monitor and the automatic brightness switch.

const {Gio, GLib, GObject, Shell, St} = imports.gi;
const Main = imports.ui.main;
const PopupMenu = imports.ui.popupMenu;
const {QuickSlider, SystemIndicator} = imports.ui.quickSettings;
const {Slider} = imports.ui.slider;
// @legacy {
const Me = imports.misc.extensionUtils.getCurrentExtension();
// @legacy }
const {Coalescer} = Me.imports.coalescer;
const {BrightnessRange, MonitorModel, monitorLabel} = Me.imports.monitorModel;
const {ServiceClient, isUnreachable} = Me.imports.serviceClient;

const ICON_NAME = 'display-brightness-symbolic';
const APP_ID = 'org.vemo.Monitors.desktop';
// After the last write of a drag the service's own signals still arrive for a
// moment; the slider keeps the user's value meanwhile and then shows the service's.
const SETTLE_MS = 250;
// A service restarting (an upgrade, `systemctl --user restart vemod`) is back
// within this; only an outage that lasts longer is worth a notification.
const OUTAGE_GRACE_MS = 2000;
const NOTIFICATION_TITLE = 'Vemo Monitors';
const UNREACHABLE_TEXT =
    'The monitor service (vemod) cannot be reached, so the monitors’ brightness cannot be changed ' +
    'until it is back. Start it with “systemctl --user start vemod”.';

/**
 * A slider that a person drags and the service moves: the person's value
 * wins while they drag and while their writes are under way.
 */
class SliderBinding {
    constructor(slider, send, read, onError) {
        this._slider = slider;
        this._read = read;
        this._settleId = 0;
        this._dragging = false;
        this._writer = new Coalescer(send, {
            onError: e => {
                onError(e);
                this._settle();
            },
            onIdle: () => this._settle(),
        });
        this._changedId = slider.connect('notify::value', () => this._writer.push(this._slider.value));
        slider.connect('drag-begin', () => {
            this._dragging = true;
        });
        slider.connect('drag-end', () => {
            this._dragging = false;
            this._settle();
        });
    }

    get busy() {
        return this._dragging || this._writer.busy || this._settleId !== 0;
    }

    /** Moves the slider as a person would: the value is written. */
    move(value) {
        this._slider.value = value;
    }

    /** Shows the service's value, unless the person's value still wins. */
    sync() {
        if (this.busy)
            return;
        const value = this._read();
        if (value === null || value === undefined)
            return;
        this._slider.block_signal_handler(this._changedId);
        this._slider.value = value;
        this._slider.unblock_signal_handler(this._changedId);
    }

    _settle() {
        if (this._settleId)
            GLib.source_remove(this._settleId);
        this._settleId = GLib.timeout_add(GLib.PRIORITY_DEFAULT, SETTLE_MS, () => {
            this._settleId = 0;
            this.sync();
            return GLib.SOURCE_REMOVE;
        });
    }

    destroy() {
        this._writer.destroy();
        if (this._settleId)
            GLib.source_remove(this._settleId);
        this._settleId = 0;
    }
}

// Type names of their own: a GType name is global to the shell, shared with every extension.
const MonitorItem = GObject.registerClass({GTypeName: 'VemoMonitorsMonitorItem'},
class MonitorItem extends PopupMenu.PopupBaseMenuItem {
    _init(path) {
        super._init({activate: false, style_class: 'vemo-monitor-item'});
        this.path = path;
        const box = new St.BoxLayout({vertical: true, x_expand: true});
        this._label = new St.Label({style_class: 'vemo-monitor-label', x_expand: true});
        this.slider = new Slider(0);
        this.slider.add_style_class_name('vemo-monitor-slider');
        this.slider.x_expand = true;
        box.add_child(this._label);
        box.add_child(this.slider);
        this.add_child(box);
    }

    setName(name) {
        this._label.text = name;
        this.slider.accessible_name = `Brightness of ${name}`;
    }
});

const LevelSlider = GObject.registerClass({GTypeName: 'VemoMonitorsLevelSlider'},
class LevelSlider extends QuickSlider {
    _init() {
        super._init({iconName: ICON_NAME});
        this.slider.accessible_name = 'Brightness of all monitors';
        this.menuEnabled = true;
        this.menu.setHeader(ICON_NAME, 'Monitors');
        this.status = new PopupMenu.PopupMenuItem('', {reactive: false});
        this.status.visible = false;
        this.menu.addMenuItem(this.status);
        this.monitorSection = new PopupMenu.PopupMenuSection();
        this.menu.addMenuItem(this.monitorSection);
        this.autoSeparator = new PopupMenu.PopupSeparatorMenuItem();
        this.menu.addMenuItem(this.autoSeparator);
        this.autoItem = new PopupMenu.PopupSwitchMenuItem('Automatic brightness', false);
        this.menu.addMenuItem(this.autoItem);
        // The app, when it is installed, for everything else a monitor can do.
        if (Shell.AppSystem.get_default().lookup_app(APP_ID)) {
            this.menu.addMenuItem(new PopupMenu.PopupSeparatorMenuItem());
            this.menu.addSettingsAction('Monitor Settings', APP_ID);
        }
        this._menuDestroyed = false;
        this.menu.connect('destroy', () => {
            this._menuDestroyed = true;
        });
        this.connect('destroy', () => {
            if (!this._menuDestroyed)
                this.menu.destroy();
        });
    }

    setSensitive(sensitive) {
        this.slider.reactive = sensitive;
        this.slider.get_parent().reactive = sensitive;
        this.slider.can_focus = sensitive;
        this.slider.opacity = sensitive ? 255 : 128;
    }
});

var VemoMonitorsIndicator = GObject.registerClass({GTypeName: 'VemoMonitorsIndicator'},
class VemoMonitorsIndicator extends SystemIndicator {
    _init(settings) {
        super._init();
        this._settings = settings;
        this._model = new MonitorModel();
        this._items = new Map();
        this._outageNotified = false;
        this._outageTimeoutId = 0;
        this.levelItem = new LevelSlider();
        this.quickSettingsItems.push(this.levelItem);
        this.levelItem.visible = false;

        this._client = new ServiceClient({
            connection: Gio.DBus.session,
            model: this._model,
            makeRange: (min, max, step) => new BrightnessRange(min, max, step),
        });
        this._level = new SliderBinding(this.levelItem.slider,
            value => this._client.hasLevel ? this._client.setLevel(value) : this._client.setEveryBrightness(value),
            () => this._shownLevel(),
            e => this._writeFailed(e));
        this.levelItem.autoItem.connect('toggled', (item, state) => {
            this._client.setAutoBrightness(state).catch(e => {
                this._writeFailed(e);
                item.setToggleState(this._client.autoBrightness);
            });
        });
        this._client.connectObject(
            'state-changed', () => this._sync(),
            'monitors-changed', () => this._sync(),
            'brightness-changed', (client, path) => {
                this._items.get(path)?.binding.sync();
                this._level.sync();
            },
            'manager-changed', () => this._syncManager(),
            this);
        this._sync();
    }

    /** Moves every monitor one step up (1) or down (-1) and shows the level on screen. */
    stepLevel(direction) {
        if (this._client.state !== 'ready' || this._model.size === 0)
            return false;
        const step = this._settings.get_double('level-step');
        const current = this.levelItem.slider.value;
        const next = Math.min(1, Math.max(0, Math.round((current + direction * step) * 1000) / 1000));
        this._level.move(next);
        showOsd(next);
        return true;
    }

    _shownLevel() {
        if (this._client.hasLevel && this._client.level >= 0)
            return this._client.level;
        return this._model.meanFraction(this._client.range);
    }

    _sync() {
        const state = this._client.state;
        const ready = state === 'ready';
        // Hidden while nothing is served; shown without a slider to move while the service is away.
        this.levelItem.visible = ready ? this._model.size > 0 : state === 'unreachable';
        this.levelItem.setSensitive(ready);
        this.levelItem.status.visible = !ready;
        this.levelItem.status.label.text = ready ? '' : 'The monitor service is not running';
        if (ready) {
            this._outageNotified = false;
            this._cancelOutageNotice();
        } else if (state === 'unreachable' && !this._outageNotified && !this._outageTimeoutId) {
            this._outageTimeoutId = GLib.timeout_add(GLib.PRIORITY_DEFAULT, OUTAGE_GRACE_MS, () => {
                this._outageTimeoutId = 0;
                if (this._client.state === 'unreachable')
                    this._notifyUnreachable();
                return GLib.SOURCE_REMOVE;
            });
        }
        this._syncMonitors();
        this._syncManager();
    }

    _syncMonitors() {
        const monitors = this._model.sorted();
        for (const [path, item] of this._items) {
            if (!this._model.has(path)) {
                item.binding.destroy();
                item.destroy();
                this._items.delete(path);
            }
        }
        monitors.forEach((monitor, index) => {
            let item = this._items.get(monitor.path);
            if (!item) {
                item = new MonitorItem(monitor.path);
                item.binding = new SliderBinding(item.slider,
                    value => this._client.setBrightness(monitor.path, this._client.range.fromFraction(value)),
                    () => {
                        const known = this._model.get(monitor.path);
                        return known?.brightness === null || !known ? null
                            : this._client.range.toFraction(known.brightness);
                    },
                    e => this._writeFailed(e));
                this._items.set(monitor.path, item);
                this.levelItem.monitorSection.addMenuItem(item, index);
            } else {
                this.levelItem.monitorSection.moveMenuItem(item, index);
            }
            item.setName(monitorLabel(monitor));
            item.binding.sync();
        });
        this._level.sync();
    }

    _syncManager() {
        const auto = this._client.hasAutoBrightness && this._client.state === 'ready';
        this.levelItem.autoItem.visible = auto;
        this.levelItem.autoSeparator.visible = auto;
        this.levelItem.autoItem.setToggleState(this._client.autoBrightness);
        this._level.sync();
    }

    _writeFailed(error) {
        if (isUnreachable(error)) {
            this._notifyUnreachable();
            return;
        }
        console.warn(`vemo-monitors: ${errorMessage(error)}`);
    }

    _notifyUnreachable() {
        this._cancelOutageNotice();
        if (this._outageNotified)
            return;
        this._outageNotified = true;
        Main.notify(NOTIFICATION_TITLE, UNREACHABLE_TEXT);
    }

    _cancelOutageNotice() {
        if (this._outageTimeoutId)
            GLib.source_remove(this._outageTimeoutId);
        this._outageTimeoutId = 0;
    }

    destroy() {
        this._cancelOutageNotice();
        this._client.disconnectObject(this);
        this._client.destroy();
        this._level.destroy();
        for (const item of this._items.values())
            item.binding.destroy();
        this._items.clear();
        this.quickSettingsItems.forEach(item => item.destroy());
        super.destroy();
    }
});

function errorMessage(error) {
    if (error instanceof GLib.Error && Gio.DBusError.is_remote_error(error))
        Gio.DBusError.strip_remote_error(error);
    return error.message;
}

/** The shell's own on-screen display, with the brightness icon and a level of 0..1. */
function showOsd(level) {
    const icon = new Gio.ThemedIcon({name: ICON_NAME});
    const osd = Main.osdWindowManager;
    if (osd.showAll)
        osd.showAll(icon, null, level, 1);
    else
        osd.show(-1, icon, null, level, 1);
}
