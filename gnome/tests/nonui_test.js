/* exported */
// The extension's modules that need no shell: the monitor model, the drag
// coalescing and the service client, the last against vemod --simulate with
// three monitors on the test's private session bus. Written in the legacy
// form; the build runs it as is and in the generated ES-module form.

const {Gio, GLib} = imports.gi;
// @legacy {
const System = imports.system;
imports.searchPath.unshift(GLib.getenv('VEMO_GNOME_EXTENSION_DIR'));
const Me = {imports};
// @legacy }
// @esm import System from 'system';
const {Coalescer} = Me.imports.coalescer;
const {BrightnessRange, MonitorModel, monitorLabel} = Me.imports.monitorModel;
const {ServiceClient, isUnreachable} = Me.imports.serviceClient;

const failures = [];
function check(ok, what) {
    print(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
    if (!ok)
        failures.push(what);
}

function sleep(ms) {
    return new Promise(resolve => GLib.timeout_add(GLib.PRIORITY_DEFAULT, ms, () => {
        resolve();
        return GLib.SOURCE_REMOVE;
    }));
}

async function waitFor(condition, timeoutMs = 5000) {
    const deadline = GLib.get_monotonic_time() + timeoutMs * 1000;
    while (!condition()) {
        if (GLib.get_monotonic_time() > deadline)
            return false;
        await sleep(10);
    }
    return true;
}

function testModel() {
    const labels = [
        [{id: 'A1', model: 'VX2780', assetTag: 'DESK-12'}, 'VX2780 · DESK-12'],
        [{id: 'A1', model: 'VX2780', assetTag: '  '}, 'VX2780 · A1'],
        [{id: 'A1', model: '', assetTag: ''}, 'A1'],
    ];
    for (const [monitor, expected] of labels)
        check(monitorLabel(monitor) === expected, `label ${JSON.stringify(monitor)} -> ${expected}`);

    const percent = new BrightnessRange(0, 100, 1);
    const fives = new BrightnessRange(10, 90, 5);
    const mapped = [
        [percent, 0.424, 42], [percent, -1, 0], [percent, 7, 100], [percent, NaN, 0],
        [fives, 0.5, 50], [fives, 0.52, 50], [fives, 0.54, 55], [fives, 1, 90], [fives, 0, 10],
    ];
    for (const [range, fraction, value] of mapped)
        check(range.fromFraction(fraction) === value, `${range.min}..${range.max}/${range.step}: ${fraction} -> ${value}`);
    check(fives.toFraction(50) === 0.5 && fives.toFraction(200) === 1, 'toFraction is clamped to 0..1');

    const model = new MonitorModel();
    model.update('/b', {Id: 'B', Model: 'Zeta', AssetTag: ''});
    model.update('/a', {Id: 'A', Model: 'Alpha', AssetTag: 'T1'});
    check(model.sorted().map(m => m.path).join() === '/a,/b', 'monitors are listed by name');
    check(model.meanFraction(percent) === null, 'no mean before any brightness is known');
    model.setBrightness('/a', 20);
    check(!model.setBrightness('/a', 20), 'the same brightness again is no change');
    model.setBrightness('/b', 60);
    check(Math.abs(model.meanFraction(percent) - 0.4) < 1e-9, 'the mean of the known brightness');
}

async function testCoalescer() {
    const sent = [];
    const pending = [];
    let inFlight = 0;
    let mostInFlight = 0;
    const errors = [];
    let idle = 0;
    const coalescer = new Coalescer(value => {
        sent.push(value);
        inFlight++;
        mostInFlight = Math.max(mostInFlight, inFlight);
        return new Promise((resolve, reject) => pending.push(() => {
            inFlight--;
            if (value === 'bad')
                reject(new Error('refused'));
            else
                resolve();
        }));
    }, {onError: e => errors.push(e.message), onIdle: () => idle++});

    const finishOne = async () => {
        pending.shift()();
        await sleep(0);
    };
    for (let i = 1; i <= 20; i++)
        coalescer.push(i);
    check(sent.join() === '1' && coalescer.busy, 'a drag sends its first value at once, one call in flight');
    await finishOne();
    check(sent.join() === '1,20', 'when it returns only the latest value is sent');
    coalescer.push(21);
    coalescer.push(20);
    await finishOne();
    check(sent.join() === '1,20' && idle === 1 && !coalescer.busy,
        'a drag that ends on the value being written sends nothing more');
    coalescer.push('bad');
    coalescer.push(30);
    await finishOne();
    check(errors.join() === 'refused' && sent.at(-1) === 30, 'a refused write is reported and the next is sent');
    await finishOne();
    check(mostInFlight === 1, 'never more than one call in flight');
}

// The simulated monitors keep their state here, apart from any other run's.
const stateDir = GLib.dir_make_tmp('vemo-gnome-XXXXXX');

function startService() {
    const launcher = new Gio.SubprocessLauncher({flags: Gio.SubprocessFlags.NONE});
    launcher.setenv('VEMO_SIM_STATE', `${stateDir}/simulator.json`, true);
    return launcher.spawnv([GLib.getenv('VEMOD'), '--simulate']);
}

function stopService(service) {
    return new Promise(resolve => {
        service.send_signal(15);
        service.wait_async(null, () => resolve());
    });
}

function removeState() {
    const children = Gio.File.new_for_path(stateDir).enumerate_children('standard::name', 0, null);
    const names = [];
    for (let info; (info = children.next_file(null));)
        names.push(info.get_name());
    children.close(null);
    names.forEach(name => GLib.unlink(`${stateDir}/${name}`));
    GLib.rmdir(stateDir);
}

function brightnessOf(path) {
    const [value] = Gio.DBus.session.call_sync('org.vemo.Monitors1', path, 'org.vemo.Monitors1.Monitor',
        'Get', new GLib.Variant('(s)', ['brightness']), null, Gio.DBusCallFlags.NONE, 5000, null).deepUnpack();
    return value.deepUnpack();
}

function setBehindTheClientsBack(path, value) {
    Gio.DBus.session.call_sync('org.vemo.Monitors1', path, 'org.vemo.Monitors1.Monitor', 'Set',
        new GLib.Variant('(sv)', ['brightness', new GLib.Variant('y', value)]), null,
        Gio.DBusCallFlags.NONE, 5000, null);
}

async function testServiceClient() {
    const model = new MonitorModel();
    const client = new ServiceClient({
        connection: Gio.DBus.session, model,
        makeRange: (min, max, step) => new BrightnessRange(min, max, step),
    });
    const changed = [];
    client.connect('brightness-changed', (c, path) => changed.push(path));

    await waitFor(() => client.state === 'unreachable', 2000);
    check(client.state === 'unreachable' && model.size === 0, 'without the service: unreachable, no monitors');

    let service = startService();
    check(await waitFor(() => client.state === 'ready' && model.size === 3, 10000),
        'the service appears: three monitors');
    const paths = model.sorted().map(m => m.path);
    check(model.sorted().every(m => m.model && m.id && monitorLabel(m).includes(m.model)),
        'each monitor has its model and Id');
    check(client.range.min === 0 && client.range.max === 100, 'the brightness range comes from the service');

    await client.setBrightness(paths[0], 40);
    check(brightnessOf(paths[0]) === 40, 'setBrightness writes one monitor');
    check(await waitFor(() => model.get(paths[0]).brightness === 40), 'its ValueChanged updates the model');

    await client.setEveryBrightness(0.3);
    check(paths.every(p => brightnessOf(p) === 30), 'setEveryBrightness writes every monitor');

    changed.length = 0;
    setBehindTheClientsBack(paths[2], 77);
    check(await waitFor(() => changed.includes(paths[2]) && model.get(paths[2]).brightness === 77),
        'a change made by another client is followed');

    // A drag of a hundred steps through one coalescer: the latest value wins.
    let calls = 0;
    let inFlight = 0;
    let mostInFlight = 0;
    const writer = new Coalescer(async value => {
        calls++;
        mostInFlight = Math.max(mostInFlight, ++inFlight);
        try {
            await client.setBrightness(paths[1], value);
        } finally {
            inFlight--;
        }
    });
    for (let i = 0; i <= 100; i++) {
        writer.push(i);
        if (i % 10 === 0)
            await sleep(1);
    }
    check(await waitFor(() => !writer.busy), 'the drag ends');
    check(brightnessOf(paths[1]) === 100 && mostInFlight === 1 && calls < 101,
        `the last value of the drag is written, one call at a time (${calls} calls for 101 values)`);

    if (client.hasLevel) {
        await client.setLevel(0.5);
        check(await waitFor(() => Math.abs(client.level - 0.5) < 1e-9), 'SetLevel shows in Level');
    } else {
        print('# the service has no SetLevel/Level: the all-monitors slider writes each brightness');
    }

    let error = null;
    await client.setBrightness('/org/vemo/Monitors1/monitor/none', 10).catch(e => {
        error = e;
    });
    check(error !== null, 'a write to a monitor that is not there fails');

    await stopService(service);
    check(await waitFor(() => client.state === 'unreachable' && model.size === 0),
        'the service stops: unreachable, no monitors');
    error = null;
    await client.setBrightness(paths[0], 10).catch(e => {
        error = e;
    });
    check(error !== null && isUnreachable(error), 'a write meanwhile fails as unreachable');

    service = startService();
    check(await waitFor(() => client.state === 'ready' && model.size === 3, 10000),
        'the service comes back: three monitors again');
    client.destroy();
    await stopService(service);
}

// A stand-in for a service with the calibrated level and automatic brightness
// (SetLevel, Level, AutoBrightness) and monitors that come and go.
const FAKE_MANAGER = `<node><interface name="org.vemo.Monitors1.Manager">
  <property name="Monitors" type="ao" access="read"/>
  <property name="Level" type="d" access="read"/>
  <property name="AutoBrightness" type="b" access="readwrite"/>
  <signal name="MonitorAdded"><arg type="o" name="monitor"/></signal>
  <signal name="MonitorRemoved"><arg type="o" name="monitor"/></signal>
  <method name="DescribeSettings"><arg type="aa{sv}" name="settings" direction="out"/></method>
  <method name="SetLevel"><arg type="d" name="level" direction="in"/></method>
</interface></node>`;
const FAKE_MONITOR = `<node><interface name="org.vemo.Monitors1.Monitor">
  <property name="Id" type="s" access="read"/>
  <property name="Model" type="s" access="read"/>
  <property name="AssetTag" type="s" access="read"/>
  <method name="Get"><arg type="s" name="name" direction="in"/><arg type="v" name="value" direction="out"/></method>
  <signal name="ValueChanged"><arg type="s" name="name"/><arg type="v" name="value"/></signal>
</interface></node>`;

async function testLevelAndHotPlug() {
    const connection = Gio.DBusConnection.new_for_address_sync(GLib.getenv('DBUS_SESSION_BUS_ADDRESS'),
        Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, null, null);
    const levels = [];
    const manager = {
        Monitors: [],
        Level: -1,
        AutoBrightness: false,
        DescribeSettings: () => [{name: new GLib.Variant('s', 'brightness'), min: new GLib.Variant('y', 0),
            max: new GLib.Variant('y', 50), step: new GLib.Variant('y', 1)}],
        SetLevel: level => levels.push(level),
    };
    const managerObject = Gio.DBusExportedObject.wrapJSObject(FAKE_MANAGER, manager);
    managerObject.export(connection, '/org/vemo/Monitors1');
    const monitorPath = '/org/vemo/Monitors1/monitor/HOT1';
    const monitorObject = Gio.DBusExportedObject.wrapJSObject(FAKE_MONITOR, {
        Id: 'HOT1', Model: 'Hot Plug', AssetTag: '', Get: () => new GLib.Variant('(v)', [new GLib.Variant('y', 25)]),
    });
    monitorObject.export(connection, monitorPath);
    const owner = Gio.bus_own_name_on_connection(connection, 'org.vemo.Monitors1', Gio.BusNameOwnerFlags.NONE,
        null, null);

    const model = new MonitorModel();
    const client = new ServiceClient({
        connection: Gio.DBus.session, model,
        makeRange: (min, max, step) => new BrightnessRange(min, max, step),
    });
    check(await waitFor(() => client.state === 'ready'), 'a service with SetLevel: ready');
    check(client.hasLevel && client.hasAutoBrightness && client.level === -1 && model.size === 0,
        'SetLevel, Level and AutoBrightness are found; no level before any');

    manager.Monitors = [monitorPath];
    managerObject.emit_signal('MonitorAdded', new GLib.Variant('(o)', [monitorPath]));
    check(await waitFor(() => model.size === 1) && monitorLabel(model.get(monitorPath)) === 'Hot Plug · HOT1' &&
        model.get(monitorPath).brightness === 25 && client.range.max === 50, 'MonitorAdded adds the monitor');

    await client.setLevel(0.7);
    check(levels.join() === '0.7', 'setLevel calls SetLevel');
    manager.Level = 0.7;
    managerObject.emit_property_changed('Level', new GLib.Variant('d', 0.7));
    manager.AutoBrightness = true;
    managerObject.emit_property_changed('AutoBrightness', new GLib.Variant('b', true));
    managerObject.flush();
    check(await waitFor(() => client.level === 0.7 && client.autoBrightness),
        'Level and AutoBrightness follow PropertiesChanged');
    await client.setAutoBrightness(false);
    check(manager.AutoBrightness === false, 'setAutoBrightness writes the property');

    manager.Monitors = [];
    managerObject.emit_signal('MonitorRemoved', new GLib.Variant('(o)', [monitorPath]));
    check(await waitFor(() => model.size === 0), 'MonitorRemoved removes it');

    client.destroy();
    Gio.bus_unown_name(owner);
    managerObject.unexport();
    monitorObject.unexport();
    connection.close_sync(null);
}

async function main() {
    testModel();
    await testCoalescer();
    await testServiceClient();
    await testLevelAndHotPlug();
    removeState();
}

const loop = new GLib.MainLoop(null, false);
let status = 0;
main().catch(e => {
    logError(e);
    failures.push(`exception: ${e}`);
}).finally(() => {
    status = failures.length ? 1 : 0;
    loop.quit();
});
loop.run();
print(failures.length ? `${failures.length} failed` : 'all passed');
System.exit(status);
