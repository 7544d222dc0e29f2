# SPDX-License-Identifier: GPL-3.0-or-later
"""`check-with-kicad.py inspect TREVAK_CLI FOLDER...`: KiCad 6 judges `trevak-cli inspect`.

For every `.pretty` library under the folders given, every footprint is read by KiCad 6's
pcbnew module and by `trevak-cli inspect LIB --all`, and the two readings are compared: pads,
graphics and texts as unordered sets, lengths to the nanometre, arcs by start, mid and end,
angles to 1e-6 degree; an arc's mid within 1 um (KiCad 6 derives it from
a centre it rounds to the nanometre). KiCad 6 reads the dialects of KiCad 5 and 6 (no version, 20211014 and
older). A newer file is judged through a copy rewritten to the 20211014 form (version, uuid ->
tstamp, property -> fp_text, stroke -> width, yes/no flags -> words, fill yes/no -> solid/none),
geometry untouched; what that form cannot hold is left out on both sides and counted as not
judged: text boxes, properties other than Reference and Value, pad stacks and teardrops,
attributes KiCad 6 does not know. The count of a custom pad's primitives is not judged
(KiCad 6's Python module does not expose it).
"""

import json
import os
import re
import subprocess
import sys
import tempfile

NEWEST_KICAD6 = 20211014

# --- s-expressions, for the rewrite of newer files ---------------------------------------------

TOKEN = re.compile(rb'\s*(?:(\()|(\))|("(?:[^"\\]|\\.)*")|([^\s()"]+))', re.S)


def parse(data):
    stack, top = [[]], None
    pos = 0
    while True:
        m = TOKEN.match(data, pos)
        if not m:
            break
        pos = m.end()
        if m.group(1):
            stack.append([])
        elif m.group(2):
            done = stack.pop()
            stack[-1].append(done)
        else:
            stack[-1].append(m.group(3) or m.group(4))
    top = stack[0]
    return top[0] if top else None


def dump(node, out, depth=0):
    if isinstance(node, list):
        out.append(b"\n" + b" " * depth + b"(" if depth else b"(")
        first = True
        for c in node:
            if not first:
                out.append(b" ")
            dump(c, out, depth + 1)
            first = False
        out.append(b")")
    else:
        out.append(node)


def head(node):
    return node[0] if isinstance(node, list) and node and isinstance(node[0], bytes) else None


DROP = {b"generator_version", b"embedded_fonts", b"embedded_files", b"duplicate_pad_numbers_are_jumpers",
        b"jumper_pad_groups", b"net_tie_pad_groups", b"private_layers", b"sheetname", b"sheetfile",
        b"fp_text_box", b"teardrops", b"zone_layer_connections", b"thermal_bridge_angle",
        b"remove_unused_layers", b"keep_end_layers", b"padstack", b"tenting", b"component_classes",
        b"units", b"render_cache", b"unlocked", b"knockout", b"margins", b"border", b"group",
        b"zone", b"image", b"table", b"dimension", b"locked", b"placed", b"clearance_outline",
        b"backdrill", b"tertiary_drill", b"front_post_machining", b"back_post_machining",
        b"point", b"creepage", b"uuid_dummy"}
FLAGS = {b"hide", b"bold", b"italic"}
ATTRS6 = {b"smd", b"through_hole", b"board_only", b"exclude_from_pos_files", b"exclude_from_bom"}


def rewrite(node, notes):
    """The node in KiCad 6's form, or None to leave it out."""
    if not isinstance(node, list):
        return node
    h = head(node)
    if h in DROP:
        notes.add(h.decode())
        return None
    if h == b"version":
        return [b"version", str(NEWEST_KICAD6).encode()]
    if h == b"uuid":
        return [b"tstamp"] + node[1:]
    if h in FLAGS and len(node) == 2:
        return h if node[1] == b"yes" else None
    if h == b"fill" and len(node) == 2 and node[1] in (b"yes", b"no"):
        return [b"fill", b"solid" if node[1] == b"yes" else b"none"]
    if h == b"stroke":
        width = next((c for c in node[1:] if head(c) == b"width"), None)
        return width
    if h == b"property":
        name = node[1].strip(b'"') if len(node) > 1 else b""
        if name not in (b"Reference", b"Value") or not any(head(c) == b"at" for c in node):
            notes.add("property " + name.decode("utf-8", "replace"))
            return None
        node = [b"fp_text", b"reference" if name == b"Reference" else b"value"] + node[2:]
    if h == b"attr":
        kept = [w for w in node[1:] if w in ATTRS6]
        if len(kept) != len(node) - 1:
            notes.add("attr words")
        return [b"attr"] + kept if kept else None
    out = []
    for c in node:
        r = rewrite(c, notes)
        if r is not None:
            out.append(r)
    # `(at x y)` of a text with `unlocked` dropped, `hide` as a word: both as KiCad 6 writes.
    return out


