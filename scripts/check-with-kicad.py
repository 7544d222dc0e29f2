#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Load libraries in KiCad's own legacy reader and compare their footprints.

Given pairs of library files (ORIGINAL SAVED), loads each with the legacy plugin of KiCad's
pcbnew Python module and checks that every footprint of ORIGINAL is in SAVED with the same
pads, drawings, texts and footprint settings, all compared in KiCad's internal unit (nm), so a
library saved in the other length unit compares too. Lengths may differ by --tolerance nm (1 by
default; use 2540, one 1/10000 inch, for a copy converted between millimetres and 1/10000 inch).

Differences that are not failures, each listed as EXPECTED: KiCad's _v2, _v3 ... for names
that are equal; a text
whose quote runs past its line end, which holds that line end and so CR LF after a save; a length
KiCad cannot hold in an int, which it reads as 0 on one side only; polygon corners merged by the
rounding into the coarser unit; an arc end KiCad computes from the centre, the given end and the
angle, within three times the tolerance. A library with lines that are not UTF-8 is compared
through copies of both files with those lines read as Latin-1, since KiCad 6 cannot name such
footprints. Each pair is checked in a child process, because KiCad ends the process on some
inputs; a library KiCad cannot load in its original form is skipped.

A manual check, not part of the tests. It needs Debian's kicad package (KiCad 6.0, which brings
the pcbnew module to /usr/lib/python3/dist-packages) and runs with the system python3:

    /usr/bin/python3 scripts/check-with-kicad.py ORIG.mod SAVED.mod [ORIG2.mod SAVED2.mod ...]
    /usr/bin/python3 scripts/check-with-kicad.py --pairs LIST   # lines "ORIG<TAB>SAVED"

Footprints of `.pretty` libraries (every dialect) as KiCad 6 reads them against
`trevak-cli inspect` (see kicad_json_check.py):

    /usr/bin/python3 scripts/check-with-kicad.py inspect TREVAK_CLI FOLDER_OR_PRETTY...

KiCad's own conversion of a library, timed against `trevak-cli export` (whole processes):

    /usr/bin/python3 scripts/check-with-kicad.py convert-time TREVAK_CLI LIB.mod [--runs N]

