"""The bus names the package and the app use match the interface description
the service installs, and the errors match the service's own list."""

import re
import xml.etree.ElementTree as ElementTree
from pathlib import Path

from vemo import bus

SOURCE = Path(__file__).resolve().parents[2]
XML = SOURCE / "service" / "org.vemo.Monitors1.xml"
CPP_CONTRACT = SOURCE / "contract" / "bus.h"


def test_names_match_the_interface_description() -> None:
    text = XML.read_text(encoding="utf-8")
    interfaces = {node.get("name") for node in ElementTree.fromstring(text).iter("interface")}
    assert interfaces == {bus.MANAGER_INTERFACE, bus.MONITOR_INTERFACE}
    # The description names the bus name and the objects in its opening comment.
    assert re.findall(r"Bus name ([\w.]+);", text) == [bus.BUS_NAME]
    assert re.findall(r"the Manager at (/[\w/]+)", text) == [bus.MANAGER_PATH]
    assert re.findall(r"each monitor at\s+(/[\w/]+/)<Id>", text) == [bus.MONITOR_PATH_PREFIX]
    assert bus.ERROR_PREFIX == bus.BUS_NAME + ".Error."


def test_errors_match_the_service() -> None:
    header = CPP_CONTRACT.read_text(encoding="utf-8")
    prefix = re.search(r'kErrorPrefix = "([^"]+)"', header)
    assert prefix is not None and prefix.group(1) == bus.ERROR_PREFIX
    listed = re.search(r"kErrorKinds\[\] = \{([^}]*)\}", header)
    assert listed is not None
    kinds = {name: value for name, value in re.findall(r'(k\w+) = "(\w+)";', header)}
    assert tuple(kinds[name] for name in re.findall(r"k\w+", listed.group(1))) == bus.ERROR_KINDS
