"""vemod on a private session bus, serving three simulated monitors."""

import os
import signal
import subprocess
import time
import unittest
import xml.etree.ElementTree as ElementTree

import dbus
from vemo.bus import monitor_path

from vemod_harness import (ERROR, MANAGER, MANAGER_PATH, MONITOR, VEMOCTL, VEMOD, Calls, DirectClient, Service,
                           introspect, run_until)

XML = os.environ["VEMOD_XML"]


def members(interface):
    """An interface's members as comparable tuples, annotations left out."""
    found = set()
    for member in interface:
        if member.tag == "property":
            found.add(("property", member.get("name"), member.get("type"), member.get("access")))
        elif member.tag in ("method", "signal"):
            args = tuple((a.get("name"), a.get("type"), a.get("direction", "out" if member.tag == "method" else ""))
                         for a in member.findall("arg"))
            found.add((member.tag, member.get("name"), args))
    return found


def interfaces(xml_text):
    return {i.get("name"): members(i) for i in ElementTree.fromstring(xml_text).findall("interface")}


class VemodTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.service = Service(hold=1)
        cls.paths = sorted(cls.service.monitor_paths(), key=lambda p: cls.service.property(p, "UsbSerial"))

    @classmethod
    def tearDownClass(cls):
        cls.service.stop()

    def monitor(self, index, bus=None):
        return self.service.monitor(self.paths[index], bus)

    def second_client(self):
        return dbus.bus.BusConnection(os.environ["DBUS_SESSION_BUS_ADDRESS"])

    def test_interface_is_the_checked_in_xml(self):
        with open(XML) as f:
            written = interfaces(f.read())
        served = interfaces(introspect(self.service.bus, MANAGER_PATH))
        served.update(interfaces(introspect(self.service.bus, self.paths[0])))
        for name in (MANAGER, MONITOR):
            self.assertEqual(served[name], written[name], name)

    def test_three_monitors_with_their_identity(self):
        self.assertEqual(len(self.paths), 3)
        serials = [str(self.service.property(p, "UsbSerial")) for p in self.paths]
        self.assertEqual(serials, ["VEMOSIM00001", "VEMOSIM00002", "VEMOSIM00003"])
        numbers = [str(self.service.property(p, "SerialNumber")) for p in self.paths]
        manager = self.service.manager()
        for path, usb, number in zip(self.paths, serials, numbers):
            identifier = str(self.service.property(path, "Id"))
            self.assertEqual(path, monitor_path(identifier))
            # The serial number is the Id unless another monitor reports the same one.
            self.assertEqual(identifier, number if numbers.count(number) == 1 else identifier)
            self.assertIn(identifier, (number, usb))
            self.assertEqual(manager.FindMonitor(usb), path)
            self.assertEqual(manager.FindMonitor(identifier), path)
            self.assertEqual(self.service.property(path, "Model"), "VEMO P27Q")
        with self.assertRaises(dbus.DBusException) as caught:
            manager.FindMonitor("NO-SUCH-KEY")
        self.assertEqual(caught.exception.get_dbus_name(), ERROR + "NoSuchMonitor")

    def test_values_come_in_their_types(self):
        monitor = self.monitor(0)
        expected = {"brightness": dbus.Byte, "color-preset": dbus.UInt32, "color-preset-caps": dbus.UInt32,
                    "backlight-hours": dbus.UInt16, "monitor-name": dbus.String}
        for name, kind in expected.items():
            self.assertIsInstance(monitor.Get(name), kind, name)
        described = {str(d["name"]): d for d in self.service.manager().DescribeSettings(signature="")}
        self.assertEqual((described["brightness"]["kind"], described["brightness"]["min"],
                          described["brightness"]["max"], described["brightness"]["step"]), ("byte", 0, 100, 1))
        self.assertEqual((described["sharpness"]["step"], described["color-preset"]["choices"]), (10, 8))
        self.assertEqual((described["color-preset-caps"]["choices"], described["color-preset-caps"]["writable"]),
                         (0, False))
        self.assertEqual((described["asset-tag"]["kind"], described["asset-tag"]["max_bytes"]), ("text", 10))
        self.assertIsInstance(described["asset-tag"]["max_bytes"], dbus.UInt16)
        values = monitor.GetAll()
        self.assertEqual(set(values), set(described) - {"custom-color"})
        for name, kind in expected.items():
            self.assertIsInstance(values[name], kind, name)

    def test_set_takes_any_integer_type_and_the_asset_tag_as_text(self):
        monitor = self.monitor(1)
        for value in (dbus.Byte(10), dbus.Int16(11), dbus.UInt16(12), dbus.Int32(13), dbus.UInt32(14),
                      dbus.Int64(15), dbus.UInt64(16)):
            monitor.Set("brightness", value)
            self.assertEqual(monitor.Get("brightness"), int(value))
        monitor.Set("asset-tag", "DESK-42")
        self.assertEqual(monitor.Get("asset-tag"), "DESK-42")
        self.assertEqual(self.service.property(self.paths[1], "AssetTag"), "DESK-42")

    def test_choices_are_named_by_the_model_description_and_set_by_name(self):
        m = self.monitor(2)
        choices = self.service.property(self.paths[2], "Choices")
        self.assertEqual(choices["video-input"]["usb-c"], 0x10)
        self.assertEqual(choices["osd-language"]["german"], 1)
        m.Set("video-input", "usb-c")
        m.Set("osd-language", "german")
        self.assertEqual((m.Get("video-input"), m.Get("osd-language")), (0x10, 1))

    def test_errors_name_the_setting(self):
        m = self.monitor(0)
        cases = [
            (lambda: m.Get("brightnes"), ERROR + "UnknownSetting", ["brightnes"]),
            (lambda: m.Set("monitor-name", "X"), ERROR + "ReadOnly", ["monitor-name"]),
            (lambda: m.Set("brightness", dbus.UInt16(101)), ERROR + "OutOfRange", ["brightness", "0 to 100"]),
            (lambda: m.Set("brightness", dbus.Int32(-1)), ERROR + "OutOfRange", ["brightness", "0 to 100"]),
            (lambda: m.Set("sharpness", dbus.Byte(55)), ERROR + "OutOfRange", ["sharpness", "50, 60"]),
            (lambda: m.Set("color-preset", dbus.UInt32(3)), ERROR + "OutOfRange", ["color-preset", "0x04"]),
            (lambda: m.Set("asset-tag", "ELEVEN-BYTE"), ERROR + "OutOfRange", ["asset-tag"]),
            (lambda: m.SetCustomColor(dbus.Byte(4), dbus.ByteArray(bytes(6))), ERROR + "OutOfRange", ["custom-color"]),
            (lambda: m.SetCustomColor(dbus.Byte(0), dbus.ByteArray(bytes([101, 0, 0, 0, 0, 0]))),
             ERROR + "OutOfRange", ["custom-color", "0 to 100"]),
            (lambda: m.Set("brightness", "50"), "org.freedesktop.DBus.Error.InvalidArgs", ["brightness"]),
            (lambda: m.Set("asset-tag", dbus.UInt32(5)), "org.freedesktop.DBus.Error.InvalidArgs", ["asset-tag"]),
            (lambda: m.Adjust("color-preset", 1), "org.freedesktop.DBus.Error.InvalidArgs", ["color-preset"]),
            (lambda: m.SetCustomColor(dbus.Byte(0), dbus.ByteArray(bytes(5))), "org.freedesktop.DBus.Error.InvalidArgs",
             ["custom-color"]),
            (lambda: m.Get(dbus.UInt32(1), signature="u"), "org.freedesktop.DBus.Error.InvalidArgs", []),
            (lambda: m.Set("video-input", dbus.UInt32(0x20)), ERROR + "OutOfRange",
             ["video-input: 0x20 is not offered by this monitor", "0x10 (usb-c)"]),
            (lambda: m.Set("video-input", "vga"), "org.freedesktop.DBus.Error.InvalidArgs",
             ["'vga' is not a number or a choice of this model", "hdmi-2"]),
        ]
        before = m.Get("brightness")
        for call, name, words in cases:
            with self.subTest(expected=name, words=words):
                with self.assertRaises(dbus.DBusException) as caught:
                    call()
                self.assertEqual(caught.exception.get_dbus_name(), name)
                for word in words:
                    self.assertIn(word, caught.exception.get_dbus_message())
        self.assertEqual(m.Get("brightness"), before)

    def test_adjust_clamps_to_the_range_on_its_step(self):
        m = self.monitor(2)
        m.Set("brightness", dbus.Byte(50))
        self.assertEqual(m.Adjust("brightness", 1000), 100)
        self.assertEqual(m.Adjust("brightness", -1000), 0)
        m.Set("sharpness", dbus.Byte(50))
        self.assertEqual(m.Adjust("sharpness", 6), 60)
        self.assertEqual(m.Adjust("sharpness", -14), 50)
        self.assertEqual(m.Get("sharpness"), 50)

    def test_value_changed_and_was_reset_reach_a_second_client(self):
        seen = []
        other = self.second_client()
        for signal_name in ("ValueChanged", "WasReset"):
            other.add_signal_receiver(lambda *args, s=signal_name: seen.append((s, *args)), signal_name=signal_name,
                                      dbus_interface=MONITOR, path=self.paths[0])
        m = self.monitor(0)
        m.Set("contrast", dbus.Byte(33))
        m.SetCustomColor(dbus.Byte(2), dbus.ByteArray(bytes([50, 60, 70, 80, 90, 100])))
        self.assertEqual(bytes(m.GetCustomColor(dbus.Byte(2))), bytes([50, 60, 70, 80, 90, 100]))
        m.Reset("osd")
        self.assertTrue(run_until(lambda: len(seen) >= 3), seen)
        self.assertEqual(seen[0], ("ValueChanged", "contrast", 33))
        self.assertEqual(seen[1][:2], ("ValueChanged", "custom-color"))
        self.assertEqual(seen[2], ("WasReset", "osd"))

    def test_two_clients_writing_at_once_lose_nothing(self):
        clients = [self.service.bus, self.second_client()]
        settings = [("brightness", "contrast"), ("saturation", "hue")]
        calls = Calls()
        for round_ in range(5):
            for client, names in zip(clients, settings):
                for index in range(3):
                    for name in names:
                        calls.issue(self.monitor(index, client).Set, name, dbus.Byte(10 * index + round_ + 1))
        self.assertTrue(calls.wait())
        self.assertEqual({outcome[0] for outcome in calls.outcomes.values()}, {"ok"})
        for index in range(3):
            for names in settings:
                for name in names:
                    self.assertEqual(self.monitor(index).Get(name), 10 * index + 5, (index, name))
        if not VEMOCTL or not self.service.shares_state:
            self.skipTest("the simulator does not yet share its monitors' state between processes")
        time.sleep(1.5)  # the workers release their bridges; the values must be on the monitors
        for index in range(3):
            got = self.service.vemoctl("--monitor", str(index), "get", "brightness", "contrast", "saturation", "hue")
            self.assertEqual(got.returncode, 0, got.stderr)
            expected = "".join(f"{n}: {10 * index + 5}\n" for n in ("brightness", "contrast", "saturation", "hue"))
            self.assertEqual(got.stdout, expected, index)

    def test_pending_writes_of_a_setting_coalesce(self):
        changes = []
        other = self.second_client()
        other.add_signal_receiver(lambda name, value: changes.append(int(value)) if name == "osd-timer" else None,
                                  signal_name="ValueChanged", dbus_interface=MONITOR, path=self.paths[1])
        workers = self.service.workers()
        for pid in workers:  # the writes wait in line while the monitor is busy
            os.kill(pid, signal.SIGSTOP)
        calls = Calls()
        for value in range(5, 61):
            calls.issue(self.monitor(1).Set, "osd-timer", dbus.Byte(value))
        run_until(lambda: False, 0.3)
        for pid in workers:
            os.kill(pid, signal.SIGCONT)
        self.assertTrue(calls.wait())
        self.assertEqual({outcome[0] for outcome in calls.outcomes.values()}, {"ok"})
        self.assertTrue(run_until(lambda: changes and changes[-1] == 60), changes)
        self.assertEqual(changes, [5, 60])
        self.assertEqual(self.monitor(1).Get("osd-timer"), 60)

    def test_a_killed_worker_is_restarted_and_its_call_fails(self):
        workers = self.service.workers()
        self.assertEqual(len(workers), 3)
        for pid in workers:
            os.kill(pid, signal.SIGSTOP)
        calls = Calls()
        calls.issue(self.monitor(0).Get, "brightness")
        run_until(lambda: False, 0.3)  # the call reaches the stopped worker
        for pid in workers:
            os.kill(pid, signal.SIGKILL)
        self.assertTrue(calls.wait())
        self.assertEqual(calls.outcomes[0][0], ERROR + "CommFailure")
        self.assertIn("brightness", calls.outcomes[0][1])
        for index in range(3):
            self.assertIsInstance(self.monitor(index).Get("brightness"), dbus.Byte)
        self.assertEqual(sorted(self.service.monitor_paths()), sorted(self.paths))
        self.assertTrue(set(self.service.workers()).isdisjoint(workers))
        # The log names each monitor whose worker died and was restarted.
        log = self.service.read_log()
        for path in self.paths:
            monitor_id = str(self.service.property(path, "Id"))
            self.assertIn(f"vemod: the worker of monitor {monitor_id} (bridge ", log)
            self.assertIn(f"vemod: the worker of monitor {monitor_id} was restarted", log)

    @unittest.skipUnless(VEMOCTL, "vemoctl is not built")
    def test_an_idle_service_lets_other_programs_reach_the_monitor(self):
        self.monitor(0).Get("brightness")
        time.sleep(1.5)
        direct = self.service.vemoctl("--monitor", "0", "set", "brightness", "44")
        self.assertEqual(direct.returncode, 0, direct.stderr)
        if not self.service.shares_state:
            self.skipTest("the simulator does not yet share its monitors' state between processes")
        self.assertEqual(self.monitor(0).Get("brightness"), 44)

    def test_a_second_vemod_names_the_one_that_serves_the_session(self):
        second = subprocess.run([VEMOD, "--simulate"], env=self.service.env, capture_output=True, text=True,
                                timeout=30)
        self.assertEqual(second.returncode, 1)
        self.assertIn(f"vemod: another vemod serves this session already (PID {self.service.process.pid})",
                      second.stderr)

    def test_a_key_two_monitors_share_is_ambiguous_naming_both(self):
        for index in (0, 1):
            self.monitor(index).Set("asset-tag", "SHARED")
        with self.assertRaises(dbus.DBusException) as caught:
            self.service.manager().FindMonitor("SHARED")
        self.assertEqual(caught.exception.get_dbus_name(), ERROR + "Ambiguous")
        ids = [str(self.service.property(p, "Id")) for p in self.paths[:2]]
        for monitor_id in ids:
            self.assertIn(monitor_id, caught.exception.get_dbus_message())

    @unittest.skipUnless(VEMOCTL, "vemoctl is not built")
    def test_identity_changed_by_another_program_during_the_hold_is_read_again(self):
        self.monitor(2).Get("brightness")
        time.sleep(1.5)  # the service lets the bridge go
        direct = self.service.vemoctl("--monitor", "2", "set", "asset-tag", "MOVED-3")
        self.assertEqual(direct.returncode, 0, direct.stderr)
        changed = []
        self.service.bus.add_signal_receiver(
            lambda interface, props, _gone: changed.extend(props), "PropertiesChanged",
            "org.freedesktop.DBus.Properties", path=self.paths[2])
        # A key that misses makes the service read the identities again.
        self.assertEqual(self.service.manager().FindMonitor("MOVED-3"), self.paths[2])
        self.assertEqual(self.service.property(self.paths[2], "AssetTag"), "MOVED-3")
        run_until(lambda: "AssetTag" in changed, 2)
        self.assertIn("AssetTag", changed)

    def test_a_bridge_held_by_another_program_answers_busy(self):
        self.monitor(0).Get("brightness")
        time.sleep(1.5)
        with DirectClient(self.service.env) as other:
            self.assertEqual(other.ask("connect 0"), "0")
            self.assertEqual(other.ask("serial"), "VEMOSIM00001")
            if other.ask("count") != "2":
                self.skipTest("the simulator does not yet claim a bridge for one process at a time")
            with self.assertRaises(dbus.DBusException) as caught:
                self.monitor(0).Get("brightness")
            self.assertEqual(caught.exception.get_dbus_name(), ERROR + "Busy")
            self.assertIn("brightness", caught.exception.get_dbus_message())
        self.assertIsInstance(self.monitor(0).Get("brightness"), dbus.Byte)

if __name__ == "__main__":
    unittest.main(verbosity=2)
