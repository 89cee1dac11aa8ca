"""Reads the kernel's message catalogue out of its Markdown description.

The catalogue document lists the message table family by family:
- a Markdown table of families (key prefix, count, use), whose first row
  carries the three basic texts;
- a Markdown table of the error texts (key, default text);
- bullet lines "Family: KEY "text"; KEY "text"; ..." for the other families;
- the area-name family: the keyed area codes in table order, a few example
  texts and the one unkeyed text with its position.

Everything here is parsing; nothing is typed in by hand.
"""

import re

FAMILY_ORDER = [
    "BASIC", "GIS_RS_BTN_", "GIS_RS_ERR_", "GIS_RS_GENERAL_", "GIS_RS_LEGEND_",
    "GIS_RS_ATTRIBUTES_", "GIS_RS_PREVIEW_", "GIS_RS_GPS_", "GIS_RS_EPSG_",
]

BULLET_FAMILY = {
    "Buttons": "GIS_RS_BTN_",
    "General": "GIS_RS_GENERAL_",
    "Attributes": "GIS_RS_ATTRIBUTES_",
    "Print preview": "GIS_RS_PREVIEW_",
    "GPS": "GIS_RS_GPS_",
    "Legend and style dialogs": "GIS_RS_LEGEND_",
}


class Entry:
    """One text of the table: its variable, its key (None when unkeyed), its text."""

    def __init__(self, variable, key, text):
        self.variable = variable
        self.key = key
        self.text = text

    def __repr__(self):
        return "Entry(%r, %r, %r)" % (self.variable, self.key, self.text)


def _quoted(cell):
    """The text between the first and the last double quote of a cell."""
    first = cell.index('"')
    last = cell.rindex('"')
    if last <= first:
        raise ValueError("unbalanced quotes in %r" % cell)
    return cell[first + 1:last]


def _section(lines, title):
    start = None
    for i, line in enumerate(lines):
        if line.startswith("# ") and title in line:
            start = i
            break
    if start is None:
        raise ValueError("section %r not found" % title)
    end = len(lines)
    for j in range(start + 1, len(lines)):
        if lines[j].startswith("# "):
            end = j
            break
    return lines[start:end]


def _basic_texts(section):
    for line in section:
        if line.startswith("| `GIS_RS_CHARSET`"):
            cells = [c.strip() for c in line.strip().strip("|").split("|")]
            keys = re.findall(r"`(GIS_RS_[A-Z0-9_]+)`", cells[0])
            texts = re.findall(r'"([^"]*)"', cells[2])
            if len(keys) != 3 or len(texts) != 3:
                raise ValueError("basic row not understood: %r" % line)
            return [Entry(k, k, t) for k, t in zip(keys, texts)]
    raise ValueError("basic row not found")


def _family_counts(section):
    counts = {}
    for line in section:
        m = re.match(r"\| (.*?) \| (\d+)(?: \((\d+) keyed\))? \|", line)
        if not m:
            continue
        prefixes = re.findall(r"`(GIS_RS_[A-Z0-9_]+)`", m.group(1))
        if not prefixes:
            continue
        family = "BASIC" if len(prefixes) > 1 else prefixes[0]
        total = int(m.group(2))
        keyed = int(m.group(3)) if m.group(3) else total
        counts[family] = (total, keyed)
    return counts


def _error_texts(section):
    out = []
    for line in section:
        m = re.match(r"\| `(GIS_RS_ERR_[A-Z0-9_]+)` \| (.*) \|\s*$", line)
        if m:
            out.append(Entry(m.group(1), m.group(1), _quoted(m.group(2))))
    return out


def _split_items(body):
    """Splits "A "x"; B "y"; ..." at the separators that start a new item."""
    return re.split(r'; (?=GIS_RS_|a text |a second text )', body)


def _bullet_texts(section, family):
    label = [k for k, v in BULLET_FAMILY.items() if v == family][0]
    for line in section:
        if line.startswith("- " + label + ": "):
            body = line[len("- " + label + ": "):].rstrip()
            break
    else:
        raise ValueError("bullet for %s not found" % family)
    out = []
    previous_key = None
    for item in _split_items(body):
        m = re.match(r"(GIS_RS_[A-Z0-9_]+)(:?) (.*)$", item)
        if m and m.group(2) == ":":
            # A text made of lines: "the five lines "A", "B", ..., each ended by a carriage return".
            words = re.findall(r'"([^"]*)"', m.group(3))
            if "each ended by a carriage return" not in m.group(3) or not words:
                raise ValueError("line list not understood: %r" % item)
            out.append(Entry(m.group(1), m.group(1), "".join(w + "\r" for w in words)))
        elif m:
            out.append(Entry(m.group(1), m.group(1), _quoted(m.group(3))))
        else:
            m2 = re.match(r'a text "(.*)" without a key\.?$', item)
            m3 = re.match(r'a second text "(.*)", also asked for under the key (GIS_RS_[A-Z0-9_]+)\.?$', item)
            if m2:
                out.append(Entry(None, None, m2.group(1)))
            elif m3:
                out.append(Entry(None, m3.group(2), m3.group(1)))
            else:
                raise ValueError("item not understood: %r" % item)
        if out[-1].key:
            previous_key = out[-1].key
    return out


def _area_family(section, area_names):
    codes_line = next(l for l in section if l.startswith("- The area codes that have a key, in table order: "))
    codes = [int(c) for c in re.findall(r"\d+", codes_line.split(":", 1)[1])]
    area_line = next(l for l in section if l.startswith("- Area names: "))
    examples = dict((int(c), t) for c, t in re.findall(r'GIS_RS_EPSG_(\d+) "([^"]*)"', area_line))
    m = re.search(r'One text, "([^"]*)", standing between the codes (\d+) and (\d+), has no key', area_line)
    unkeyed_text, after, before = m.group(1), int(m.group(2)), int(m.group(3))
    out = []
    for code in codes:
        text = examples.get(code, area_names.get(code))
        if text is None:
            raise ValueError("no area name for code %d" % code)
        key = "GIS_RS_EPSG_%d" % code
        out.append(Entry(key, key, text))
        if code == after:
            nxt = codes[codes.index(code) + 1]
            if nxt != before:
                raise ValueError("unkeyed area text is not between %d and %d" % (after, before))
            out.append(Entry(None, None, unkeyed_text))
    return out, codes, examples, unkeyed_text, (after, before)


def read_catalogue(path, area_names):
    """Returns (entries in table order, family counts as documented)."""
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    section = _section(lines, "Message table and kernel exception")
    counts = _family_counts(section)
    families = {
        "BASIC": _basic_texts(section),
        "GIS_RS_ERR_": _error_texts(section),
    }
    for fam in BULLET_FAMILY.values():
        families[fam] = _bullet_texts(section, fam)
    families["GIS_RS_EPSG_"] = _area_family(section, area_names)[0]
    entries = []
    for fam in FAMILY_ORDER:
        got = families[fam]
        total, keyed = counts[fam]
        if len(got) != total or sum(1 for e in got if e.key) != keyed:
            raise ValueError("family %s: %d texts (%d keyed), documented %d (%d keyed)"
                             % (fam, len(got), sum(1 for e in got if e.key), total, keyed))
        entries.extend(got)
    return entries, counts


def keyed_area_codes(path):
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    section = _section(lines, "Message table and kernel exception")
    _, codes, examples, unkeyed, between = _area_family(section, _AnyName())
    return codes, examples, unkeyed, between


class _AnyName(dict):
    def get(self, key, default=None):
        return ""
