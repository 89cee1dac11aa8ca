#!/usr/bin/env python3
"""Writes the VPF samples: good/ (a line class over two tiles) and damaged/
(the same library whose tile reference names a tile id beyond 65535)."""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def table(columns, rows):
    text = ("L;Sample table;-;" + columns + ";").encode()
    head = struct.pack("<i", len(text)) + text
    index = struct.pack("<ii", len(rows), 8)
    at = len(head)
    for r in rows:
        index += struct.pack("<ii", at, len(r))
        at += len(r)
    return head + b"".join(rows), index


def put(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def library(root, tile_ids):
    tiles = [(tile_ids[0], "A", (0, 0, 10, 10)), (tile_ids[1], "B", (10, 0, 20, 10))]
    tref = [struct.pack("<i", t) + name.ljust(8).encode() + struct.pack("<i", t) for t, name, _ in tiles]
    put(f"{root}/tileref/tileref.aft", table("id=I,1,P,Id,-,-,-,:tile_name=T,8,N,Name,-,-,-,:fac_id=I,1,N,Face,-,-,-,", tref)[0])
    fbr = [struct.pack("<iffff", 1, -180, -90, 180, 90)]
    fbr += [struct.pack("<iffff", i + 2, *e) for i, (_, _, e) in enumerate(tiles)]
    put(f"{root}/tileref/fbr", table("id=I,1,P,Id,-,-,-,:xmin=F,1,N,x,-,-,-,:ymin=F,1,N,y,-,-,-,:xmax=F,1,N,x,-,-,-,:ymax=F,1,N,y,-,-,-,", fbr)[0])
    for _, name, (x0, y0, _, _) in tiles:
        edges = []
        for e in (1, 2):
            pts = [(x0 + e, y0 + 1), (x0 + e + 1, y0 + 2), (x0 + e + 2, y0 + 1)]
            edges.append(struct.pack("<ii", e, len(pts)) + b"".join(struct.pack("<ff", *p) for p in pts))
        data, index = table("id=I,1,P,Id,-,-,-,:coordinates=C,*,N,Points,-,-,-,", edges)
        put(f"{root}/roads/{name.lower()}/edg", data)
        put(f"{root}/roads/{name.lower()}/edx", index)
    rows = []
    for i, (tile, edge, road) in enumerate([(tile_ids[0], 1, "North"), (tile_ids[1], 2, "East"), (tile_ids[0], 2, "Ring")]):
        rows.append(struct.pack("<i", i + 1) + b"AP030" + struct.pack("<i", len(road)) + road.encode()
                    + struct.pack("<Hi", tile, edge))
    data, index = table("id=I,1,P,Id,-,-,-,:f_code=T,5,N,Code,-,-,-,:name=T,*,N,Name,-,-,-,:tile_id=S,1,N,Tile,-,-,-,:edg_id=I,1,N,Edge,-,-,-,", rows)
    put(f"{root}/roads/roadl.lft", data)
    put(f"{root}/roads/roadl.lfx", index)


if __name__ == "__main__":
    library(os.path.join(HERE, "good"), (1, 2))
    library(os.path.join(HERE, "damaged"), (1, 70000 & 0xFFFF))
    # The damaged tile reference: the second tile's id is 70000.
    root = os.path.join(HERE, "damaged")
    tref = [struct.pack("<i", 1) + b"A       " + struct.pack("<i", 1),
            struct.pack("<i", 70000) + b"B       " + struct.pack("<i", 2)]
    put(f"{root}/tileref/tileref.aft", table("id=I,1,P,Id,-,-,-,:tile_name=T,8,N,Name,-,-,-,:fac_id=I,1,N,Face,-,-,-,", tref)[0])
    sys.exit(0)