def rewrite_file(data):
    notes = set()
    tree = parse(data)
    if tree is None:
        return None, notes
    new = rewrite(tree, notes)
    out = []
    dump(new, out)
    return b"".join(out) + b"\n", notes


# --- KiCad's reading as inspect objects ---------------------------------------------------------

# KiCad 6's names of layers against the names its files hold (and inspect gives).
FILE_LAYER = {"F.Silkscreen": "F.SilkS", "B.Silkscreen": "B.SilkS", "F.Courtyard": "F.CrtYd",
              "B.Courtyard": "B.CrtYd", "F.Adhesive": "F.Adhes", "B.Adhesive": "B.Adhes",
              "User.Drawings": "Dwgs.User", "User.Comments": "Cmts.User", "User.Eco1": "Eco1.User",
              "User.Eco2": "Eco2.User"}


def file_layer(name):
    return FILE_LAYER.get(name, name)


def kicad_object(pcbnew, fp):
    pads = []
    shape_names = {0: "circle", 1: "rect", 2: "oval", 3: "trapezoid", 4: "roundrect",
                   5: "roundrect", 6: "custom"}
    type_names = {0: "thru_hole", 1: "smd", 2: "connect", 3: "np_thru_hole"}
    inner = {"In%d.Cu" % i for i in range(1, 31)}
    for p in fp.Pads():
        layers = sorted(file_layer(pcbnew.BOARD.GetStandardLayerName(l)) for l in p.GetLayerSet().Seq())
        if inner <= set(layers):
            layers = [l for l in layers if l not in inner]
        drill = p.GetDrillSize()
        shape = shape_names.get(p.GetShape(), str(p.GetShape()))
        chamfer = []
        if p.GetShape() == 5:
            pos = p.GetChamferPositions()
            chamfer = [n for bit, n in ((1, "top_left"), (2, "top_right"), (4, "bottom_left"),
                                        (8, "bottom_right")) if pos & bit]
        pads.append({
            "number": p.GetNumber(), "type": type_names.get(p.GetAttribute()), "shape": shape,
            "at": [p.GetPosition().x, p.GetPosition().y], "angle": p.GetOrientationDegrees(),
            "size": [p.GetSize().x, p.GetSize().y], "delta": [p.GetDelta().x, p.GetDelta().y],
            "drill": None if drill.x == 0 and drill.y == 0 else {
                "shape": "oval" if p.GetDrillShape() == 1 else "circle",
                "size": [drill.x, drill.y], "offset": [p.GetOffset().x, p.GetOffset().y]},
            "layers": layers,
            "roundrect_rratio": round(p.GetRoundRectRadiusRatio(), 6) if shape == "roundrect" else None,
            "chamfer": chamfer,
            # KiCad 6's Python module gives a custom pad's primitives as an opaque object: their
            # count is not judged.
            "primitives": None})
    graphics, texts = [], []

    def text(t, kind):
        texts.append({"kind": kind, "text": t.GetText(), "layer": file_layer(t.GetLayerName()),
                      "at": [t.GetPosition().x, t.GetPosition().y],
                      "angle": t.GetTextAngle() / 10.0,
                      "size": [t.GetTextSize().x, t.GetTextSize().y],
                      "thickness": t.GetTextThickness(), "hidden": not t.IsVisible(),
                      "mirrored": t.IsMirrored()})

    text(fp.Reference(), "reference")
    text(fp.Value(), "value")
    for item in fp.GraphicalItems():
        cls = item.GetClass()
        if cls == "MTEXT":
            text(pcbnew.Cast_to_FP_TEXT(item), "user")
            continue
        if cls != "MGRAPHIC":
            continue
        s = pcbnew.Cast_to_FP_SHAPE(item)
        k = s.GetShape()
        pt = lambda v: [v.x, v.y]
        if k == 0:
            kind, points = "line", [pt(s.GetStart()), pt(s.GetEnd())]
        elif k == 1:
            kind, points = "rect", [pt(s.GetStart()), pt(s.GetEnd())]
        elif k == 2:
            kind, points = "arc", [pt(s.GetStart()), pt(s.GetArcMid()), pt(s.GetEnd())]
        elif k == 3:
            kind, points = "circle", [pt(s.GetCenter()), pt(s.GetEnd())]
        elif k == 4:
            outline = s.GetPolyShape().COutline(0)
            kind, points = "poly", [pt(outline.CPoint(i)) for i in range(outline.PointCount())]
        else:
            kind, points = "curve", [pt(s.GetStart()), pt(s.GetBezierC1()), pt(s.GetBezierC2()),
                                     pt(s.GetEnd())]
        graphics.append({"kind": kind, "layer": file_layer(s.GetLayerName()), "width": s.GetWidth(),
                         "fill": bool(s.IsFilled()), "points": points})
    return {"pads": pads, "graphics": graphics, "texts": texts,
            "description": fp.GetDescription(), "tags": fp.GetKeywords()}


