"""The application object: one main window, started as `vemo-monitors`."""

import sys
from typing import List, Optional

from gi.repository import Adw, Gio

from . import APPLICATION_ID
from .window import MainWindow


class Application(Adw.Application):
    def __init__(self) -> None:
        super().__init__(application_id=APPLICATION_ID, flags=Gio.ApplicationFlags.FLAGS_NONE)
        self.window: Optional[MainWindow] = None

    def do_activate(self) -> None:
        if self.window is None:
            self.window = MainWindow(self)
            self.window.connect_service()
        self.window.present()


def main(argv: Optional[List[str]] = None) -> int:
    return Application().run(sys.argv if argv is None else argv)
