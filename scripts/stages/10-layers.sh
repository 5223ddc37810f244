#!/usr/bin/env bash
# Which folders each C and C++ source may include: the library's layers point
# one way (api/ over command/ over bridge/, log/ a leaf, include/ for all),
# the settings model sits on the public header and the API, the simulator
# keeps out of the library's insides, vemoctl and vemod use the settings
# model and the public header but not each other, and hidapi stays in bridge/,
# the simulator and a few named USB identity readers. Includes written with
# ../ are resolved before they are judged.
set -euo pipefail
cd "$(dirname "$0")/../.."
/usr/bin/python3 scripts/check_layers.py .
