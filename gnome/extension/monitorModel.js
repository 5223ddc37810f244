/* exported BrightnessRange, MonitorModel, monitorLabel */
// The monitors the service serves, as the menu lists them.

/**
 * The name a monitor has in the menu: its model and asset tag, or its Id
 * when it has no asset tag.
 *
 * @param {{id: string, model: string, assetTag: string}} monitor
 * @returns {string}
 */
function monitorLabel(monitor) {
    const tag = (monitor.assetTag || '').trim() || monitor.id;
    const model = (monitor.model || '').trim();
    return model ? `${model} · ${tag}` : tag;
}

/** A setting's accepted range (min, max, step) mapped onto a slider's 0..1. */
var BrightnessRange = class BrightnessRange {
    constructor(min = 0, max = 100, step = 1) {
        this.min = min;
        this.max = max > min ? max : min + 1;
        this.step = step > 0 ? step : 1;
    }

    toFraction(value) {
        return Math.min(1, Math.max(0, (value - this.min) / (this.max - this.min)));
    }

    /** The accepted value nearest to a slider position. */
    fromFraction(fraction) {
        const f = Math.min(1, Math.max(0, Number(fraction) || 0));
        const steps = Math.round(f * (this.max - this.min) / this.step);
        return Math.min(this.max, this.min + steps * this.step);
    }
};

var MonitorModel = class MonitorModel {
    constructor() {
        this._monitors = new Map();
    }

    get size() {
        return this._monitors.size;
    }

    has(path) {
        return this._monitors.has(path);
    }

    get(path) {
        return this._monitors.get(path) ?? null;
    }

    paths() {
        return [...this._monitors.keys()];
    }

    /** Adds or updates a monitor from its D-Bus properties (unpacked). */
    update(path, properties) {
        const monitor = this._monitors.get(path) ?? {
            path, id: '', model: '', assetTag: '', brightness: null,
        };
        if ('Id' in properties)
            monitor.id = String(properties.Id);
        if ('Model' in properties)
            monitor.model = String(properties.Model);
        if ('AssetTag' in properties)
            monitor.assetTag = String(properties.AssetTag);
        this._monitors.set(path, monitor);
        return monitor;
    }

    /** @returns {boolean} whether the value changed */
    setBrightness(path, value) {
        const monitor = this._monitors.get(path);
        if (!monitor || monitor.brightness === value)
            return false;
        monitor.brightness = value;
        return true;
    }

    remove(path) {
        return this._monitors.delete(path);
    }

    clear() {
        this._monitors.clear();
    }

    /** The monitors in menu order: by name, then by path. */
    sorted() {
        return [...this._monitors.values()].sort((a, b) =>
            monitorLabel(a).localeCompare(monitorLabel(b)) || a.path.localeCompare(b.path));
    }

    /** The mean brightness of the monitors whose brightness is known, as 0..1; null if none. */
    meanFraction(range) {
        const known = [...this._monitors.values()].filter(m => m.brightness !== null);
        if (known.length === 0)
            return null;
        return known.reduce((sum, m) => sum + range.toFraction(m.brightness), 0) / known.length;
    }
};
