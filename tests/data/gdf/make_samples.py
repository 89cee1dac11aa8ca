#!/usr/bin/env python3
"""Writes the GDF samples: good.gdf (two point features, a line feature over
two edges with names and attributes, a complex feature) and damaged.gdf (the
same file whose coordinate count runs past its end)."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))


def r(value, width):
    return str(value).rjust(width)


def l(value, width):
    return str(value).ljust(width)


def records(count="    2"):
    recs = [
        "01" + l("Sample", 20) + l("GDF 3.0", 10) + "EN  " + "SKTEST" + l("2026", 10) + r(1, 10) + r(1, 4) + r(1, 4),
        "07" + "4110" + l("Road Element", 20) + "ENG",
        "07" + "4120" + l("Junction", 20) + "ENG",
        "05" + "ON" + "AAAABBB 1TYPE  DOMAIN      UNIT        " + "OFFICIAL_NAME",
        "16" + "SECTION",
        "23" + r(1, 10) + "1  " + r(1, 5) + count + r(0, 10) + r(0, 10) + r(0, 10) + r(1000, 10) + r(0, 10) + r(0, 10),
        "23" + r(2, 10) + "1  " + r(1, 5) + r(1, 5) + r(2000, 10) + r(500, 10) + r(0, 10),
        "23" + r(3, 10) + "1  " + r(1, 5) + r(1, 5) + r(0, 10) + r(0, 10) + r(0, 10),
        "23" + r(4, 10) + "1  " + r(1, 5) + r(1, 5) + r(1000, 10) + r(0, 10) + r(0, 10),
        "25" + r(101, 10) + r(3, 10),
        "25" + r(102, 10) + r(4, 10),
        "24" + r(201, 10) + r(1, 10) + r(101, 10) + r(102, 10),
        "24" + r(202, 10) + r(2, 10) + r(102, 10) + r(101, 10),
        "41" + r(7, 10) + r(1, 5) + "ENG" + "Main Street",
        "44" + r(1, 10) + r(0, 5) + r(100, 5) + "A0" + r(1, 5) + "ON" + r(1, 5) + l(7, 10),
        "51" + r(301, 10) + r(1, 5) + "4120" + r(1, 5) + r(101, 10) + r(0, 5),
        "51" + r(302, 10) + r(1, 5) + "4120" + r(1, 5) + r(102, 10) + r(0, 5),
        "52" + r(401, 10) + r(1, 5) + "4110" + "0" + r(2, 5) + r(201, 10) + " +" + r(202, 10) + " -"
        + r(1, 5) + r(1, 10) + r(301, 10) + r(302, 10),
    ]
    return recs


def write(name, recs):
    with open(os.path.join(HERE, name), "wb") as f:
        for rec in recs:
            if len(rec) > 79:
                # The line feature goes on: columns 80 and on move to a continuation.
                head, rest = rec[:79], rec[79:]
                f.write((head + "1\r\n").encode())
                rec = "00" + rest
            f.write((rec.ljust(80) + "\r\n").encode())


write("good.gdf", records())
write("damaged.gdf", records(count="99999"))
