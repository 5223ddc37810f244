"""Another program that uses the library directly, driven one command per
line on standard input; each answer is one line on standard output.

  connect N      ConnectMonitor(N): the result code
  serial         the connected bridge's USB serial
  count          GetAvailableMonitors: the count
  brightness     GetBrightness: the value (or 'error')
  brightness N   SetBrightness(N): the result code
  disconnect     DisconnectMonitor: the result code
"""

import ctypes
import os
import sys

sdk = ctypes.CDLL(os.environ["VEMO_SDK"])
hid = ctypes.CDLL(None)  # hidapi's functions, the simulator's when it is preloaded


def answer(command, argument):
    if command == "connect":
        return sdk.ConnectMonitor(int(argument))
    if command == "serial":
        serial = (ctypes.c_wchar * 255)()
        hid.hid_get_serial_number_string(ctypes.c_void_p.in_dll(sdk, "SelectedDevice"), serial, 255)
        return serial.value
    if command == "count":
        count = ctypes.c_ubyte(0)
        sdk.GetAvailableMonitors(ctypes.byref(count))
        return count.value
    if command == "brightness" and argument:
        return sdk.SetBrightness(int(argument))
    if command == "brightness":
        value = ctypes.c_ubyte(0)
        return value.value if sdk.GetBrightness(ctypes.byref(value)) == 0 else "error"
    if command == "disconnect":
        return sdk.DisconnectMonitor()
    return "unknown command"


for line in sys.stdin:
    command, _, argument = line.strip().partition(" ")
    print(answer(command, argument), flush=True)
