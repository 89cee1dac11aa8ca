#!/usr/bin/python3
# Remakes the DXF fixtures under tests/data/dxf/ with ezdxf (python3-ezdxf)
# and the expected coordinates the tests compare with (ezdxf's own transforms).
# Usage: /usr/bin/python3 tests/data/make_dxf.py
import math
import os

import ezdxf
from ezdxf.math import OCS, Vec3

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "dxf")
os.makedirs(here, exist_ok=True)


def xdata(entity, pairs):
    entity.set_xdata("ADE", [(1000, "%s=%s" % kv) for kv in pairs])


def drawing_2000():
    doc = ezdxf.new("R2000")
    doc.appids.new("ADE")
    doc.layers.new("roads", dxfattribs={"color": 3, "lineweight": 35})
    doc.layers.new("hidden", dxfattribs={"color": 5}).freeze()
    msp = doc.modelspace()
    pts = [(i * 0.5, math.sin(i / 10.0) * 100 + 1000) for i in range(300)]
    lw = msp.add_lwpolyline(pts, dxfattribs={"layer": "roads", "color": 256, "lineweight": 50})
    xdata(lw, [("name", "Main = Street"), ("lanes", "4")])
    msp.add_line((0, 0, 0), (10, 20, 5), dxfattribs={"layer": "roads", "color": 1})
    msp.add_circle((5, 5), 2.5, dxfattribs={"color": 256})
    msp.add_arc((1, 2), 3, 350, 10)
    p = msp.add_point((7, 8, 9), dxfattribs={"layer": "0"})
    xdata(p, [("id", "P-1")])
    msp.add_text("hello", dxfattribs={"insert": (1, 1), "height": 2.5, "rotation": 30})
    msp.add_point((1, 1), dxfattribs={"layer": "hidden"})
    return doc


def drawing_12():
    doc = ezdxf.new("R12")
    doc.appids.new("ADE")
    doc.layers.new("pipes", dxfattribs={"color": 256 - 250})
    msp = doc.modelspace()
    pl = msp.add_polyline2d([(0, 0), (10, 0), (10, 10), (0, 10)], dxfattribs={"layer": "pipes"})
    pl.close(True)
    xdata(pl, [("kind", "water")])
    msp.add_line((1, 1), (2, 2), dxfattribs={"color": 300 - 44})
    msp.add_circle((3, 4), 1000)
    msp.add_point((-5.25, 1e6))
    return doc


def inserts():
    doc = ezdxf.new("R2000")
    inner = doc.blocks.new("INNER", base_point=(1, 2, 0))
    inner.add_line((1, 2), (4, 6))
    inner.add_point((3, 3))
    inner.add_circle((2, 2), 1)
    outer = doc.blocks.new("OUTER", base_point=(5, 5, 0))
    outer.add_blockref("INNER", (10, 0), dxfattribs={"xscale": 2, "yscale": 3, "rotation": 30})
    outer.add_lwpolyline([(5, 5), (6, 5), (6, 7)])
    outer.add_arc((5, 5), 2, 0, 90)
    msp = doc.modelspace()
    msp.add_blockref("OUTER", (100, 200), dxfattribs={"rotation": 45, "xscale": 1.5, "yscale": 1.5})
    msp.add_blockref("INNER", (-50, 0, 3), dxfattribs={"extrusion": (0.3, 0.4, 0.866), "rotation": 10})
    msp.add_blockref("OUTER", (0, 0), dxfattribs={"extrusion": (0, 0, -1), "xscale": -1})
    return doc


def dump_virtual(doc, path):
    """One line per shape the reader makes of the inserts: kind and exact points."""
    out = []

    def walk(entity):
        for e in entity.virtual_entities():
            t = e.dxftype()
            if t == "INSERT":
                walk(e)
            elif t == "LINE":
                out.append("LINE %r %r %r %r" % (e.dxf.start.x, e.dxf.start.y, e.dxf.end.x, e.dxf.end.y))
            elif t == "POINT":
                out.append("POINT %r %r" % (e.dxf.location.x, e.dxf.location.y))
            elif t == "CIRCLE":
                c = e.dxf.extrusion
                ctr = OCS(c).to_wcs(e.dxf.center)
                out.append("CIRCLE %r %r %r" % (ctr.x, ctr.y, e.dxf.radius))
            elif t in ("LWPOLYLINE",):
                ocs = e.ocs()
                pts = [ocs.to_wcs(Vec3(x, y, e.dxf.elevation)) for x, y in e.get_points("xy")]
                out.append("LWPOLYLINE " + " ".join("%r %r" % (p.x, p.y) for p in pts))
            elif t == "ARC":
                ocs = e.ocs()
                s = ocs.to_wcs(Vec3(e.start_point) if False else e.dxf.center)
                out.append("ARC %r %r %r" % (s.x, s.y, e.dxf.radius))
    for ins in doc.modelspace().query("INSERT"):
        walk(ins)
    with open(path, "w") as f:
        f.write("\n".join(out) + "\n")


def entities():
    doc = ezdxf.new("R2000")
    msp = doc.modelspace()
    msp.add_ellipse((10, 20), major_axis=(3, 4), ratio=0.5, start_param=0, end_param=math.pi * 2)
    msp.add_lwpolyline([(0, 0, 0, 0, 0.5), (10, 0, 0, 0, -1), (10, 10, 0, 0, 0)], format="xyseb",
                       close=True)
    hatch = msp.add_hatch(color=2)
    path = hatch.paths.add_edge_path()
    path.add_line((1, 0), (9, 0))
    path.add_arc((9, 1), 1, 270, 360)
    path.add_line((10, 1), (10, 9))
    path.add_arc((9, 9), 1, 0, 90)
    path.add_line((9, 10), (1, 10))
    path.add_arc((1, 9), 1, 90, 180)
    path.add_line((0, 9), (0, 1))
    path.add_arc((1, 1), 1, 180, 270)
    mesh = msp.add_polyface()
    mesh.append_face([(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)])
    mesh.append_face([(1, 0, 0), (2, 0, 0), (2, 1, 0), (1, 1, 0)])
    msp.add_open_spline([(0, 0), (1, 2), (3, 2), (4, 0)])
    mt = msp.add_mtext("{\\fArial|b0;Hello}", dxfattribs={"insert": (3, 3)})
    msp.add_text("dl", dxfattribs={"insert": (0, 0), "halign": 2, "valign": 3, "align_point": (0, 0)})
    msp.add_circle((0, 0, 0), 3, dxfattribs={"extrusion": (0, 0, -1)})
    msp.add_solid([(0, 0), (1, 0), (0, 1), (1, 1)])
    return doc


if __name__ == "__main__":
    d = drawing_2000()
    d.saveas(os.path.join(here, "drawing.dxf"))
    d.saveas(os.path.join(here, "drawing_bin.dxf"), fmt="bin")
    d = drawing_12()
    d.saveas(os.path.join(here, "r12.dxf"))
    d.saveas(os.path.join(here, "r12_bin.dxf"), fmt="bin")
    d = inserts()
    d.saveas(os.path.join(here, "inserts.dxf"))
    dump_virtual(d, os.path.join(here, "inserts.expected"))
    d = entities()
    d.saveas(os.path.join(here, "entities.dxf"))
    # A damaged drawing: a group code line that is no number, after a good entity.
    with open(os.path.join(here, "drawing.dxf")) as f:
        text = f.read()
    cut = text.index("\nTEXT\n", text.index("ENTITIES"))
    with open(os.path.join(here, "damaged.dxf"), "w") as f:
        f.write(text[:cut] + "\nTEXT\n  5\nAB\n  x8\nroads\n")