def trevak_object(obj):
    """Trevak's inspect object in the terms KiCad 6 compares. KiCad 6 turns KiCad 5's %R and %V
    into ${REFERENCE} and ${VALUE} as it reads them; inspect gives the file's text."""
    pads = []
    for p in obj["pads"]:
        q = dict(p)
        q["roundrect_rratio"] = round(p["roundrect_rratio"], 6) if p["shape"] == "roundrect" and p["roundrect_rratio"] is not None else (0.25 if p["shape"] == "roundrect" else None)
        q.pop("chamfer_ratio")
        q["primitives"] = None
        if not p["chamfer"] or p["chamfer_ratio"] in (None, 0):
            q["chamfer"] = []
        pads.append(q)
    texts = []
    for t in obj["texts"]:
        if t.get("box") or t.get("property") not in (None, "Reference", "Value"):
            continue
        t = {k: v for k, v in t.items() if k != "property"}
        if obj["version"] == 0:
            t["text"] = t["text"].replace("%R", "${REFERENCE}").replace("%V", "${VALUE}")
        texts.append(t)
    graphics = []
    for g in obj["graphics"]:
        g = dict(g)
        if g["kind"] == "poly" and len(g["points"]) < 2:
            continue
        graphics.append(g)
    return {"pads": pads, "graphics": graphics, "texts": texts,
            "description": obj["description"], "tags": obj["tags"]}


def canon(items):
    def norm(v):
        if isinstance(v, (int, float)) and not isinstance(v, bool):
            r = round(float(v), 6) + 0.0
            return int(r) if r == int(r) else r
        if isinstance(v, dict):
            return {k: norm(x) for k, x in v.items()}
        if isinstance(v, list):
            return [norm(x) for x in v]
        return v
    return sorted(json.dumps(norm(i), sort_keys=True) for i in items)


MID_TOLERANCE = 1000  # nm


def without_mids(graphics):
    """Arcs keyed without their mid, the mids apart in the same order. KiCad 6 keeps an arc as
    start, end and a centre rounded to the nanometre, and gives its mid from that centre: tens
    of nanometres from the mid a file wrote."""
    keyed = []
    for g in graphics:
        g = dict(g)
        mid = None
        if g["kind"] == "arc" and len(g["points"]) == 3:
            mid = g["points"][1]
            g["points"] = [g["points"][0], g["points"][2]]
        keyed.append((json.dumps(g, sort_keys=True), mid))
    keyed.sort(key=lambda k: (k[0], k[1] or []))
    return keyed


def arcs_agree(a, b):
    ka, kb = without_mids(a), without_mids(b)
    if [k for k, _ in ka] != [k for k, _ in kb]:
        return False
    return all(ma is None or (abs(ma[0] - mb[0]) <= MID_TOLERANCE and
                              abs(ma[1] - mb[1]) <= MID_TOLERANCE)
               for (_, ma), (_, mb) in zip(ka, kb))