KiCad's footprint library tables: a global table made from the stock template, `trevak-cli find
--kicad` against KiCad's .pretty reader over the folders the rows resolve to, then `table add`:

    /usr/bin/python3 scripts/check-with-kicad.py tables TREVAK_CLI

Editing a `.pretty` library from the command line, judged by KiCad 6: 50 footprints copied from
three `.pretty` libraries of different dialects and two legacy libraries into a new folder, three
renamed, two deleted, a prefix stripped; every footprint KiCad reads there equals its reading
of the source (renamed ones aside; newer dialects through a copy rewritten to 20211014), untouched
files keep their bytes, and a command that changes nothing writes no file:

    /usr/bin/python3 scripts/check-with-kicad.py pretty-edit TREVAK_CLI

Exit status: 0 every footprint matched (expected differences and skips allowed), 1 a mismatch,
2 usage error or pcbnew missing.
"""

import argparse
import ast
import collections
import json
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile



def import_pcbnew():
    """KiCad's Python module, or None after saying why it does not load."""
    try:
        import pcbnew
    except ImportError as e:
        print("pcbnew does not load (install Debian's kicad, run /usr/bin/python3): %s" % e,
              file=sys.stderr)
        return None
    return pcbnew


def expected_name(name):
    """The name Trevak gives the footprint KiCad calls `name`, and why it differs (or None).

    Trevak keeps a name whole, as KiCad reads it: the rest of the $MODULE line trimmed of white
    space, blanks and quotes inside included, with no length limit."""
    return name, None


def utf8_copy(path, folder):
    """`path` itself when it is valid UTF-8; otherwise a copy in `folder` whose lines that are
    not UTF-8 were read as Latin-1 and written as UTF-8 (KiCad 6 cannot name such footprints)."""
    with open(path, "rb") as f:
        data = f.read()
    try:
        data.decode("utf-8")
        return path
    except UnicodeDecodeError:
        pass
    out = []
    for line in data.splitlines(keepends=True):
        try:
            line.decode("utf-8")
            out.append(line)
        except UnicodeDecodeError:
            out.append(line.decode("latin-1").encode("utf-8"))
    copy = os.path.join(folder, "%d-%s" % (len(os.listdir(folder)), os.path.basename(path)))
    with open(copy, "wb") as f:
        f.write(b"".join(out))
    return copy


class Comparer:
    def __init__(self, pcbnew, tolerance):
        self.pcbnew = pcbnew
        self.tol = tolerance
        self.diffs = []
        self.notes = []

    # --- value comparison ------------------------------------------------------------------
    def length(self, what, a, b):
        a, b = int(a), int(b)
        if abs(a - b) > self.tol:
            # KiCad reads a length it cannot hold in an int (such as -2147.483648 mm, which
            # KiCad itself once wrote for an unset pad die length) as 0, while the same length
            # in the other unit, once rounded, may just fit.
            if 0 in (a, b) and abs(a + b) >= 2**31 - 1 - max(self.tol, 2540):
                self.notes.append("%s: %s != %s (KiCad reads a length at the end of its range "
                                  "as 0)" % (what, a, b))
            else:
                self.diffs.append("%s: %s != %s" % (what, a, b))

    def close(self, a, b, tol=None):
        tol = self.tol if tol is None else tol
        return abs(a.x - b.x) <= tol and abs(a.y - b.y) <= tol

    def point(self, what, a, b, loose=None):
        """Compares two points within the tolerance; within `loose` (tolerance, why) the
        difference is only noted."""
        if self.close(a, b):
            return
        text = "%s: (%d, %d) != (%d, %d)" % (what, a.x, a.y, b.x, b.y)
        if loose and self.close(a, b, loose[0]):
            self.notes.append("%s (%s)" % (text, loose[1]))
        else:
            self.diffs.append(text)

    def corners(self, what, pa, pb):
        """Compares the corners of two polygons. KiCad drops a corner equal to the one before
        it, so corners that a conversion into the coarser unit rounds onto each other are one
        corner on one side: such a corner may match the previous corner of the other side."""
        if len(pa) == len(pb):
            for k, (u, v) in enumerate(zip(pa, pb)):
                self.point("%s corner %d" % (what, k), u, v)
            return
        i = j = 0
        while i < len(pa) and j < len(pb):
            if self.close(pa[i], pb[j]):
                i, j = i + 1, j + 1
            elif j > 0 and self.close(pa[i], pb[j - 1]):
                i += 1
            elif i > 0 and self.close(pb[j], pa[i - 1]):
                j += 1
            else:
                break
        merged = bool(pa and pb) and \
            all(self.close(u, pb[-1]) or self.close(u, pb[0]) for u in pa[i:]) and \
            all(self.close(v, pa[-1]) or self.close(v, pa[0]) for v in pb[j:])
        if merged:
            self.notes.append("%s: %d corners != %d, each within the tolerance of a corner of the "
                              "other (corners closer than the tolerance merged)"
                              % (what, len(pa), len(pb)))
        else:
            self.diffs.append("%s: %d corners != %d" % (what, len(pa), len(pb)))

    def real(self, what, a, b, eps=1e-6):
        if abs(float(a) - float(b)) > eps * max(1.0, abs(float(a))):
            self.diffs.append("%s: %r != %r" % (what, a, b))

    def same(self, what, a, b):
        if a != b:
            self.diffs.append("%s: %r != %r" % (what, a, b))

    def count(self, what, a, b):
        if len(a) != len(b):
            self.diffs.append("%s: %d != %d" % (what, len(a), len(b)))
            return False
        return True

    # --- items -----------------------------------------------------------------------------
    def text(self, w, a, b):
        self.same(w + " text", a.GetText(), b.GetText())
        self.same(w + " type", a.GetType(), b.GetType())
        self.point(w + " pos0", a.GetPos0(), b.GetPos0())
        self.point(w + " position", a.GetTextPos(), b.GetTextPos())
        self.point(w + " size", a.GetTextSize(), b.GetTextSize())
        self.length(w + " thickness", a.GetTextThickness(), b.GetTextThickness())
        self.real(w + " angle", a.GetTextAngle(), b.GetTextAngle())
        self.same(w + " visible", a.IsVisible(), b.IsVisible())
        self.same(w + " italic", a.IsItalic(), b.IsItalic())
        self.same(w + " mirrored", a.IsMirrored(), b.IsMirrored())
        self.same(w + " layer", a.GetLayer(), b.GetLayer())
        self.same(w + " justify", (a.GetHorizJustify(), a.GetVertJustify()),
                  (b.GetHorizJustify(), b.GetVertJustify()))

    def shape(self, w, a, b):
        p = self.pcbnew
        self.same(w + " shape", a.GetShape(), b.GetShape())
        self.same(w + " layer", a.GetLayer(), b.GetLayer())
        self.length(w + " width", a.GetWidth(), b.GetWidth())
        # An arc line holds its centre, one end and its angle; KiCad computes the other end, so
        # the error of the centre and of the given end add up there (at most three times).
        arc = a.GetShape() == p.SHAPE_T_ARC and b.GetShape() == p.SHAPE_T_ARC
        loose = (3 * self.tol, "an arc end KiCad computes from centre, end and angle") \
            if arc else None
        self.point(w + " start0", a.GetStart0(), b.GetStart0(), loose)
        self.point(w + " end0", a.GetEnd0(), b.GetEnd0(), loose)
        self.point(w + " start", a.GetStart(), b.GetStart(), loose)
        self.point(w + " end", a.GetEnd(), b.GetEnd(), loose)
        if arc:
            self.point(w + " center0", a.GetCenter0(), b.GetCenter0())
            self.real(w + " arc angle", a.GetArcAngle(), b.GetArcAngle(), 1e-3)
        if a.GetShape() == p.SHAPE_T_POLY and b.GetShape() == p.SHAPE_T_POLY:
            pa = [a.GetPolyShape().CVertex(i) for i in range(a.GetPolyShape().TotalVertices())]
            pb = [b.GetPolyShape().CVertex(i) for i in range(b.GetPolyShape().TotalVertices())]
            self.corners(w + " polygon", pa, pb)

    def pad(self, w, a, b):
        self.same(w + " number", a.GetNumber(), b.GetNumber())
        self.same(w + " shape", a.GetShape(), b.GetShape())
        self.same(w + " attribute", a.GetAttribute(), b.GetAttribute())
        self.point(w + " pos0", a.GetPos0(), b.GetPos0())
        self.point(w + " position", a.GetPosition(), b.GetPosition())
        self.point(w + " size", a.GetSize(), b.GetSize())
        self.point(w + " delta", a.GetDelta(), b.GetDelta())
        self.real(w + " orientation", a.GetOrientation(), b.GetOrientation())
        self.same(w + " drill shape", a.GetDrillShape(), b.GetDrillShape())
        self.point(w + " drill", a.GetDrillSize(), b.GetDrillSize())
        self.point(w + " drill offset", a.GetOffset(), b.GetOffset())
        self.same(w + " layers", a.GetLayerSet().FmtHex(), b.GetLayerSet().FmtHex())
        self.length(w + " die length", a.GetPadToDieLength(), b.GetPadToDieLength())
        self.length(w + " clearance", a.GetLocalClearance(), b.GetLocalClearance())
        self.length(w + " mask margin", a.GetLocalSolderMaskMargin(),
                    b.GetLocalSolderMaskMargin())
        self.length(w + " paste margin", a.GetLocalSolderPasteMargin(),
                    b.GetLocalSolderPasteMargin())
        self.real(w + " paste ratio", a.GetLocalSolderPasteMarginRatio(),
                  b.GetLocalSolderPasteMarginRatio())
        self.same(w + " zone connection", a.GetZoneConnection(), b.GetZoneConnection())
        self.length(w + " thermal gap", a.GetThermalGap(), b.GetThermalGap())
        self.length(w + " thermal spoke", a.GetThermalSpokeWidth(), b.GetThermalSpokeWidth())

    def footprint(self, a, b):
        self.same("description", a.GetDescription(), b.GetDescription())
        self.same("keywords", a.GetKeywords(), b.GetKeywords())
        self.point("position", a.GetPosition(), b.GetPosition())
        self.real("orientation", a.GetOrientation(), b.GetOrientation())
        self.same("layer", a.GetLayer(), b.GetLayer())
        self.same("attributes", a.GetAttributes(), b.GetAttributes())
        self.same("locked", a.IsLocked(), b.IsLocked())
        self.length("clearance", a.GetLocalClearance(), b.GetLocalClearance())
        self.length("mask margin", a.GetLocalSolderMaskMargin(), b.GetLocalSolderMaskMargin())
        self.length("paste margin", a.GetLocalSolderPasteMargin(),
                    b.GetLocalSolderPasteMargin())
        self.real("paste ratio", a.GetLocalSolderPasteMarginRatio(),
                  b.GetLocalSolderPasteMarginRatio())
        self.same("zone connection", a.GetZoneConnection(), b.GetZoneConnection())
        self.length("thermal gap", a.GetThermalGap(), b.GetThermalGap())
        self.length("thermal width", a.GetThermalWidth(), b.GetThermalWidth())
        self.text("reference", a.Reference(), b.Reference())
        self.text("value", a.Value(), b.Value())

        pa, pb = list(a.Pads()), list(b.Pads())
        if self.count("pad count", pa, pb):
            for i, (u, v) in enumerate(zip(pa, pb)):
                self.pad("pad %d (%s)" % (i, u.GetNumber()), u, v)

        ga, gb = list(a.GraphicalItems()), list(b.GraphicalItems())
        if self.count("graphic item count", ga, gb):
            for i, (u, v) in enumerate(zip(ga, gb)):
                w = "item %d" % i
                self.same(w + " class", u.GetClass(), v.GetClass())
                if u.GetClass() != v.GetClass():
                    continue
                if u.GetClass() == "MTEXT":
                    self.text(w, self.pcbnew.Cast_to_FP_TEXT(u), self.pcbnew.Cast_to_FP_TEXT(v))
                elif u.GetClass() == "MGRAPHIC":
                    self.shape(w, self.pcbnew.Cast_to_FP_SHAPE(u),
                               self.pcbnew.Cast_to_FP_SHAPE(v))

        ma, mb = list(a.Models()), list(b.Models())
        if self.count("3D model count", ma, mb):
            for i, (u, v) in enumerate(zip(ma, mb)):
                w = "3D model %d" % i
                self.same(w + " file", u.m_Filename, v.m_Filename)
                for field in ("m_Scale", "m_Rotation", "m_Offset"):
                    for axis in "xyz":
                        self.real("%s %s.%s" % (w, field, axis), getattr(getattr(u, field), axis),
                                  getattr(getattr(v, field), axis))


def load(plugin, path, name):
    try:
        return plugin.FootprintLoad(path, name)
    except Exception:  # an IO_ERROR from KiCad
        return None


def compare(pcbnew, tolerance, fa, fb):
    """The differences between two footprints, and the notes on values KiCad could not read."""
    c = Comparer(pcbnew, tolerance)
    c.footprint(fa, fb)
    return c.diffs, c.notes


def only_line_ends(diffs):
    """True when every difference is a text that differs only in CR before LF (a text whose
    quote runs past the end of its line takes the line end into the text)."""
    for d in diffs:
        if " text: " not in d:
            return False
        a, b = d.split(" text: ", 1)[1].split(" != ", 1)
        try:
            a, b = ast.literal_eval(a), ast.literal_eval(b)
        except (ValueError, SyntaxError):
            return False
        if a.replace("\r\n", "\n") != b.replace("\r\n", "\n"):
            return False
    return True


def check_pair(pcbnew, plugin, orig, saved, tolerance, allow_extra, verbose, totals):
    try:
        names_a = list(plugin.FootprintEnumerate(orig))
    except Exception as e:
        print("  SKIP KiCad does not load the original: %s" % e)
        totals["unloadable"] += 1
        return
    try:
        names_b = list(plugin.FootprintEnumerate(saved))
    except Exception as e:
        print("  FAIL saved library does not load: %s" % e)
        totals["fail"] += 1
        return

    # Group the original names by the name Trevak gives them. KiCad names the second, third ...
    # footprint of one name NAME_v2, NAME_v3 ..., so a group of n originals is matched against
    # NAME, NAME_v2 ... NAME_vn of the saved library, each original with the one equal to it.
    present = set(names_b)
    groups = {}
    for n in names_a:
        groups.setdefault(expected_name(n)[0], []).append(n)
    used = set()
    for target, originals in groups.items():
        candidates = [target] + ["%s_v%d" % (target, k) for k in range(2, len(originals) + 1)]
        if len(originals) > 1:
            candidates = [t for t in candidates if t not in groups or t == target]
        free = [t for t in candidates if t in present and t not in used]
        loaded = {}
        for n in originals:
            totals["footprints"] += 1
            fa = load(plugin, orig, n)
            if fa is None:
                print("  SKIP %r: KiCad does not load it from the original" % n)
                totals["unloadable"] += 1
            else:
                loaded[n] = fa
        saved_fps = {t: load(plugin, saved, t) for t in free}
        if len(loaded) < len(originals):
            # footprints KiCad cannot load from the original go with those it cannot load
            # from the saved library
            used.update(t for t, fb in saved_fps.items() if fb is None)

        # Compare every original of the group with every candidate, then pair them off,
        # closest first (a group holds one original and one candidate but for repeated names).
        results = []
        for i, (n, fa) in enumerate(loaded.items()):
            for j, (t, fb) in enumerate(saved_fps.items()):
                if fb is not None:
                    diffs, notes = compare(pcbnew, tolerance, fa, fb)
                    results.append((len(diffs), i, j, n, t, diffs, notes))
        results.sort(key=lambda r: r[:3])
        pairs = {}
        for _, _, _, n, t, diffs, notes in results:
            if n not in pairs and t not in used:
                pairs[n] = (t, diffs, notes)
                used.add(t)

        for n, fa in loaded.items():
            why = expected_name(n)[1]
            if n not in pairs:
                if any(fb is None and t not in used for t, fb in saved_fps.items()):
                    print("  FAIL %r: KiCad does not load it from the saved library" % n)
                else:
                    print("  FAIL %r: missing from the saved library (as %r)" % (n, target))
                totals["fail"] += 1
                continue
            t, diffs, notes = pairs[n]
            if why or t != n:
                totals["renamed"] += 1
                print("  EXPECTED %r is %r in the saved library (%s)"
                      % (n, t, why or "KiCad's name for a repeated name"))
            if not diffs or only_line_ends(diffs):
                totals["match"] += 1
                if diffs:
                    totals["crlf"] += 1
                    print("  EXPECTED %r: a text holding a line end now holds CR LF:" % n)
                    for d in diffs:
                        print("      " + d)
                if notes:
                    totals["notes"] += 1
                    print("  EXPECTED %r: differences explained by how KiCad reads them:" % n)
                    for d in notes[:5]:
                        print("      " + d)
                    if len(notes) > 5:
                        print("      ... %d more" % (len(notes) - 5))
                if verbose and not diffs and not notes:
                    print("  ok %r (%d pads, %d items)" % (n, len(fa.Pads()),
                                                          len(fa.GraphicalItems())))
            else:
                totals["fail"] += 1
                print("  FAIL %r: %d difference(s)" % (n, len(diffs)))
                for d in diffs[:20]:
                    print("      " + d)
                if len(diffs) > 20:
                    print("      ... %d more" % (len(diffs) - 20))

    extra = [n for n in names_b if n not in used]
    if extra and not allow_extra:
        totals["fail"] += 1
        print("  FAIL names only in the saved library: %s" % ", ".join(map(repr, extra)))


def loads_whole(plugin, path):
    """Run in a child: enumerate and load every footprint of `path`."""
    for n in plugin.FootprintEnumerate(path):
        load(plugin, path, n)


def in_child(job):
    """Runs job() in a forked process, since KiCad aborts the process on some inputs. Returns
    (the dictionary job returned, None) or (None, the signal or exit status)."""
    sys.stdout.flush()
    r, w = os.pipe()
    pid = os.fork()
    if pid == 0:
        os.close(r)
        code = 0
        try:
            result = job() or {}
            os.write(w, json.dumps(result).encode())
        except BaseException as e:  # report, then leave without running the parent's code
            print("  ERROR %s: %s" % (type(e).__name__, e))
            code = 3
        sys.stdout.flush()
        os._exit(code)
    os.close(w)
    data = b""
    while True:
        chunk = os.read(r, 65536)
        if not chunk:
            break
        data += chunk
    os.close(r)
    _, status = os.waitpid(pid, 0)
    if os.WIFEXITED(status) and os.WEXITSTATUS(status) == 0:
        return json.loads(data.decode()), None
    if os.WIFSIGNALED(status):
        return None, "signal %d" % os.WTERMSIG(status)
    return None, "exit status %d" % os.WEXITSTATUS(status)


def run_pair(pcbnew, plugin, orig, saved, args, totals, folder):
    print("== %s -> %s" % (orig, saved))
    for path in (orig, saved):
        if not os.path.isfile(path):
            print("  FAIL no such file: %s" % path)
            totals["fail"] += 1
            return
    orig_u, saved_u = utf8_copy(orig, folder), utf8_copy(saved, folder)
    if (orig_u, saved_u) != (orig, saved):
        print("  NOTE lines that are not UTF-8 were read as Latin-1 in copies of both files")
        orig, saved = orig_u, saved_u

    def job():
        t = dict.fromkeys(totals, 0)
        check_pair(pcbnew, plugin, orig, saved, args.tolerance, args.allow_extra, args.verbose, t)
        return t

    result, how = in_child(job)
    if how == "exit status 3":  # the job raised; its message is printed already
        print("  FAIL the check itself failed")
        totals["fail"] += 1
        totals["pairs"] += 1
        return
    if result is not None:
        for k, v in result.items():
            totals[k] += v
        totals["pairs"] += 1
        return
    _, orig_how = in_child(lambda: loads_whole(plugin, orig))
    if orig_how:
        print("  SKIP KiCad ends (%s) while loading the original library" % orig_how)
        totals["unloadable_libraries"] += 1
    else:
        print("  FAIL KiCad ends (%s) on the saved library, not on the original" % how)
        totals["fail"] += 1
    totals["pairs"] += 1


# --- the export check: KiCad's reading of a .pretty folder against its reading of the .mod ------

ARC_END_TOL = 5          # nm: KiCad rounds the end it computes from centre and angle
ARC_CURVE_TOL = 500      # nm: the drawn curve, sampled
ARC_SAMPLES = 16
ZERO_WIDTH = 100000      # KiCad reads a zero line width on an unfilled shape as 0.1 mm


def norm_angle(tenths):
    a = float(tenths) % 3600.0
    return 0.0 if abs(a) < 1e-6 or abs(a - 3600.0) < 1e-6 else round(a, 6)


def arc_samples(s):
    """Points of an arc as KiCad draws it: clockwise on screen from start by its angle."""
    c, p0, angle = s.GetCenter0(), s.GetStart0(), float(s.GetArcAngle())
    dx, dy = p0.x - c.x, p0.y - c.y
    pts = []
    for k in range(ARC_SAMPLES + 1):
        t = math.radians(angle / 10.0 * k / ARC_SAMPLES)
        pts.append((c.x + dx * math.cos(t) - dy * math.sin(t),
                    c.y + dx * math.sin(t) + dy * math.cos(t)))
    return pts


class ExportComparer:
    """Compares KiCad's reading of an original footprint (legacy plugin) with its reading of the
    exported one (s-expression plugin). Pads, drawings and texts are compared as multisets."""

    def __init__(self, pcbnew):
        self.p = pcbnew
        self.diffs = []
        self.decided = {}   # deviation -> count (the export's decisions)
        self.limits = {}    # KiCad cannot read back what it holds -> count

    def note(self, table, what):
        table[what] = table.get(what, 0) + 1

    def same(self, what, a, b):
        if a != b:
            self.diffs.append("%s: %r != %r" % (what, a, b))

    def text_key(self, t, fp_angle, exported):
        text = t.GetText()
        if not exported and text.endswith("\r\n"):
            # A quote left open takes the line end in; the export keeps lines, not their ends.
            self.note(self.limits, "open quote in a CR LF file: the text ends in LF")
            text = text[:-2] + "\n"
        return (text, t.GetType(), (t.GetPos0().x, t.GetPos0().y),
                (t.GetTextSize().x, t.GetTextSize().y), t.GetTextThickness(),
                round(float(t.GetTextAngle()), 6), t.IsVisible(), t.IsItalic(), t.IsMirrored(),
                t.GetLayer(), t.GetHorizJustify(), t.GetVertJustify())

    def pad_key(self, d, fp_angle, original=False):
        number = d.GetNumber()
        if original and number and (d.GetAttribute() == self.p.PAD_ATTRIB_NPTH or
                                    not d.IsOnCopperLayer()):
            self.note(self.limits, "pad number of a pad without copper or hole only dropped")
            number = ""
        return (number, d.GetShape(), d.GetAttribute(), (d.GetPos0().x, d.GetPos0().y),
                (d.GetSize().x, d.GetSize().y), (d.GetDelta().x, d.GetDelta().y),
                norm_angle(d.GetOrientation() - fp_angle), d.GetDrillShape(),
                (d.GetDrillSize().x, d.GetDrillSize().y), (d.GetOffset().x, d.GetOffset().y),
                d.GetLayerSet().FmtHex(), d.GetPadToDieLength(), d.GetLocalClearance(),
                d.GetLocalSolderMaskMargin(), d.GetLocalSolderPasteMargin(),
                round(d.GetLocalSolderPasteMarginRatio(), 9), int(d.GetZoneConnection()),
                d.GetThermalGap(), d.GetThermalSpokeWidth())

    def shape_key(self, s, original):
        p = self.p
        shape, width, filled = s.GetShape(), s.GetWidth(), s.IsFilled()
        if original:
            if shape == p.SHAPE_T_POLY and not filled:
                self.note(self.decided, "polygon written filled")
                filled = True
            elif width == 0 and not filled:
                self.note(self.limits, "zero line width reads back as 0.1 mm")
                width = ZERO_WIDTH
        key = [shape, s.GetLayer(), width, filled]
        if shape == p.SHAPE_T_ARC:
            return tuple(key)  # arcs are matched by end points and curve below
        key += [(s.GetStart0().x, s.GetStart0().y), (s.GetEnd0().x, s.GetEnd0().y)]
        if shape == p.SHAPE_T_POLY:
            ps = s.GetPolyShape()
            key.append(tuple((ps.CVertex(i).x, ps.CVertex(i).y)
                             for i in range(ps.TotalVertices())))
        return tuple(key)

    def arcs_match(self, a, b):
        for u, v in ((a.GetStart0(), b.GetStart0()), (a.GetEnd0(), b.GetEnd0())):
            if abs(u.x - v.x) > ARC_END_TOL or abs(u.y - v.y) > ARC_END_TOL:
                return False
        return all(math.hypot(u[0] - v[0], u[1] - v[1]) <= ARC_CURVE_TOL
                   for u, v in zip(arc_samples(a), arc_samples(b)))

    def multiset(self, what, ka, kb):
        ca, cb = collections.Counter(ka), collections.Counter(kb)
        for k in (ca - cb):
            self.diffs.append("%s only in the original (x%d): %r" % (what, (ca - cb)[k], k))
        for k in (cb - ca):
            self.diffs.append("%s only in the export (x%d): %r" % (what, (cb - ca)[k], k))

    def footprint(self, a, b):
        p = self.p
        fa = float(a.GetOrientation())
        self.same("description", a.GetDescription(), b.GetDescription())
        self.same("keywords", a.GetKeywords(), b.GetKeywords())
        self.same("layer", a.GetLayer(), b.GetLayer())
        self.same("attributes", a.GetAttributes(), b.GetAttributes())
        self.same("locked", a.IsLocked(), b.IsLocked())
        self.same("cost90", a.GetPlacementCost90(), b.GetPlacementCost90())
        self.same("cost180", a.GetPlacementCost180(), b.GetPlacementCost180())
        self.same("clearance", a.GetLocalClearance(), b.GetLocalClearance())
        self.same("mask margin", a.GetLocalSolderMaskMargin(), b.GetLocalSolderMaskMargin())
        self.same("paste margin", a.GetLocalSolderPasteMargin(), b.GetLocalSolderPasteMargin())
        self.same("paste ratio", round(a.GetLocalSolderPasteMarginRatio(), 9),
                  round(b.GetLocalSolderPasteMarginRatio(), 9))
        self.same("zone connection", int(a.GetZoneConnection()), int(b.GetZoneConnection()))
        self.same("thermal gap", a.GetThermalGap(), b.GetThermalGap())
        self.same("thermal width", a.GetThermalWidth(), b.GetThermalWidth())
        texts_a = [a.Reference(), a.Value()] + [p.Cast_to_FP_TEXT(g) for g in a.GraphicalItems()
                                                if g.GetClass() == "MTEXT"]
        texts_b = [b.Reference(), b.Value()] + [p.Cast_to_FP_TEXT(g) for g in b.GraphicalItems()
                                                if g.GetClass() == "MTEXT"]
        self.multiset("text", [self.text_key(t, fa, False) for t in texts_a],
                      [self.text_key(t, 0.0, True) for t in texts_b])
        self.multiset("pad", [self.pad_key(d, fa, True) for d in a.Pads()
                              if d.GetSize().x > 0 and d.GetSize().y > 0],
                      [self.pad_key(d, 0.0) for d in b.Pads()])
        sa = [p.Cast_to_FP_SHAPE(g) for g in a.GraphicalItems() if g.GetClass() == "MGRAPHIC"]
        sb = [p.Cast_to_FP_SHAPE(g) for g in b.GraphicalItems() if g.GetClass() == "MGRAPHIC"]
        arcs_a = [s for s in sa if s.GetShape() == p.SHAPE_T_ARC]
        arcs_b = [s for s in sb if s.GetShape() == p.SHAPE_T_ARC]
        empty = [s for s in sa if s.GetShape() == p.SHAPE_T_POLY and
                 s.GetPolyShape().TotalVertices() == 0]
        for _ in empty:
            self.note(self.limits, "polygon without corners (KiCad writes none)")
        sa = [s for s in sa if s not in empty]
        self.multiset("drawing", [self.shape_key(s, True) for s in sa if s not in arcs_a],
                      [self.shape_key(s, False) for s in sb if s not in arcs_b])
        free = list(arcs_b)
        for u in arcs_a:
            key = self.shape_key(u, True)
            hit = next((v for v in free if self.shape_key(v, False) == key and
                        self.arcs_match(u, v)), None)
            if hit is None:
                self.diffs.append("arc only in the original: start %s end %s angle %s" %
                                  (u.GetStart0(), u.GetEnd0(), u.GetArcAngle()))
            else:
                free.remove(hit)
        for v in free:
            self.diffs.append("arc only in the export: start %s end %s" % (v.GetStart0(),
                                                                            v.GetEnd0()))
        ma, mb = list(a.Models()), list(b.Models())
        self.same("3D model count", len(ma), len(mb))
        for i, (u, v) in enumerate(zip(ma, mb)):
            self.same("3D model %d file" % i, u.m_Filename, v.m_Filename)
            for field, scale in (("m_Scale", 1.0), ("m_Rotation", 1.0), ("m_Offset", 25.4)):
                for axis in "xyz":
                    x = getattr(getattr(u, field), axis) * scale
                    y = getattr(getattr(v, field), axis)
                    if abs(x - y) > 1e-6 * max(1.0, abs(x)):
                        self.diffs.append("3D model %d %s.%s: %r != %r" % (i, field, axis, x, y))
            if any(getattr(u.m_Offset, axis) != 0 for axis in "xyz"):
                self.note(self.decided, "3D offset converted from inches")


def export_check(pcbnew, cli, lib, folder, totals, verbose):
    """Exports `lib` with trevak-cli and compares every footprint KiCad loads from it."""
    out = os.path.join(folder, "%d.pretty" % totals["libraries"])
    run = subprocess.run([cli, "export", lib, "-o", out], capture_output=True)
    totals["libraries"] += 1
    if run.returncode not in (0,):
        print("  FAIL trevak-cli export ended with %d: %s" % (run.returncode,
                                                             run.stderr.decode()[:300]))
        totals["fail"] += 1
        return
    totals["reported_lines"] += sum(1 for l in run.stderr.decode("utf-8", "replace").splitlines()
                                    if "line not exported" in l)
    orig = utf8_copy(lib, folder)
    leg = pcbnew.IO_MGR.PluginFind(pcbnew.IO_MGR.LEGACY)
    sx = pcbnew.IO_MGR.PluginFind(pcbnew.IO_MGR.KICAD_SEXP)

    def job():
        t = collections.Counter()
        try:
            names = list(leg.FootprintEnumerate(orig))
        except Exception as e:
            print("  SKIP KiCad does not load the original: %s" % e)
            t["unloadable_libraries"] += 1
            return dict(t)
        exported = set(sx.FootprintEnumerate(out))
        groups = collections.Counter(expected_name(n)[0] for n in names)
        used = set()
        for n in names:
            t["footprints"] += 1
            target, why = expected_name(n)
            fa = load(leg, orig, n)
            if fa is None:
                t["unloadable"] += 1
                continue
            # Names Trevak cuts may fall together: they become NAME, NAME_v2 ... in table
            # order; each original goes with the candidate equal to it.
            candidates = [target] + ["%s_v%d" % (target, k) for k in range(2, groups[target] + 1)]
            best = None
            for cand in candidates:
                if cand not in exported or cand in used:
                    continue
                fb = load(sx, out, cand)
                if fb is None:
                    continue
                c = ExportComparer(pcbnew)
                c.footprint(fa, fb)
                if best is None or len(c.diffs) < len(best[1].diffs):
                    best = (cand, c)
                if not c.diffs:
                    break
            if best is None:
                print("  FAIL %r: no footprint %r in the export that KiCad loads" % (n, target))
                t["fail"] += 1
                continue
            used.add(best[0])
            c = best[1]
            if why:
                t["renamed"] += 1
            for k, v in c.decided.items():
                t["decided: " + k] += v
            for k, v in c.limits.items():
                t["kicad limit: " + k] += v
            t["pads"] += len(fa.Pads())
            t["items"] += len(fa.GraphicalItems())
            if c.diffs:
                t["fail"] += 1
                print("  FAIL %r: %d difference(s)" % (n, len(c.diffs)))
                for d in c.diffs[:8]:
                    print("      " + d)
            else:
                t["match"] += 1
                if verbose:
                    print("  ok %r" % n)
        return dict(t)

    result, how = in_child(job)
    if how == "exit status 3":  # the job raised; its message is printed already
        print("  FAIL the check itself failed")
        totals["fail"] += 1
        return
    if result is None:
        print("  SKIP KiCad ends (%s) on this library" % how)
        totals["unloadable_libraries"] += 1
        return
    for k, v in result.items():
        totals[k] += v


def export_main(args):
    pcbnew = import_pcbnew()
    if pcbnew is None:
        return 2
    libs = []
    for f in args.files:
        if os.path.isdir(f):
            for root, _, names in sorted(os.walk(f)):
                libs += [os.path.join(root, n) for n in sorted(names) if n.endswith(".mod")]
        else:
            libs.append(f)
    print("KiCad %s; exporting with %s" % (pcbnew.GetBuildVersion(), args.export))
    totals = collections.Counter(libraries=0, fail=0)
    with tempfile.TemporaryDirectory() as folder:
        for lib in libs:
            print("== %s" % lib)
            export_check(pcbnew, args.export, lib, folder, totals, args.verbose)
    print("libraries %d (%d KiCad cannot load), footprints %d (%d pads, %d drawings and texts): "
          "equal %d, not loadable by KiCad from the original %d, failures %d"
          % (totals["libraries"], totals["unloadable_libraries"], totals["footprints"],
             totals["pads"], totals["items"], totals["match"], totals["unloadable"],
             totals["fail"]))
    print("lines reported as not exported: %d" % totals["reported_lines"])
    for k in sorted(totals):
        if k.startswith("decided") or k.startswith("kicad limit"):
            print("  %s: %d" % (k, totals[k]))
    return 1 if totals["fail"] else 0


# --- KiCad's own conversion, timed against the export ------------------------------------------

def convert_time_main(argv):
    """Times KiCad converting LIB.mod to a .pretty folder through its Python module (the legacy
    plugin's FootprintLoad and the s-expression plugin's FootprintSave per footprint, as its
    library migration does), against `TREVAK_CLI export` of the same library, both as whole
    processes into new folders; prints the median of --runs runs of each."""
    ap = argparse.ArgumentParser(prog="check-with-kicad.py convert-time",
                                 description=convert_time_main.__doc__)
    ap.add_argument("cli", metavar="TREVAK_CLI")
    ap.add_argument("library", metavar="LIB.mod")
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--folder", help="where the .pretty folders go (default: a temporary one "
                                     "beside LIB.mod, removed at the end)")
    args = ap.parse_args(argv)
    pcbnew = import_pcbnew()
    if pcbnew is None:
        return 2
    convert = (
        "import sys, pcbnew\n"
        "leg = pcbnew.IO_MGR.PluginFind(pcbnew.IO_MGR.LEGACY)\n"
        "sx = pcbnew.IO_MGR.PluginFind(pcbnew.IO_MGR.KICAD_SEXP)\n"
        "src, out = sys.argv[1], sys.argv[2]\n"
        "sx.FootprintLibCreate(out)\n"
        "n = 0\n"
        "for name in leg.FootprintEnumerate(src):\n"
        "    sx.FootprintSave(out, leg.FootprintLoad(src, name)); n += 1\n"
        "print(n)\n")
    base = args.folder or tempfile.mkdtemp(prefix="convert-time-",
                                           dir=os.path.dirname(os.path.abspath(args.library)))
    import statistics
    import time
    times = {"kicad": [], "trevak": []}
    counts = {}
    try:
        for run in range(args.runs):
            for who in ("kicad", "trevak"):
                out = os.path.join(base, "%s-%d.pretty" % (who, run))
                cmd = ([sys.executable, "-c", convert, args.library, out] if who == "kicad"
                       else [args.cli, "export", args.library, "-o", out])
                start = time.monotonic()
                done = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                      check=False)
                times[who].append(time.monotonic() - start)
                if done.returncode != 0:
                    print("%s failed (exit %d)" % (who, done.returncode), file=sys.stderr)
                    return 1
                counts[who] = len([n for n in os.listdir(out) if n.endswith(".kicad_mod")])
    finally:
        if not args.folder:
            subprocess.run(["rm", "-rf", base], check=False)
    k, t = statistics.median(times["kicad"]), statistics.median(times["trevak"])
    print("%s: KiCad %s wrote %d footprints in %.2f s (median of %d); trevak-cli export "
          "wrote %d in %.2f s: KiCad takes %.1fx as long"
          % (args.library, pcbnew.GetBuildVersion(), counts["kicad"], k,
             args.runs, counts["trevak"], t, k / t))
    return 0


def resolve_table_rows(table_text, variables):
    """(nickname, type, resolved uri, disabled) of each row of a footprint library table, the
    variables replaced as KiCad documents it (environment first, then KiCad's defaults): KiCad
    6's Python module has no table reader of its own."""
    stack = [[]]
    for tok in re.findall(r'\(|\)|"(?:[^"\\]|\\.)*"|[^\s()]+', table_text):
        if tok == "(":
            stack.append([])
        elif tok == ")":
            done = stack.pop()
            stack[-1].append(done)
        else:
            stack[-1].append(tok[1:-1].replace('\\"', '"') if tok.startswith('"') else tok)
    rows = []
    for item in stack[0][0][1:]:
        if not isinstance(item, list) or not item or item[0] != "lib":
            continue
        fields = dict((f[0], f[1] if len(f) > 1 else True) for f in item[1:] if isinstance(f, list) and f)
        uri = re.sub(r"\$\{(\w+)\}|\$\((\w+)\)",
                     lambda v: variables.get(v.group(1) or v.group(2), v.group(0)), fields.get("uri", ""))
        rows.append((fields.get("name", ""), fields.get("type", ""), uri, "disabled" in fields))
    return rows


def tables_main(argv):
    """tables TREVAK_CLI: a global table made from the stock template; `find --kicad` must list
    exactly what KiCad's .pretty reader lists in the folders the rows resolve to, under the
    rows' nicknames; after `table add`, the new row must resolve to the new library."""
    import subprocess
    import tempfile
    if len(argv) != 1:
        print("usage: check-with-kicad.py tables TREVAK_CLI", file=sys.stderr)
        return 2
    cli = argv[0]
    pcbnew = import_pcbnew()
    stock = "/usr/share/kicad/template/fp-lib-table"
    with tempfile.TemporaryDirectory() as tmp:
        env = dict(os.environ, KICAD_CONFIG_HOME=os.path.join(tmp, "config"))
        os.makedirs(env["KICAD_CONFIG_HOME"])
        table = os.path.join(env["KICAD_CONFIG_HOME"], "fp-lib-table")
        shutil.copy(stock, table)
        variables = dict(os.environ)
        for major in range(6, 11):
            variables.setdefault("KICAD%d_FOOTPRINT_DIR" % major, "/usr/share/kicad/footprints")

        def kicad_rows():
            want = set()
            with open(table, encoding="utf-8") as f:
                for nick, kind, uri, disabled in resolve_table_rows(f.read(), variables):
                    if disabled or kind.lower() != "kicad" or not os.path.isdir(uri):
                        continue
                    for name in pcbnew.FootprintEnumerate(uri):
                        want.add((nick, name))
            return want

        def ours():
            out = subprocess.run([cli, "find", "--kicad"], env=env, capture_output=True, text=True)
            return set(tuple(line.split("\t", 1)) for line in out.stdout.splitlines())

        want, got = kicad_rows(), ours()
        print("stock table: KiCad lists %d footprints, trevak-cli find --kicad %d; only KiCad's %d, only ours %d"
              % (len(want), len(got), len(want - got), len(got - want)))
        for item in sorted(want ^ got)[:20]:
            print("  DIFFERENT %s:%s" % item)
        new = os.path.join(tmp, "libs", "Mine.pretty")
        os.makedirs(new)
        source = "/usr/share/kicad/footprints/Resistor_SMD.pretty"
        for name in sorted(os.listdir(source))[:5]:
            shutil.copy(os.path.join(source, name), new)
        variables["MY_LIBS"] = os.path.join(tmp, "libs")
        env["MY_LIBS"] = variables["MY_LIBS"]
        with open(table, "rb") as f:
            before = f.read()
        add = subprocess.run([cli, "table", "add", "Mine", new, "--kicad"], env=env,
                             capture_output=True, text=True)
        with open(table, "rb") as f:
            after = f.read()
        rows = [r for r in resolve_table_rows(after.decode("utf-8"), variables) if r[0] == "Mine"]
        added = [k for k in pcbnew.FootprintEnumerate(rows[0][2])] if rows else []
        ok_add = (add.returncode == 0 and len(after) > len(before) and
                  after.replace(after[len(before) - 2:len(after) - 2], b"", 1) == before and
                  sorted(added) == sorted(n[:-10] for n in os.listdir(new)))
        found = set(n for nick, n in ours() if nick == "Mine")
        print("table add: %s; row %r; KiCad reads %d footprints there, trevak-cli find --kicad %d"
              % ("ok" if ok_add else "FAIL " + add.stderr.strip(), rows, len(added), len(found)))
        return 0 if want == got and ok_add and found == set(added) else 1


def pretty_edit_main(argv):
    """The scripted .pretty editing run (see the module's text)."""
    if len(argv) != 1:
        print("usage: check-with-kicad.py pretty-edit TREVAK_CLI", file=sys.stderr)
        return 2
    cli = os.path.abspath(argv[0])
    pcbnew = import_pcbnew()
    if pcbnew is None:
        return 2
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import hashlib
    import kicad_json_check
    here = os.path.dirname(os.path.abspath(__file__))
    shared = os.path.normpath(os.path.join(here, "..", "..", "shared"))
    pretty_sources = [
        "/usr/share/kicad/footprints/Resistor_SMD.pretty",                 # KiCad 6 (20211014)
        os.path.join(shared, "corpus-pretty", "kicad-5.1.12", "Crystal.pretty"),     # KiCad 5
        os.path.join(shared, "corpus-pretty", "kicad-8.0.0", "Diode_SMD.pretty"),    # KiCad 8
    ]
    legacy_sources = sorted(
        os.path.join(root, f) for root, _, files in os.walk(os.path.join(shared, "corpus"))
        for f in files if f.endswith(".mod"))
    # One library in 1/10000 inch and one in millimetres.
    def in_mm(path):
        with open(path, "rb") as f:
            return re.search(rb"^Units mm", f.read(4096), re.M) is not None
    legacy_sources = ([l for l in legacy_sources if not in_mm(l)][:1] +
                      [l for l in legacy_sources if in_mm(l)][:1])
    sx = pcbnew.IO_MGR.PluginFind(pcbnew.IO_MGR.KICAD_SEXP)
    leg = pcbnew.IO_MGR.PluginFind(pcbnew.IO_MGR.LEGACY)

    def run(*args):
        r = subprocess.run([cli] + list(args), capture_output=True, text=True)
        return r.returncode, r.stdout + r.stderr

    def hashes(folder):
        out = {}
        for n in sorted(os.listdir(folder)):
            with open(os.path.join(folder, n), "rb") as f:
                out[n] = (hashlib.sha256(f.read()).hexdigest(), os.stat(os.path.join(folder, n)).st_mtime_ns)
        return out

    failures = 0
    with tempfile.TemporaryDirectory() as tmp:
        new = os.path.join(tmp, "Mine.pretty")
        origin = {}  # name in the new library -> (source path, name there, legacy?)
        taken = set()
        first = True
        for src in pretty_sources + legacy_sources:
            legacy = src.endswith(".mod")
            code, text = run("list", src)
            names = [n for n in text.splitlines() if n and n.lower() not in taken][:10]
            for n in names:
                taken.add(n.lower())
            args = ["copy", src, new] + names + (["--new"] if first else [])
            first = False
            code, text = run(*args)
            if code != 0:
                print("FAIL copy from %s: %s" % (src, text.strip()[:300]))
                failures += 1
            for n in names:
                origin[n] = (src, n, legacy)
        print("copied %d footprints from %d libraries" % (len(origin), len(pretty_sources) + len(legacy_sources)))
        before = hashes(new)
        names = sorted(origin)
        renames = {names[0]: "Renamed_One", names[15]: "Renamed_Two", names[-1]: "MinePart"}
        for old, newname in renames.items():
            code, text = run("rename", new, old, newname)
            if code != 0:
                print("FAIL rename %s: %s" % (old, text.strip()[:300]))
                failures += 1
            origin[newname] = origin.pop(old) + (True,)
        deleted = [names[5], names[25]]
        code, text = run("delete", new, *deleted)
        if code != 0:
            print("FAIL delete: %s" % text.strip()[:300])
            failures += 1
        for d in deleted:
            origin.pop(d, None)
        listed_before = set(run("list", new)[1].split("\n"))
        code, text = run("strip-prefix", new)
        listed_after = set(run("list", new)[1].split("\n"))
        gone, came = sorted(listed_before - listed_after), sorted(listed_after - listed_before)
        print("strip-prefix: exit %d, %s became %s %s" % (code, gone, came, text.strip()[:200]))
        if len(gone) == 1 and len(came) == 1:
            origin[came[0]] = origin.pop(gone[0]) + (True,)
        after = hashes(new)
        touched = {n for n in before if n not in after or before[n][0] != after.get(n, ("", 0))[0]}
        untouched_ok = all(after[n] == before[n] for n in before if n in after and n not in touched)
        expected_touched = set()
        for old in list(renames) + deleted:
            for n in before:
                if n[:-len(".kicad_mod")] == old:
                    expected_touched.add(n)
        stray = touched - expected_touched - {n for n in before if "Mine" in n}
        print("untouched files: %s; files changed or gone beyond the edited ones: %s"
              % ("same bytes and times" if untouched_ok else "CHANGED", sorted(stray) or "none"))
        failures += 0 if untouched_ok and not stray else 1
        # A command that changes nothing writes nothing.
        steady = hashes(new)
        code, text = run("strip-prefix", new)
        unchanged = hashes(new) == steady
        print("strip-prefix again (nothing to strip): exit %d, %s" % (code, "no file written" if unchanged else "FILES WRITTEN"))
        failures += 0 if unchanged else 1

        # KiCad 6 reads every footprint; files of newer dialects through a rewritten copy.
        judged = os.path.join(tmp, "judged.pretty")
        os.makedirs(judged)
        rewritten = 0
        for n in os.listdir(new):
            with open(os.path.join(new, n), "rb") as f:
                data = f.read()
            version = re.search(rb"\(version (\d+)\)", data)
            if version and int(version.group(1)) > 20211014:
                data, _ = kicad_json_check.rewrite_file(data)
                rewritten += 1
            with open(os.path.join(judged, n), "wb") as f:
                f.write(data)
        sources_judged = {}
        for src in pretty_sources:
            copy = os.path.join(tmp, "src-%d.pretty" % len(sources_judged))
            os.makedirs(copy)
            for n in os.listdir(src):
                with open(os.path.join(src, n), "rb") as f:
                    data = f.read()
                version = re.search(rb"\(version (\d+)\)", data)
                if version and int(version.group(1)) > 20211014:
                    data, _ = kicad_json_check.rewrite_file(data)
                with open(os.path.join(copy, n), "wb") as f:
                    f.write(data)
            sources_judged[src] = copy
        listed = set(sx.FootprintEnumerate(judged))
        equal = renamed_read = 0
        for name, info in sorted(origin.items()):
            src, orig_name, legacy = info[0], info[1], info[2]
            fb = load(sx, judged, name)
            if fb is None:
                print("  FAIL KiCad does not read %s" % name)
                failures += 1
                continue
            if len(info) > 3:
                renamed_read += 1
                continue
            fa = load(leg, src, orig_name) if legacy else load(sx, sources_judged[src], orig_name)
            if fa is None:
                print("  SKIP KiCad does not read the source of %s" % name)
                continue
            if legacy:
                # A legacy module is converted as the export converts it: compared the same way.
                c = ExportComparer(pcbnew)
                c.footprint(fa, fb)
                diffs = c.diffs
            else:
                diffs, _ = compare(pcbnew, 1, fa, fb)
            if diffs:
                print("  DIFFERENT %s (from %s): %s" % (name, os.path.basename(src), diffs[:3]))
                failures += 1
            else:
                equal += 1
        print("KiCad 6 lists %d footprints in the folder (%d rewritten from newer dialects to be read);"
              " %d equal to its reading of their source, %d renamed read, %d failures"
              % (len(listed), rewritten, equal, renamed_read, failures))
        return 0 if failures == 0 else 1


def main():
    if len(sys.argv) > 1 and sys.argv[1] == "pretty-edit":
        return pretty_edit_main(sys.argv[2:])
    if len(sys.argv) > 1 and sys.argv[1] == "tables":
        return tables_main(sys.argv[2:])
    if len(sys.argv) > 1 and sys.argv[1] == "inspect":
        sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
        import kicad_json_check
        return kicad_json_check.inspect_main(sys.argv[2:])
    if len(sys.argv) > 1 and sys.argv[1] == "exact-extent":
        return exact_extent_main(sys.argv[2:])
    if len(sys.argv) > 1 and sys.argv[1] == "convert-time":
        return convert_time_main(sys.argv[2:])
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("files", nargs="*", help="ORIGINAL SAVED [ORIGINAL SAVED ...]")
    ap.add_argument("--pairs", help="file with one 'ORIGINAL<TAB>SAVED' pair per line")
    ap.add_argument("--tolerance", type=int, default=1,
                    help="allowed length difference in nm (default 1; 2540 for unit copies)")
    ap.add_argument("--allow-extra", action="store_true",
                    help="footprints only in the saved library are no failure")
    ap.add_argument("-v", "--verbose", action="store_true", help="list matching footprints")
    ap.add_argument("--export", metavar="TREVAK_CLI",
                    help="export each library (or every .mod under a folder) given with "
                         "TREVAK_CLI export and compare KiCad's reading of the .pretty folder "
                         "with its reading of the original")
    args = ap.parse_args()
    if args.export:
        return export_main(args)

    pairs = []
    if len(args.files) % 2:
        ap.error("files come in pairs: ORIGINAL SAVED")
    pairs += list(zip(args.files[0::2], args.files[1::2]))
    if args.pairs:
        with open(args.pairs, encoding="utf-8") as f:
            for line in f:
                line = line.rstrip("\n")
                if line:
                    pairs.append(tuple(line.split("\t", 1)))
    if not pairs:
        ap.error("no pair of libraries given")

    pcbnew = import_pcbnew()
    if pcbnew is None:
        return 2
    plugin = pcbnew.IO_MGR.PluginFind(pcbnew.IO_MGR.LEGACY)
    print("KiCad %s, plugin %s, tolerance %d nm" % (pcbnew.GetBuildVersion(),
                                                    plugin.PluginName(), args.tolerance))

    totals = dict(pairs=0, footprints=0, match=0, renamed=0, crlf=0, notes=0, unloadable=0,
                  unloadable_libraries=0, fail=0)
    with tempfile.TemporaryDirectory() as folder:
        for orig, saved in pairs:
            run_pair(pcbnew, plugin, orig, saved, args, totals, folder)
    print("libraries %(pairs)d (%(unloadable_libraries)d KiCad cannot load), footprints "
          "%(footprints)d: matched %(match)d (%(renamed)d of them under a name Trevak shortened, "
          "%(crlf)d with CR LF in a text, %(notes)d with explained value differences), "
          "not loadable in KiCad from the original "
          "%(unloadable)d; failures %(fail)d" % totals)
    return 1 if totals["fail"] else 0


# --- the exact drawing's extent against KiCad's bounding boxes -------------------------------

def kicad_item_boxes(pcbnew, plugin, path):
    """Run in a child: for every footprint of `path` KiCad loads, the box covering its pads' and
    drawings' own bounding boxes (texts left out), relative to the footprint's position, in nm.
    Footprints KiCad cannot load, or that are turned, map to None."""
    out = {}
    for name in plugin.FootprintEnumerate(path):
        fp = load(plugin, path, name)
        if fp is None:
            out[name] = None
            continue
        if fp.GetOrientation() != 0:
            out[name] = "turned"
            continue
        origin = fp.GetPosition()
        boxes = [p.GetBoundingBox() for p in fp.Pads()]
        for g in fp.GraphicalItems():
            if g.GetClass() != "MGRAPHIC":
                continue
            shape = pcbnew.Cast_to_FP_SHAPE(g)
            # A polygon without corners has a box at the board's origin, not the footprint's.
            if shape.GetShape() == pcbnew.SHAPE_T_POLY and \
                    shape.GetPolyShape().TotalVertices() == 0:
                continue
            boxes.append(g.GetBoundingBox())
        if not boxes:
            out[name] = "empty"
            continue
        left = min(b.GetLeft() for b in boxes) - origin.x
        top = min(b.GetTop() for b in boxes) - origin.y
        right = max(b.GetRight() for b in boxes) - origin.x
        bottom = max(b.GetBottom() for b in boxes) - origin.y
        out[name] = [left, top, right, bottom]
    return out


def trevak_extents(cli, path, size):
    """`trevak-cli render PATH --all --exact --print-extent`: name -> (box or None, nm per px),
    or "shared" for a name several modules have."""
    import subprocess
    run = subprocess.run([cli, "render", path, "--all", "--exact", "--print-extent",
                          "--size", str(size)], capture_output=True)
    if run.returncode != 0:
        raise RuntimeError("trevak-cli failed on %s: %s" % (path, run.stderr.decode("utf-8",
                                                                                     "replace")))
    out = {}
    for line in run.stdout.split(b"\n"):
        if not line:
            continue
        fields = line.split(b"\t")
        name = b"\t".join(fields[:-5]).decode("utf-8", "surrogateescape")
        box = None if fields[-5] == b"-" else [int(v) for v in fields[-5:-1]]
        # A name several modules share is ambiguous.
        out[name] = "shared" if name in out else (box, int(fields[-1]))
    return out


def exact_extent_main(argv):
    """exact-extent [--cli PATH] [--size PX] [-v] LIB.mod|LIB.pretty...: for every footprint
    that KiCad loads (a .pretty folder through its .kicad_mod reader), the exact drawing's extent of its pads and drawings (trevak-cli render --exact
    --print-extent) must match the box of KiCad's own bounding boxes of them within one pixel of
    a picture whose longer side is PX pixels (512 unless told)."""
    ap = argparse.ArgumentParser(prog="check-with-kicad.py exact-extent",
                                 description=exact_extent_main.__doc__.split("\n")[0])
    ap.add_argument("libraries", nargs="+")
    ap.add_argument("--cli", default=os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                  "..", "build", "cli", "trevak-cli"))
    ap.add_argument("--size", type=int, default=512)
    ap.add_argument("-v", "--verbose", action="store_true")
    args = ap.parse_args(argv)
    pcbnew = import_pcbnew()
    if pcbnew is None:
        return 2
    legacy = pcbnew.IO_MGR.PluginFind(pcbnew.IO_MGR.LEGACY)
    sexp = pcbnew.IO_MGR.PluginFind(pcbnew.IO_MGR.KICAD_SEXP)
    t = dict(libraries=0, unloadable=0, footprints=0, match=0, fail=0, skipped=0)
    worst = 0.0
    with tempfile.TemporaryDirectory() as folder:
        for path in args.libraries:
            t["libraries"] += 1
            mine = trevak_extents(args.cli, path, args.size)
            # A .pretty folder is read by KiCad's own .kicad_mod reader, in place.
            pretty = os.path.isdir(path)
            plugin = sexp if pretty else legacy
            kpath = path if pretty else utf8_copy(path, folder)
            theirs, how = in_child(lambda: kicad_item_boxes(pcbnew, plugin, kpath))
            if theirs is None:
                print("== %s\n  SKIP KiCad ends (%s) while loading it" % (path, how))
                t["unloadable"] += 1
                continue
            lines = []
            names = [expected_name(k)[0] for k in theirs]
            for kname, box in theirs.items():
                name = expected_name(kname)[0]
                if names.count(name) > 1 or mine.get(name) == "shared":
                    box = "its name is shared by several modules in Trevak"
                if box is None or isinstance(box, str) or name not in mine:
                    t["skipped"] += 1
                    if args.verbose:
                        lines.append("  SKIP %r: %s" % (kname, box or "KiCad does not load it"))
                    continue
                t["footprints"] += 1
                ours, nm_per_px = mine[name]
                if ours is None:
                    t["fail"] += 1
                    lines.append("  FAIL %r: nothing drawn, KiCad's box %s" % (kname, box))
                    continue
                off = max(abs(a - b) for a, b in zip(ours, box))
                ratio = off / nm_per_px if nm_per_px else 0.0
                worst = max(worst, ratio)
                if ratio <= 1.0:
                    t["match"] += 1
                    if args.verbose:
                        lines.append("  ok %r (%.3f px)" % (kname, ratio))
                else:
                    t["fail"] += 1
                    lines.append("  FAIL %r: ours %s, KiCad's %s (%.1f px of %d nm)"
                                 % (kname, ours, box, ratio, nm_per_px))
            if lines:
                print("== %s" % path)
                print("\n".join(lines))
    print("libraries %(libraries)d (%(unloadable)d KiCad cannot load), footprints compared "
          "%(footprints)d: within one pixel %(match)d, failures %(fail)d; skipped %(skipped)d "
          "(not loadable in KiCad, turned, without pads and drawings, or under a shared name)" % t)
    print("largest difference: %.3f px at %d px" % (worst, args.size))
    return 1 if t["fail"] else 0


if __name__ == "__main__":
    sys.exit(main())
