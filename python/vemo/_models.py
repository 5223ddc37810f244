"""What a model calls its choices, from the model descriptions vemoctl and
vemod read: JSON files ``{"model": ..., "choices": {setting: {name: value}}}``
in ``$XDG_CONFIG_HOME/vemo/models`` first, then ``vemo/models`` under each of
``$XDG_DATA_DIRS``. Used in direct mode; through the service, vemod's
``Choices`` property answers."""

from __future__ import annotations

import json
import os
import re
from pathlib import Path
from typing import Dict, List

Choices = Dict[str, Dict[str, int]]

_NAME = re.compile(r"[a-z0-9-]+")


def model_directories() -> List[Path]:
    """Where descriptions are looked for, first first."""
    config = os.environ.get("XDG_CONFIG_HOME") or str(Path.home() / ".config")
    data = os.environ.get("XDG_DATA_DIRS") or "/usr/local/share:/usr/share"
    return [Path(config) / "vemo" / "models"] + [Path(d) / "vemo" / "models" for d in data.split(":") if d]


def choices_for_model(model: str) -> Choices:
    """The choices the first description of ``model`` names (empty when none
    does). Names must be lower-case letters, digits and dashes, not a number;
    the settings and values are checked when a name is used."""
    if not model:
        return {}
    for directory in model_directories():
        for path in sorted(directory.glob("*.json")) if directory.is_dir() else []:
            try:
                description = json.loads(path.read_text(encoding="utf-8"))
            except (OSError, ValueError):
                continue
            if not isinstance(description, dict) or description.get("model") != model:
                continue
            choices: Choices = {}
            for setting, names in (description.get("choices") or {}).items():
                if isinstance(names, dict):
                    choices[setting] = {
                        name: value
                        for name, value in names.items()
                        if _NAME.fullmatch(name) and not name.isdigit() and isinstance(value, int)
                    }
            return choices
    return {}
