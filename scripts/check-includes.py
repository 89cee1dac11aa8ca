#!/usr/bin/env python3
"""Checks the library order of the source tree.

The top-level CMakeLists.txt lists the source folders in dependency order
(SK_FOLDERS). This check fails when
- a file of a source folder includes a header of a folder later in the list
  (or of tests/ or bench/);
- a file outside platform/ includes a Qt header or the header of another
  third-party library (libjpeg, zlib, expat, libpq, SQLite, OpenJPEG, PROJ,
  GoogleTest, Google Benchmark); tests/, bench/ and fuzz/ may;
- a test or benchmark of folder X includes a header of a folder later than X;
- a library links a library of a folder later than its own;
- two headers of the libraries define a type of the same name outside any
  namespace: one program links every library, and two definitions of one
  name break the one-definition rule without a word from compiler or linker.

Usage: scripts/check-includes.py [repository root]
Exit status 0 when the tree keeps the order, 1 otherwise (one line per fault).
"""

import os
import re
import sys

SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".c", ".inc")

INCLUDE_RE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')

# Headers of the libraries under the platform layer, by their include names.
THIRD_PARTY_PREFIXES = (
    "jpeglib.h", "jerror.h", "jconfig.h", "jmorecfg.h", "turbojpeg.h",
    "zlib.h", "zconf.h",
    "expat.h", "expat_external.h",
    "libpq-fe.h", "libpq/", "postgres_ext.h", "pg_config",
    "sqlite3.h", "sqlite3ext.h",
    "openjpeg.h", "openjpeg-", "opj_config.h",
    "proj.h", "proj/",
    "geos_c.h",
    "gtest/", "gmock/", "benchmark/",
)


def is_qt_header(name):
    if name.startswith(("Qt", "qt")) and ("/" in name or name[2:3].isupper()):
        return True
    if re.match(r"^Q[A-Za-z]", name):
        return True
    # Qt's lower-case compatibility headers (qglobal.h ...); no standard header
    # starts with q and ends in .h.
    return re.match(r"^q[a-z0-9_]*\.h$", name) is not None


def is_third_party(name):
    return is_qt_header(name) or name.startswith(THIRD_PARTY_PREFIXES)


def read_folders(root):
    """SK_FOLDERS of the top-level CMakeLists.txt: [(folder, kind), ...]."""
    with open(os.path.join(root, "CMakeLists.txt"), encoding="utf-8") as f:
        text = f.read()
    m = re.search(r"set\(\s*SK_FOLDERS\s+(.*?)\)", text, re.S)
    if not m:
        raise SystemExit("check-includes: no SK_FOLDERS list in CMakeLists.txt")
    words = []
    for line in m.group(1).splitlines():
        words += line.split("#", 1)[0].split()
    if len(words) % 2:
        raise SystemExit("check-includes: SK_FOLDERS must hold pairs of folder and kind")
    return [(words[i], words[i + 1]) for i in range(0, len(words), 2)]


class Order:
    def __init__(self, folders):
        self.folders = [f for f, _ in folders]
        self.rank = {f: i for i, f in enumerate(self.folders)}

    def folder_of(self, path):
        """The source folder a repository path lies in (longest match), or None."""
        best = None
        for f in self.folders:
            if path == f or path.startswith(f + "/"):
                if best is None or len(f) > len(best):
                    best = f
        return best


def place_of(order, rel):
    """(area, folder) of a repository path: area is 'src', 'tests', 'bench' or None."""
    for area in ("tests", "bench", "fuzz"):
        if rel.startswith(area + "/"):
            return area, order.folder_of(rel[len(area) + 1:])
    folder = order.folder_of(rel)
    return ("src", folder) if folder else (None, None)


def resolve(root, including, kind, name):
    """Repository path of an include of ours, or None for a system header."""
    candidates = []
    if kind == '"':
        candidates.append(os.path.join(os.path.dirname(including), name))
    candidates.append(os.path.join(root, name))
    for c in candidates:
        if os.path.isfile(c):
            return os.path.relpath(os.path.normpath(c), root).replace(os.sep, "/")
    return None


def includes_of(root, rel):
    """[(line number, kind, name, repository path or None)] of a file."""
    path = os.path.join(root, rel)
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = f.readlines()
    found = []
    for number, line in enumerate(lines, 1):
        m = INCLUDE_RE.match(line)
        if m:
            kind, name = m.groups()
            found.append((number, kind, name, resolve(root, path, kind, name)))
    return found


def third_party_facing(includes):
    """Headers of ours that include a third-party header, directly or through
    another header of ours: only platform/ may include them."""
    facing = {rel for rel, inc in includes.items()
              if rel.endswith((".h", ".hpp")) and any(t is None and is_third_party(n) for _, _, n, t in inc)}
    grown = True
    while grown:
        grown = False
        for rel, inc in includes.items():
            if rel not in facing and rel.endswith((".h", ".hpp")) and any(t in facing for _, _, _, t in inc):
                facing.add(rel)
                grown = True
    return facing