def differences(a, b):
    out = []
    for key in ("pads", "graphics", "texts"):
        ca, cb = canon(a[key]), canon(b[key])
        if ca != cb and key == "graphics" and arcs_agree(
                [json.loads(x) for x in ca], [json.loads(x) for x in cb]):
            continue
        if ca != cb:
            only_a = [x for x in ca if x not in cb][:2]
            only_b = [x for x in cb if x not in ca][:2]
            out.append("%s: trevak %s / kicad %s" % (key, only_a, only_b))
    for key in ("description", "tags"):
        if a[key] != b[key]:
            out.append("%s: %r / %r" % (key, a[key], b[key]))
    return out


def libraries(roots):
    for root in roots:
        if root.endswith(".pretty") and os.path.isdir(root):
            yield root
            continue
        for dirpath, dirnames, _ in os.walk(root):
            dirnames.sort()
            for d in dirnames:
                if d.endswith(".pretty"):
                    yield os.path.join(dirpath, d)


def inspect_main(argv):
    import argparse
    ap = argparse.ArgumentParser(prog="check-with-kicad.py inspect")
    ap.add_argument("cli", help="trevak-cli")
    ap.add_argument("roots", nargs="+", help=".pretty folders or folders holding them")
    ap.add_argument("--show", type=int, default=5, help="differences printed (default 5)")
    args = ap.parse_args(argv)
    import pcbnew
    plugin = pcbnew.IO_MGR.PluginFind(pcbnew.IO_MGR.KICAD_SEXP)
    totals = {"footprints": 0, "same": 0, "differ": 0, "kicad refuses": 0, "rewritten": 0,
              "trevak refuses": 0}
    not_judged = {}
    shown = 0
    with tempfile.TemporaryDirectory() as tmp:
        for lib in libraries(args.roots):
            run = subprocess.run([args.cli, "inspect", lib, "--all"], capture_output=True)
            ours = {}
            for line in run.stdout.decode("utf-8").splitlines():
                o = json.loads(line)
                ours[o["name"]] = o
            copy = os.path.join(tmp, os.path.basename(lib))
            os.makedirs(copy, exist_ok=True)
            for f in sorted(os.listdir(lib)):
                if not f.endswith(".kicad_mod"):
                    continue
                totals["footprints"] += 1
                name = f[:-len(".kicad_mod")]
                with open(os.path.join(lib, f), "rb") as fh:
                    data = fh.read()
                m = re.search(rb"\(version (\d+)\)", data)
                version = int(m.group(1)) if m else 0
                path = lib
                if version > NEWEST_KICAD6:
                    new, notes = rewrite_file(data)
                    for n in notes:
                        not_judged[n] = not_judged.get(n, 0) + 1
                    with open(os.path.join(copy, f), "wb") as fh:
                        fh.write(new)
                    path = copy
                    totals["rewritten"] += 1
                try:
                    fp = plugin.FootprintLoad(path, name)
                except Exception:
                    fp = None
                if fp is None:
                    totals["kicad refuses"] += 1
                    continue
                o = ours.get(name)
                if o is None:
                    totals["trevak refuses"] += 1
                    if shown < args.show:
                        print("%s/%s: trevak gives no object" % (lib, f))
                        shown += 1
                    continue
                try:
                    diffs = differences(trevak_object(o), kicad_object(pcbnew, fp))
                except Exception as e:  # a reading the comparison cannot take
                    diffs = ["not compared: %r" % e]
                if diffs:
                    totals["differ"] += 1
                    if shown < args.show:
                        print("%s/%s (version %d):\n  %s" % (lib, f, version, "\n  ".join(diffs)))
                        shown += 1
                else:
                    totals["same"] += 1
    print(" ".join("%s=%d" % kv for kv in totals.items()))
    if not_judged:
        print("left out of the judged copies (files): " +
              ", ".join("%s %d" % kv for kv in sorted(not_judged.items())))
    return 0 if totals["differ"] == 0 and totals["trevak refuses"] == 0 else 1
