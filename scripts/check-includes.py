#!/usr/bin/env python3
"""Fails when a file includes against the house's layers.

Each folder is one layer and may include only its own headers and those of
the folders listed for it; only gui/ and app/ may include Qt. Prints each
wrong include as file:line and exits 1 if there is any.
"""
import pathlib
import re
import sys

ALLOWED = {
    "platform": set(),
    "song": {"platform"},
    "samples": {"platform"},
    "audio": {"platform", "samples"},
    "songfile": {"platform", "song", "samples"},
    "archive": {"platform", "songfile", "song", "samples"},
    "runtime": {"platform"},
    "gui": {"platform", "song", "samples", "audio", "songfile", "archive", "runtime"},
    "app": {"platform", "song", "samples", "audio", "songfile", "archive", "runtime", "gui"},
    "cli": {"platform", "song", "samples", "audio", "songfile", "archive", "runtime"},
}
# The plug-in shares exactly one header with the host.
PLUGIN_MAY_INCLUDE = {"runtime/plugin_interface.h"}
QT_FOLDERS = {"gui", "app"}

OURS = re.compile(r'^\s*#\s*include\s*"([a-z_]+)/([^"]+)"')
SYSTEM = re.compile(r"^\s*#\s*include\s*<(Q[A-Za-z]*)[/>.]")


def check(root: pathlib.Path) -> list[str]:
    faults = []
    for folder in list(ALLOWED) + ["plugin"]:
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in {".h", ".cpp"}:
                continue
            lines = path.read_text(encoding="utf-8", errors="replace").splitlines()
            for number, line in enumerate(lines, 1):
                where = f"{path.relative_to(root)}:{number}"
                if (qt := SYSTEM.match(line)) and folder not in QT_FOLDERS:
                    faults.append(f"{where}: {folder}/ must not include Qt ({qt.group(1)})")
                if not (ours := OURS.match(line)):
                    continue
                target, header = ours.group(1), f"{ours.group(1)}/{ours.group(2)}"
                if folder == "plugin":
                    ok = target == "plugin" or header in PLUGIN_MAY_INCLUDE
                else:
                    ok = target == folder or target in ALLOWED[folder]
                if not ok:
                    faults.append(f"{where}: {folder}/ must not include {header}")
    return faults


def main() -> int:
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    faults = check(root)
    for fault in faults:
        print(fault, file=sys.stderr)
    if faults:
        print(f"{len(faults)} include(s) against the layers; see DEVELOPERS.md", file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