def check_file(root, order, rel, includes, facing, faults):
    area, folder = place_of(order, rel)
    outside_platform = area == "src" and not folder.startswith("platform/")
    for number, kind, name, target in includes:
        where = f"{rel}:{number}: "
        if target is None:
            if is_third_party(name) and outside_platform:
                faults.append(where + f"<{name}> is a third-party header; only platform/ includes those")
            continue
        if outside_platform and target in facing:
            faults.append(where + f'"{name}" brings in third-party headers; only platform/ includes it')
        t_area, t_folder = place_of(order, target)
        if t_area in ("tests", "bench", "fuzz"):
            if area == "src":
                faults.append(where + f'"{name}" belongs to {t_area}/; sources never include it')
            continue
        if t_area != "src" or folder is None:
            continue
        if order.rank[t_folder] > order.rank[folder]:
            faults.append(where + f'"{name}" is in {t_folder}, which comes after {folder} in SK_FOLDERS')


LINK_RE = re.compile(r"sk_library\(\s*(\w+)([^)]*)\)", re.S)


def check_links(root, order, faults):
    """Libraries link only libraries of earlier folders."""
    target_folder = {}
    deps = {}
    for f in order.folders:
        cmake = os.path.join(root, f, "CMakeLists.txt")
        if not os.path.isfile(cmake):
            continue
        with open(cmake, encoding="utf-8") as h:
            text = re.sub(r"#[^\n]*", "", h.read())
        for m in LINK_RE.finditer(text):
            target_folder[m.group(1)] = f
            deps[m.group(1)] = re.findall(r"\bsk_\w+", m.group(2))
        for m in re.finditer(r"target_link_libraries\(\s*(\w+)([^)]*)\)", text):
            deps.setdefault(m.group(1), []).extend(re.findall(r"\bsk_\w+", m.group(2)))
    for target, used in deps.items():
        if target not in target_folder:
            continue
        own = target_folder[target]
        for d in used:
            if d in target_folder and order.rank[target_folder[d]] > order.rank[own]:
                faults.append(f"{own}/CMakeLists.txt: {target} links {d} of {target_folder[d]}, "
                              f"which comes after {own} in SK_FOLDERS")


def source_files(root, order):
    tops = set(order.folders) | {"tests", "bench", "fuzz"}
    for top in sorted(tops):
        base = os.path.join(root, top)
        if not os.path.isdir(base):
            continue
        for dirpath, dirnames, filenames in os.walk(base):
            dirnames[:] = sorted(d for d in dirnames if not d.startswith("."))
            for name in sorted(filenames):
                if name.endswith(SOURCE_SUFFIXES):
                    yield os.path.relpath(os.path.join(dirpath, name), root).replace(os.sep, "/")


TYPE_RE = re.compile(r"^(?:enum class|enum|class|struct)\s+([A-Za-z_]\w*)(?:\s+final)?\s*(?:\{|:(?!:)|$)")
NAMESPACE_OPEN_RE = re.compile(r"^namespace(?:\s+[\w:]+)?\s*\{")
NAMESPACE_CLOSE_RE = re.compile(r"^\}\s*//\s*namespace")


def global_types_of(root, rel):
    """Names of the types a header defines at file scope (outside every
    namespace opened at the start of a line)."""
    found = []
    depth = 0
    with open(os.path.join(root, rel), encoding="utf-8", errors="replace") as f:
        for line in f:
            if NAMESPACE_OPEN_RE.match(line):
                depth += 1
            elif NAMESPACE_CLOSE_RE.match(line):
                depth = max(0, depth - 1)
            elif depth == 0:
                m = TYPE_RE.match(line)
                if m:
                    found.append(m.group(1))
    return found


def check_global_types(root, order, files, faults):
    where = {}
    for rel in files:
        if not rel.endswith((".h", ".hpp")) or rel.split("/")[0] in ("tests", "bench", "fuzz"):
            continue
        for name in global_types_of(root, rel):
            where.setdefault(name, []).append(rel)
    for name, headers in sorted(where.items()):
        if len(set(headers)) > 1:
            faults.append(f"{headers[0]}: the type {name} is also defined in "
                          f"{', '.join(sorted(set(headers) - {headers[0]}))}")


def main(argv):
    root = os.path.abspath(argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    order = Order(read_folders(root))
    faults = []
    includes = {rel: includes_of(root, rel) for rel in source_files(root, order)}
    facing = third_party_facing(includes)
    for rel, inc in includes.items():
        check_file(root, order, rel, inc, facing, faults)
    check_links(root, order, faults)
    check_global_types(root, order, includes.keys(), faults)
    for fault in faults:
        print(fault)
    if faults:
        print(f"check-includes: {len(faults)} fault(s) against the library order")
        return 1
    print(f"check-includes: {len(includes)} files keep the library order")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
