#!/usr/bin/env python3
"""Holds every include of src/ to the layer table of docs/architecture.md.

    scripts/check-layers.py [--src DIR] [--table FILE]

The table lists each layer, its folder under src/ and the layers it may
include; a layer may always include itself. An include of the project's own
header must name it by its path from src/ ("core/car/car.h"), so that the
include shows the layer it reaches into. Prints one line for each include
that breaks a rule, naming the file, the line and the rule, and exits 1;
exits 0 when every include keeps to the table, 2 when the table is unusable.
"""
import argparse
import os
import re
import sys

TABLE_START = "<!-- layers: begin -->"
TABLE_END = "<!-- layers: end -->"
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SOURCE_ENDINGS = (".h", ".cpp", ".c", ".inc")


class TableError(Exception):
    pass


def read_table(path):
    """The layers in the order of the table: (name, folder, allowed names)."""
    with open(path, encoding="utf-8") as file:
        text = file.read()
    start, end = text.find(TABLE_START), text.find(TABLE_END)
    if start < 0 or end < start:
        raise TableError(f"{path}: no layer table between '{TABLE_START}' and '{TABLE_END}'")
    layers = []
    for line in text[start:end].splitlines():
        cells = [cell.strip().strip("`") for cell in line.strip().strip("|").split("|")]
        if len(cells) != 3 or cells[0] in ("layer", "") or set(cells[0]) <= set("-: "):
            continue
        name, folder, allowed = cells
        names = [a.strip() for a in allowed.split(",") if a.strip() not in ("", "nothing")]
        folder = folder.rstrip("/") + "/"
        if not folder.startswith("src/"):
            raise TableError(f"{path}: layer '{name}': its folder '{folder}' is not under src/")
        layers.append((name, folder[len("src/"):], names))
    known = {name for name, _, _ in layers}
    for name, _, names in layers:
        for other in names:
            if other not in known:
                raise TableError(f"{path}: layer '{name}' may include '{other}', "
                                 "which the table does not list")
    if not layers:
        raise TableError(f"{path}: the layer table is empty")
    return layers


def layer_of(relative, layers):
    """The layer whose folder holds `relative` (a path from src/); the
    longest folder wins, so a layer may sit inside another's folder."""
    best = None
    for layer in layers:
        if relative.startswith(layer[1]) and (best is None or len(layer[1]) > len(best[1])):
            best = layer
    return best


def project_headers(src):
    headers = {}
    for folder, _, files in os.walk(src):
        for name in files:
            if name.endswith(".h"):
                path = os.path.relpath(os.path.join(folder, name), src).replace(os.sep, "/")
                headers.setdefault(name, []).append(path)
    return headers


def check(src, layers):
    """The broken rules, one text each."""
    headers = project_headers(src)
    problems = []
    for folder, _, files in sorted(os.walk(src)):
        for name in sorted(files):
            if not name.endswith(SOURCE_ENDINGS):
                continue
            path = os.path.join(folder, name)
            relative = os.path.relpath(path, src).replace(os.sep, "/")
            here = layer_of(relative, layers)
            with open(path, encoding="utf-8") as file:
                text = file.read()
            for match in INCLUDE.finditer(text):
                included = match.group(1)
                line = text.count("\n", 0, match.start()) + 1
                where = f"src/{relative}:{line}"
                if not os.path.isfile(os.path.join(src, included)):
                    known = headers.get(os.path.basename(included))
                    if known:
                        problems.append(f'{where}: "{included}" names a header of src/ without '
                                        f'its path from src/ ("{known[0]}")')
                    continue  # not the project's own header
                target = layer_of(included, layers)
                if here is None or target is None:
                    outside = relative if here is None else included
                    problems.append(f'{where}: "{included}": src/{outside} lies in no layer '
                                    "of the table")
                    continue
                if target[0] != here[0] and target[0] not in here[2]:
                    allowed = ", ".join(here[2]) or "nothing but itself"
                    problems.append(f'{where}: {here[0]} may not include {target[0]} '
                                    f'("{included}"): {here[0]} may include {allowed}')
    return problems


def main(argv):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--src", default=os.path.join(root, "src"))
    parser.add_argument("--table", default=os.path.join(root, "docs", "architecture.md"))
    args = parser.parse_args(argv)
    try:
        layers = read_table(args.table)
    except (OSError, TableError) as error:
        print(f"check-layers: {error}", file=sys.stderr)
        return 2
    problems = check(args.src, layers)
    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        print(f"check-layers: {len(problems)} include(s) break the layer table of "
              f"{os.path.relpath(args.table)}", file=sys.stderr)
        return 1
    print(f"check-layers: every include of {os.path.relpath(args.src)} keeps to the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
