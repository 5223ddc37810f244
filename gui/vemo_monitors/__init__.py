"""Vemo Monitors: a desktop app for every monitor the vemod service serves."""

import gi

gi.require_version("Gtk", "4.0")
gi.require_version("Adw", "1")

APPLICATION_ID = "org.vemo.Monitors"
