"""vemod on its own: the calibrated level, the light sensor, the night light, the wear guard and the
settings kept, on the test's session bus and a private system bus, with python3-dbusmock standing in
for iio-sensor-proxy and GNOME's colour service."""

import json
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest

import dbus
import dbusmock

from vemod_harness import BUS_NAME, ERROR, MANAGER, MANAGER_PATH, MONITOR, VEMOCTL, Service, run_until

GUIDE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "docs", "vemod.md")
SENSOR = "net.hadess.SensorProxy"
COLOR = "org.gnome.SettingsDaemon.Color"
COLOR_PATH = "/org/gnome/SettingsDaemon/Color"


class AutomationTest(dbusmock.DBusTestCase):
    @classmethod
    def setUpClass(cls):
        cls.start_system_bus()  # DBUS_SYSTEM_BUS_ADDRESS points at it from here on

    def setUp(self):
        self.home = tempfile.mkdtemp(prefix="vemod-config-")
        self.config = os.path.join(self.home, "vemo", "vemod.json")
        self.log = os.path.join(self.home, "vemod.log")
        self.mocks = []
        self.service = None
        self.start()

    def tearDown(self):
        if self.service:
            self.service.stop()
        for process in self.mocks:
            process.terminate()
            process.wait()
        shutil.rmtree(self.home, ignore_errors=True)

    def start(self, monitors=3, state_dir=None):
        self.service = Service(hold=5, monitors=monitors, env={"XDG_CONFIG_HOME": self.home}, state_dir=state_dir,
                               log=self.log)
        self.paths = sorted(self.service.monitor_paths(), key=lambda p: self.service.property(p, "UsbSerial"))

    def restart(self, monitors=3):
        state = self.service.state_dir
        self.service.stop(keep_state=True)
        self.start(monitors, state)

    # Bus helpers ------------------------------------------------------------

    def props(self, path):
        return dbus.Interface(self.service.bus.get_object(BUS_NAME, path), dbus.PROPERTIES_IFACE)

    def manager_get(self, name):
        return self.props(MANAGER_PATH).Get(MANAGER, name)

    def manager_set(self, name, value):
        self.props(MANAGER_PATH).Set(MANAGER, name, value)

    def monitor_get(self, index, name):
        return self.props(self.paths[index]).Get(MONITOR, name)

    def monitor_set(self, index, name, value):
        self.props(self.paths[index]).Set(MONITOR, name, value)

    def brightness(self, index):
        return int(self.service.monitor(self.paths[index]).Get("brightness"))

    def writes(self, index, setting="brightness"):
        return int(self.monitor_get(index, "Writes").get(setting, 0))

    def changes(self):
        """Every PropertiesChanged of the service seen by another client: (path, name, value)."""
        seen = []
        other = dbus.bus.BusConnection(os.environ["DBUS_SESSION_BUS_ADDRESS"])
        other.add_signal_receiver(
            lambda interface, changed, invalidated, path=None: seen.extend((path, str(k), v) for k, v in changed.items()),
            signal_name="PropertiesChanged", dbus_interface=dbus.PROPERTIES_IFACE, path_keyword="path")
        self.addCleanup(other.close)
        return seen

    def assert_refused(self, call, error, *words):
        with self.assertRaises(dbus.DBusException) as caught:
            call()
        self.assertEqual(caught.exception.get_dbus_name(), ERROR + error)
        for word in words:
            self.assertIn(word, caught.exception.get_dbus_message())

    def log_text(self):
        with open(self.log) as f:
            return f.read()

    # Stand-ins for the desktop's services -------------------------------------

    def sensor(self, lux):
        process, mock = self.spawn_server_template(
            "iio-sensors-proxy", {"has_ambient_light": True, "light_level": float(lux)}, stdout=subprocess.DEVNULL)
        self.mocks.append(process)
        return process, mock

    def set_lux(self, mock, lux):
        mock.SetInternalProperty(SENSOR, "LightLevel", dbus.Double(lux), dbus_interface=dbusmock.MOCK_IFACE)

    def colour_service(self, active):
        process = self.spawn_server(COLOR, COLOR_PATH, COLOR, system_bus=False, stdout=subprocess.DEVNULL)
        self.mocks.append(process)
        mock = dbus.SessionBus().get_object(COLOR, COLOR_PATH)
        mock.AddProperty(COLOR, "NightLightActive", dbus.Boolean(active), dbus_interface=dbusmock.MOCK_IFACE)
        return mock

    def night(self, mock, active):
        mock.Set(COLOR, "NightLightActive", dbus.Boolean(active), dbus_interface=dbus.PROPERTIES_IFACE)

    # Tests ---------------------------------------------------------------------

    def test_calibrated_level_on_every_linked_monitor(self):
        seen = self.changes()
        self.assertEqual(self.manager_get("Level"), -1)
        self.assertEqual([self.monitor_get(0, n) for n in ("BrightnessMin", "BrightnessMax", "BrightnessCurve",
                                                           "Linked")], [0, 100, 1.0, True])
        self.monitor_set(0, "BrightnessMin", dbus.Byte(20))
        self.monitor_set(0, "BrightnessMax", dbus.Byte(80))
        self.monitor_set(0, "BrightnessCurve", dbus.Double(2.0))
        self.service.monitor(self.paths[2]).Set("brightness", dbus.Byte(33))
        self.monitor_set(2, "Linked", dbus.Boolean(False))

        self.service.manager().SetLevel(dbus.Double(0.5))
        self.assertEqual([self.brightness(i) for i in range(3)], [35, 50, 33])  # 20 + 60 * 0.5^2; 100 * 0.5
        self.assertEqual(self.manager_get("Level"), 0.5)
        # A linked monitor's new calibration takes effect at once.
        self.monitor_set(1, "BrightnessMax", dbus.Byte(60))
        self.assertTrue(run_until(lambda: self.brightness(1) == 30))

        refused = [
            (lambda: self.service.manager().SetLevel(dbus.Double(1.5)), "SetLevel"),
            (lambda: self.service.manager().SetLevel(dbus.Double(-0.1)), "SetLevel"),
            (lambda: self.monitor_set(0, "BrightnessMin", dbus.Byte(81)), "BrightnessMin"),
            (lambda: self.monitor_set(0, "BrightnessMax", dbus.Byte(19)), "BrightnessMin"),
            (lambda: self.monitor_set(0, "BrightnessMax", dbus.Byte(101)), "BrightnessMax"),
            (lambda: self.monitor_set(0, "BrightnessCurve", dbus.Double(0.1)), "BrightnessCurve"),
            (lambda: self.monitor_set(0, "BrightnessCurve", dbus.Double(5.5)), "BrightnessCurve"),
        ]
        for call, word in refused:
            with self.subTest(word=word):
                self.assert_refused(call, "OutOfRange", word)
        self.assertEqual([self.monitor_get(0, n) for n in ("BrightnessMin", "BrightnessMax", "BrightnessCurve")],
                         [20, 80, 2.0])
        self.assertEqual(self.manager_get("Level"), 0.5)

        self.assertTrue(run_until(lambda: (MANAGER_PATH, "Level", 0.5) in seen), seen)
        self.assertIn((self.paths[2], "Linked", False), seen)
        for name, value in (("BrightnessMin", 20), ("BrightnessMax", 80), ("BrightnessCurve", 2.0)):
            self.assertIn((self.paths[0], name, value), seen)

    def test_a_held_value_is_not_written_again(self):
        seen = []
        self.service.bus.add_signal_receiver(lambda name, value: seen.append((str(name), int(value))),
                                             signal_name="ValueChanged", dbus_interface=MONITOR, path=self.paths[1])
        monitor = self.service.monitor(self.paths[1])
        before = self.writes(1)
        for _ in range(3):
            monitor.Set("brightness", dbus.Byte(41))
        self.assertEqual(monitor.Adjust("brightness", 0), 41)
        self.service.manager().SetLevel(dbus.Double(0.41))
        self.service.manager().SetLevel(dbus.Double(0.41))
        self.assertEqual(self.writes(1), before + 1)
        monitor.Set("brightness", dbus.Byte(42))
        self.assertTrue(run_until(lambda: self.writes(1) == before + 2))
        self.assertTrue(run_until(lambda: len(seen) >= 2))
        self.assertEqual(seen, [("brightness", 41), ("brightness", 42)])
        if not VEMOCTL:
            return
        metrics = subprocess.run([VEMOCTL, "metrics"], env=self.service.env, capture_output=True, text=True,
                                 timeout=30)
        identifier = str(self.monitor_get(1, "Id"))
        self.assertIn(f'vemo_monitor_writes_total{{id="{identifier}",setting="brightness"}} {before + 2}\n',
                      metrics.stdout, metrics.stderr)

    def test_settings_survive_a_restart_and_a_broken_file_is_set_aside(self):
        curve = dbus.Array([dbus.Struct((0.0, 0.2)), dbus.Struct((500.0, 0.9))], signature="(dd)")
        self.manager_set("AmbientCurve", curve)
        self.manager_set("AutoInterval", dbus.UInt32(7))
        self.manager_set("FollowNightLight", dbus.Boolean(True))
        self.monitor_set(1, "BrightnessCurve", dbus.Double(0.5))
        self.monitor_set(1, "NightSettings", dbus.Dictionary({"contrast": dbus.Byte(20)}, signature="sv"))
        for value, word in ((0, "AutoInterval"), (3601, "AutoInterval")):
            self.assert_refused(lambda: self.manager_set("AutoInterval", dbus.UInt32(value)), "OutOfRange", word)
        self.assert_refused(lambda: self.manager_set("AmbientCurve", dbus.Array([dbus.Struct((10.0, 0.5)),
                                                                                  dbus.Struct((5.0, 0.6))],
                                                                                 signature="(dd)")),
                            "OutOfRange", "rise")

        # One monitor attached: the others keep their entries.
        self.restart(monitors=1)
        self.assertEqual(self.manager_get("AutoInterval"), 7)
        self.assertEqual([tuple(p) for p in self.manager_get("AmbientCurve")], [(0.0, 0.2), (500.0, 0.9)])
        self.assertTrue(self.manager_get("FollowNightLight"))
        self.monitor_set(0, "BrightnessMin", dbus.Byte(5))
        self.restart()
        self.assertEqual(self.monitor_get(1, "BrightnessCurve"), 0.5)
        self.assertEqual(dict(self.monitor_get(1, "NightSettings")), {"contrast": 20})
        self.assertEqual(self.monitor_get(0, "BrightnessMin"), 5)

        for broken in ("{ not json", "[1, 2]"):
            self.service.stop(keep_state=True)
            with open(self.config, "w") as f:
                f.write(broken)
            self.start(3, self.service.state_dir)
            self.assertEqual(self.manager_get("AutoInterval"), 10)
            self.assertEqual(self.monitor_get(1, "BrightnessCurve"), 1.0)
        with open(self.config + ".bad") as f:
            self.assertEqual(f.read(), "{ not json")  # set aside, not overwritten by the next one
        with open(self.config + ".bad.1") as f:
            self.assertEqual(f.read(), "[1, 2]")
        self.assertIn("vemod.json.bad", self.log_text())

    def test_brightness_follows_the_light_within_the_interval(self):
        process, sensor = self.sensor(0)
        self.manager_set("AutoInterval", dbus.UInt32(1))
        self.manager_set("AutoPause", dbus.UInt32(3))
        self.manager_set("AutoBrightness", dbus.Boolean(True))
        self.assertTrue(run_until(lambda: self.manager_get("AmbientLux") == 0 and self.brightness(1) == 10))
        self.assertEqual(self.manager_get("Level"), 0.1)  # the default curve in a dark room

        self.set_lux(sensor, 1000)
        started = time.monotonic()
        self.assertTrue(run_until(lambda: self.brightness(1) == 80, 3))
        self.assertLessEqual(time.monotonic() - started, 1 + 1)
        self.assertEqual(self.manager_get("AmbientLux"), 1000)

        # Less than 0.05 away from the level: nothing is written.
        writes = self.writes(1)
        self.set_lux(sensor, 1100)
        run_until(lambda: False, 1.5)
        self.assertEqual((self.writes(1), self.manager_get("Level")), (writes, 0.8))

        # A client's change pauses the automation; switching it on again resumes at once.
        self.service.monitor(self.paths[1]).Set("brightness", dbus.Byte(55))
        self.assertTrue(self.manager_get("AutoPaused"))
        self.assertGreater(self.manager_get("AutoPausedUntil"), time.time())
        self.set_lux(sensor, 10)
        run_until(lambda: False, 1.2)
        self.assertEqual(self.brightness(1), 55)
        self.manager_set("AutoBrightness", dbus.Boolean(True))
        self.assertFalse(self.manager_get("AutoPaused"))
        self.assertTrue(run_until(lambda: self.brightness(1) == 25, 2))

        # SetLevel pauses too, until AutoPause has passed.
        self.service.manager().SetLevel(dbus.Double(0.6))
        self.assertTrue(self.manager_get("AutoPaused"))
        self.assertEqual(self.brightness(1), 60)
        self.assertTrue(run_until(lambda: not self.manager_get("AutoPaused"), 5))
        self.assertTrue(run_until(lambda: self.brightness(1) == 25, 2))

    def test_a_missing_sensor_is_reported_once_and_picked_up_when_it_comes(self):
        self.manager_set("AutoBrightness", dbus.Boolean(True))
        self.service.manager().SetLevel(dbus.Double(0.3))
        self.assertEqual((self.manager_get("AmbientLux"), self.brightness(1)), (-1, 30))

        process, sensor = self.sensor(2000)
        self.assertTrue(run_until(lambda: self.manager_get("AmbientLux") == 2000, 5))
        process.terminate()
        process.wait()
        self.assertTrue(run_until(lambda: self.manager_get("AmbientLux") == -1, 5))
        self.sensor(50)
        self.assertTrue(run_until(lambda: self.manager_get("AmbientLux") == 50, 5))
        log = self.log_text()
        self.assertEqual(log.count("no ambient light sensor"), 1, log)
        self.assertEqual(log.count("went away"), 1, log)

    def test_night_light_applies_the_night_settings_and_puts_the_day_back(self):
        colour = self.colour_service(False)
        monitor = self.service.monitor(self.paths[2])
        monitor.Set("brightness", dbus.Byte(70))
        monitor.Set("contrast", dbus.Byte(50))
        self.assert_refused(lambda: self.monitor_set(2, "NightSettings", dbus.Dictionary({"brightnes": dbus.Byte(1)}, signature="sv")),
                            "UnknownSetting", "brightnes")
        self.assert_refused(lambda: self.monitor_set(2, "NightSettings", dbus.Dictionary({"brightness": dbus.Byte(101)}, signature="sv")),
                            "OutOfRange", "brightness")
        self.monitor_set(2, "NightSettings", dbus.Dictionary({"brightness": dbus.Byte(10),
                                                              "contrast": dbus.Byte(30)}, signature="sv"))
        self.night(colour, True)
        run_until(lambda: False, 0.5)
        self.assertEqual((int(monitor.Get("brightness")), int(monitor.Get("contrast"))), (70, 50))  # not followed

        self.manager_set("FollowNightLight", dbus.Boolean(True))
        self.assertTrue(run_until(lambda: int(monitor.Get("contrast")) == 30 and int(monitor.Get("brightness")) == 10))

        self.restart()  # while the night light is on
        with open(self.config) as f:
            kept = json.load(f)["monitors"][str(self.monitor_get(2, "Id"))]
        self.assertEqual(kept["day-values"], {"brightness": 70, "contrast": 50})
        monitor = self.service.monitor(self.paths[2])
        if self.service.shares_state:
            run_until(lambda: False, 0.5)
            self.assertEqual((int(monitor.Get("brightness")), int(monitor.Get("contrast"))), (10, 30))

        self.night(colour, False)
        self.assertTrue(run_until(lambda: int(monitor.Get("contrast")) == 50 and int(monitor.Get("brightness")) == 70))
        self.assertTrue(run_until(lambda: "day-values" not in json.load(open(self.config))["monitors"][
            str(self.monitor_get(2, "Id"))]))

    @unittest.skipUnless(VEMOCTL, "vemoctl is not built")
    def test_the_guide_examples_run_as_printed(self):
        """Every "$ " line of the vemod guide's section on the automation, in order, against this
        service: what it prints is what the guide shows ("..." stands for any lines)."""
        with open(GUIDE, encoding="utf-8") as f:
            section = f.read().split("\n## On its own:", 1)[1].split("\n## ", 1)[0]
        env = dict(self.service.env, PATH=os.path.dirname(VEMOCTL) + os.pathsep + os.environ["PATH"])
        have_busctl = shutil.which("busctl") is not None
        ran = 0
        for block in re.findall(r"^```\n(.*?)^```", section, re.S | re.M):
            commands = []
            for line in block.splitlines():
                if line.startswith("$ "):
                    commands.append((line[2:], []))
                elif commands:
                    commands[-1][1].append(line)
            for command, expected in commands:
                if command.startswith("busctl") and not have_busctl:
                    continue  # systemd's busctl is not installed here
                out = subprocess.run(["bash", "-c", command], env=env, capture_output=True, text=True, timeout=30)
                self.assertTrue(matches(expected, (out.stdout + out.stderr).splitlines()),
                                f"$ {command}\nexpected:\n" + "\n".join(expected) + "\ngot:\n" + out.stdout + out.stderr)
                ran += 1
        self.assertGreater(ran, 10)


def matches(expected, actual):
    if not expected:
        return not actual
    if expected[0] == "...":
        return any(matches(expected[1:], actual[i:]) for i in range(len(actual) + 1))
    return bool(actual) and expected[0] == actual[0] and matches(expected[1:], actual[1:])


if __name__ == "__main__":
    unittest.main(verbosity=2)
