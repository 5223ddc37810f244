// The generated ES-module form (GNOME Shell 45 and later) loads in plain gjs
// with the shell's own modules stubbed (shell-stubs/, served as the shell
// serves them, from a resource bundle): every import resolves, every module
// evaluates, and the entry points have the shape the shell expects. The shell
// (GTK 3 underneath in 43) and the preferences (GTK 4) are separate processes,
// and so are the two halves of this test.
// Usage: gjs -m esm_load_test.js EXTENSION_DIR STUBS_DIR shell|prefs
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import System from 'system';

const [extensionDir, stubsDir, half] = ARGV;
const failures = [];
function check(ok, what) {
    print(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
    if (!ok)
        failures.push(what);
}

// Bundle the stubs under their resource:/// paths.
const files = [];
const walk = (dir, prefix) => {
    const children = Gio.File.new_for_path(dir).enumerate_children('standard::*', 0, null);
    for (let info; (info = children.next_file(null));) {
        const name = info.get_name();
        if (info.get_file_type() === Gio.FileType.DIRECTORY)
            walk(GLib.build_filenamev([dir, name]), `${prefix}${name}/`);
        else
            files.push(`${prefix}${name}`);
    }
};
walk(stubsDir, '');
const work = GLib.dir_make_tmp('vemo-esm-XXXXXX');
const xml = `<?xml version="1.0" encoding="UTF-8"?><gresources><gresource prefix="/">${
    files.map(f => `<file>${f}</file>`).join('')}</gresource></gresources>`;
GLib.file_set_contents(`${work}/stubs.gresource.xml`, xml);
const [, , err, status] = GLib.spawn_sync(null, ['glib-compile-resources', `--sourcedir=${stubsDir}`,
    `--target=${work}/stubs.gresource`, `${work}/stubs.gresource.xml`], null, GLib.SpawnFlags.SEARCH_PATH, null);
if (status !== 0)
    throw new Error(`glib-compile-resources: ${new TextDecoder().decode(err)}`);
Gio.resources_register(Gio.Resource.load(`${work}/stubs.gresource`));

const modules = {};
const names = half === 'prefs' ? ['prefs'] : ['coalescer', 'monitorModel', 'serviceClient', 'indicator', 'extension'];
for (const name of names) {
    try {
        modules[name] = await import(`file://${extensionDir}/${name}.js`);
        check(true, `${name}.js loads`);
    } catch (e) {
        check(false, `${name}.js loads: ${e}`);
    }
}
const {extension, prefs, indicator, serviceClient} = modules;
if (half === 'prefs') {
    const {ExtensionPreferences} = await import('resource:///org/gnome/Shell/Extensions/js/extensions/prefs.js');
    check(prefs?.default?.prototype instanceof ExtensionPreferences &&
        typeof prefs.default.prototype.fillPreferencesWindow === 'function',
    'prefs.js: the default export is an ExtensionPreferences with fillPreferencesWindow()');
} else {
    const {Extension} = await import('resource:///org/gnome/shell/extensions/extension.js');
    check(extension?.default?.prototype instanceof Extension &&
        ['enable', 'disable'].every(m => typeof extension.default.prototype[m] === 'function'),
    'extension.js: the default export is an Extension with enable() and disable()');
    check(typeof indicator?.VemoMonitorsIndicator === 'function' &&
        typeof serviceClient?.ServiceClient === 'function', 'the classes the entry points use are exported');
}

const metadata = JSON.parse(new TextDecoder().decode(GLib.file_get_contents(`${extensionDir}/metadata.json`)[1]));
check(metadata['shell-version'].join() === '45,46,47,48' && metadata.uuid === 'vemo-monitors@vemo.org',
    'metadata.json names Shell 45 to 48');
check(GLib.file_test(`${extensionDir}/schemas/gschemas.compiled`, GLib.FileTest.EXISTS), 'the schema is compiled inside');

print(failures.length ? `${failures.length} failed` : 'all passed');
System.exit(failures.length ? 1 : 0);
