/* exported init */
// Vemo Monitors in GNOME Shell: the monitors' brightness in quick settings,
// on the keyboard and on screen, over the vemod service.

const {Meta, Shell} = imports.gi;
const Main = imports.ui.main;
// @legacy {
const ExtensionUtils = imports.misc.extensionUtils;
const Me = ExtensionUtils.getCurrentExtension();
// @legacy }
const {VemoMonitorsIndicator} = Me.imports.indicator;
// @esm import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';

const KEYS = {'level-up': 1, 'level-down': -1};

// @legacy {
class VemoMonitorsExtension {
    getSettings() {
        return ExtensionUtils.getSettings();
    }

// @legacy }
// @esm export default class VemoMonitorsExtension extends Extension {
    enable() {
        this._settings = this.getSettings();
        this.indicator = new VemoMonitorsIndicator(this._settings);
        addToQuickSettings(this.indicator);
        for (const [key, direction] of Object.entries(KEYS)) {
            Main.wm.addKeybinding(key, this._settings, Meta.KeyBindingFlags.NONE,
                Shell.ActionMode.NORMAL | Shell.ActionMode.OVERVIEW | Shell.ActionMode.POPUP,
                () => this.indicator.stepLevel(direction));
        }
    }

    disable() {
        for (const key of Object.keys(KEYS))
            Main.wm.removeKeybinding(key);
        this.indicator.destroy();
        this.indicator = null;
        this._settings = null;
    }
}

/** Puts the slider beside the shell's own brightness slider, full width. */
function addToQuickSettings(indicator) {
    const quickSettings = Main.panel.statusArea.quickSettings;
    if (quickSettings.addExternalIndicator) {
        quickSettings.addExternalIndicator(indicator, 2);
    } else {
        quickSettings._indicators.insert_child_at_index(indicator, 0);
        quickSettings._addItems(indicator.quickSettingsItems, 2);
    }
    const grid = quickSettings.menu._grid;
    const shellBrightness = quickSettings._brightness?.quickSettingsItems?.at(-1);
    if (grid && shellBrightness?.get_parent() === grid) {
        for (const item of [...indicator.quickSettingsItems].reverse())
            grid.set_child_above_sibling(item, shellBrightness);
    }
}

// @legacy {
function init() {
    return new VemoMonitorsExtension();
}
// @legacy }
