/* exported init, fillPreferencesWindow */
// The preferences window: the brightness keys and how far one press goes.

const {Adw, Gdk, GObject, Gtk} = imports.gi;
// @legacy {
const ExtensionUtils = imports.misc.extensionUtils;
// @legacy }
// @esm import {ExtensionPreferences} from 'resource:///org/gnome/Shell/Extensions/js/extensions/prefs.js';

const KEYS = [
    ['level-up', 'Brighter', 'Raises every monitor’s brightness by one step'],
    ['level-down', 'Darker', 'Lowers every monitor’s brightness by one step'],
];

/** A row that shows a key binding and records a new one when clicked. */
const ShortcutRow = GObject.registerClass({GTypeName: 'VemoMonitorsShortcutRow'},
class ShortcutRow extends Adw.ActionRow {
    _init(settings, key, title, subtitle) {
        super._init({title, subtitle, activatable: true});
        this._settings = settings;
        this._key = key;
        this._label = new Gtk.ShortcutLabel({
            disabled_text: 'Disabled',
            valign: Gtk.Align.CENTER,
        });
        const reset = new Gtk.Button({
            icon_name: 'edit-undo-symbolic',
            tooltip_text: 'Restore the default',
            valign: Gtk.Align.CENTER,
            css_classes: ['flat'],
        });
        reset.connect('clicked', () => settings.reset(key));
        this.add_suffix(this._label);
        this.add_suffix(reset);
        this.connect('activated', () => this._record());
        settings.connect(`changed::${key}`, () => this._show());
        this._show();
    }

    _show() {
        this._label.accelerator = this._settings.get_strv(this._key)[0] ?? '';
    }

    _record() {
        const dialog = new Adw.Window({
            modal: true,
            transient_for: this.get_root(),
            default_width: 420,
            content: new Adw.StatusPage({
                icon_name: 'preferences-desktop-keyboard-shortcuts-symbolic',
                title: this.title,
                description: 'Press the new keys, Escape to cancel or Backspace to disable.',
            }),
        });
        const keys = new Gtk.EventControllerKey();
        keys.connect('key-pressed', (controller, keyval, keycode, state) => {
            const mask = state & Gtk.accelerator_get_default_mod_mask() & ~Gdk.ModifierType.LOCK_MASK;
            if (mask === 0 && keyval === Gdk.KEY_Escape) {
                dialog.close();
            } else if (mask === 0 && keyval === Gdk.KEY_BackSpace) {
                this._settings.set_strv(this._key, []);
                dialog.close();
            } else if (Gtk.accelerator_valid(keyval, mask) || isMediaKey(keyval)) {
                this._settings.set_strv(this._key,
                    [Gtk.accelerator_name_with_keycode(null, keyval, keycode, mask)]);
                dialog.close();
            }
            return true;
        });
        dialog.add_controller(keys);
        dialog.present();
    }
});

function isMediaKey(keyval) {
    return (Gdk.keyval_name(keyval) ?? '').startsWith('XF86');
}

function buildPage(settings) {
    const page = new Adw.PreferencesPage();
    const keys = new Adw.PreferencesGroup({
        title: 'Keyboard',
        description: 'These keys move the brightness of every monitor served by vemod and show it on screen.',
    });
    for (const [key, title, subtitle] of KEYS)
        keys.add(new ShortcutRow(settings, key, title, subtitle));
    const step = new Adw.ActionRow({
        title: 'Step',
        subtitle: 'How far one press moves the brightness, in percent',
    });
    const spin = new Gtk.SpinButton({
        adjustment: new Gtk.Adjustment({lower: 1, upper: 50, step_increment: 1, page_increment: 5}),
        valign: Gtk.Align.CENTER,
    });
    spin.value = Math.round(settings.get_double('level-step') * 100);
    spin.connect('value-changed', () => settings.set_double('level-step', spin.value / 100));
    settings.connect('changed::level-step', () => {
        spin.value = Math.round(settings.get_double('level-step') * 100);
    });
    step.add_suffix(spin);
    step.activatable_widget = spin;
    keys.add(step);
    page.add(keys);
    return page;
}

// @legacy {
function init() {
}

function fillPreferencesWindow(window) {
    window.add(buildPage(ExtensionUtils.getSettings()));
}
// @legacy }
// @esm export default class VemoMonitorsPreferences extends ExtensionPreferences {
// @esm     fillPreferencesWindow(window) {
// @esm         window.add(buildPage(this.getSettings()));
// @esm     }
// @esm }
