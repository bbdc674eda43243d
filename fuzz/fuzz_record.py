"""Structure-aware fuzzer for the paint recorder (a tool, not a test).

Generates SVG documents that mix the supported subset with hostile
constructs, mutates them at the byte level, records each one in a pool of
worker processes and checks the result invariants. A crash, a hang, a memory
blow-up, a sanitizer report or a broken invariant saves the input under the
findings directory. Deterministic for a given seed and case count.

    tools/sid-root run env PYTHONPATH=build/<dir>/modules \
        python3 fuzz/fuzz_record.py --seed 1 --count 5000 --minutes 10

For a sanitizer build, preload the runtime into the workers:
    LD_PRELOAD="$(g++ -print-file-name=libasan.so):$(g++ -print-file-name=libstdc++.so)" \
    ASAN_OPTIONS=detect_leaks=0 ...
Other modes: --replay FILE (record one file in-process and print the result),
--minimize FILE (shrink a saved finding while it keeps its symptom),
--scale (time generator families at 1x/2x/4x to spot superlinear growth).
"""

from __future__ import annotations

import argparse
import hashlib
import math
import os
import random
import re
import selectors
import struct
import subprocess
import sys
import time

STATUSES = ("supported", "unsupported", "invalid")
POINTS_PER_VERB = {"move_to": 1, "line_to": 1, "cubic_to": 3, "close": 0}

# --------------------------------------------------------------------------
# Generator
# --------------------------------------------------------------------------

WS = [" ", " ", " ", "\t", "\n", "\r\n", "  ", ""]
UNITS = ["", "", "", "px", "%", "em", "ex", "mm", "cm", "in", "pt", "pc", "q", "PX"]
CLEAN_UNITS = ["", "", "", "", "px", "%", "em", "ex", "mm", "cm", "in", "pt", "pc"]


class Gen:
    def __init__(self, rng: random.Random, budget: int):
        self.r = rng
        self.budget = budget  # rough element budget
        self.ids: list[str] = []
        self.clip_ids: list[str] = []
        self.marker_ids: list[str] = []
        self.classes = ["a", "b", "c", "d", "x-y", "_z"]
        self.count = 0
        # A clean document keeps to supported values so that it gets past the
        # reader and exercises layout and the render pass.
        self.clean = rng.random() < 0.55
        self.xlink = False

    # -- numbers -----------------------------------------------------------
    def num(self) -> str:
        r = self.r
        k = r.random()
        if self.clean and k > 0.75:
            if k < 0.85:
                return r.choice(["1e30", "-1e30", "1e-30", "3.4e38", "-3.4e38", "1e-37", ".5", "-.5", "1e+3", "1E-3", "00012", "+7", "-0", "+0", "0.0", "0." + "0" * 30 + "1", "1" * 30,
                                 "0." + "9" * 45, "16777217", "123456789.123456789", "1e38", "2e-38"])
            k = r.random() * 0.75
        if k < 0.55:
            v = r.choice([0, 1, 2, 5, 10, 50, 100, 255, -1, -10, 3])
            if r.random() < 0.5:
                return str(v + r.choice([0, 0.5, 0.25, 0.125, 0.1, 0.3333]))
            return str(v)
        if k < 0.75:
            return repr(r.uniform(-500, 500))
        if k < 0.9:
            return r.choice([
                "1e38", "3.4e38", "3.5e38", "1e39", "-3.4028234e38", "1e308", "1e309", "1e-39",
                "1e-45", "1.17549435e-38", "2e-38", "1e999", "-1e999", "0.0", "-0", "+0",
                ".5", "-.5", "5.", "1.e3", "1e+3", "1E-3", "00012", "+7", "1e", "1e+", ".",
                "-", "+", "..5", "1.2.3", "NaN", "nan", "inf", "-inf", "Infinity", "0x1f",
                "1e2147483647", "1e-2147483648", "1e99999999999", "4294967296",
                "0." + "0" * 60 + "1", "1" * 50, "0." + "9" * 45, "1" + "0" * 400,
                "123456789012345678901234567890", "-0.000000000000000000000000000000000000001",
                "16777217", "0.1e1", "7e-1", "1e-7",
            ])
        if k < 0.95:
            return str(r.randint(-2**31, 2**31))
        return repr(r.uniform(-1e6, 1e6)) + r.choice(["", "e5", "e-5", "e30"])

    def length(self) -> str:
        if self.clean:
            return self.num() + self.r.choice(CLEAN_UNITS)
        return self.num() + self.r.choice(UNITS)

    def size(self) -> str:
        """A length that must not be negative when clean."""
        v = self.length()
        return v.lstrip("-") if self.clean else v

    def sep(self) -> str:
        return self.r.choice([" ", ",", " , ", "\t", "\n", " ", ",", "  ", ", "] + ([] if self.clean else [""]))

    def nums(self, n: int) -> str:
        return "".join(self.num() + (self.sep() if i + 1 < n else "") for i in range(n))

    # -- path data -----------------------------------------------------------
    def path_data(self, segs: int | None = None) -> str:
        r = self.r
        segs = segs if segs is not None else r.randint(0, 12)
        out = []
        if r.random() < 0.9 or self.clean:
            out.append(r.choice("Mm") + self.nums(2))
        argc = {"M": 2, "L": 2, "H": 1, "V": 1, "C": 6, "S": 4, "Q": 4, "T": 2, "A": 7, "Z": 0}
        last = ""
        for _ in range(segs):
            c = r.choice("MLHVCSQTAZmlhvcsqtaz")
            if self.clean and c in "Zz" and last in ("Z", "z", ""):
                c = "L"
            last = c
            n = argc[c.upper()]
            if c.upper() == "A":
                flags = [r.choice(["0", "1", "2", "00", "11", "01"][: 2 if self.clean else 6]) for _ in range(2)]
                args = [self.num(), self.num(), self.num()]
                if flags[0] in ("00", "11", "01"):
                    a = args + [flags[0]]
                else:
                    a = args + flags
                a += [self.num(), self.num()]
                body = r.choice([" ", ","]).join(a)
                if r.random() < 0.2 and not self.clean:
                    body = "".join(a[:3]) + "".join(a[3:])
            else:
                reps = 1 if r.random() < 0.7 else r.randint(2, 4)
                if r.random() < 0.08 and not self.clean:
                    n = max(0, n + r.choice([-1, 1]))
                body = self.sep().join(self.nums(n) for _ in range(reps)) if n else ""
            out.append(c + r.choice(["", " ", ""]) + body)
        s = r.choice(["", " ", "\n"]).join(out)
        if r.random() < 0.05 and not self.clean:
            s += r.choice(["#", "x", " M", "1", ",", "Z Z", "\x0b", "e"])
        return s

    def points(self) -> str:
        n = 2 * self.r.randint(0, 5)
        if self.r.random() < 0.1 and not self.clean:
            n += 1
        return self.nums(n)

    # -- transforms ------------------------------------------------------------
    def transform_item(self) -> str:
        r = self.r
        name, counts = r.choice([
            ("matrix", [6]), ("translate", [1, 2]), ("scale", [1, 2]), ("rotate", [1, 3]),
            ("skewX", [1]), ("skewY", [1]), ("matrix", [5, 7]), ("rotate", [2]), ("bogus", [1]),
        ][: 6 if self.clean else 9])
        n = r.choice(counts)
        return name + r.choice(["", " ", "\t"]) + "(" + r.choice(WS) + self.nums(n) + r.choice(WS) + ")"

    def transform(self) -> str:
        n = self.r.choice([1, 1, 1, 2, 3, 0, 5])
        return self.r.choice([" ", ",", " , ", ""]).join(self.transform_item() for _ in range(n))

    # -- colours and paints --------------------------------------------------------
    def color(self) -> str:
        r = self.r
        if self.clean and r.random() < 0.9:
            return r.choice(["red", "blue", "black", "none", "currentColor", "#fff", "#123456", "#12345678", "#1234",
                             "rgb(10,20,30)", "rgba(10,20,30,0.5)", "hsla(120,50%,50%,0.3)", "transparent", "inherit"])
        return r.choice([
            "red", "blue", "black", "none", "currentColor", "#fff", "#123456", "#12345678", "#1234",
            "rgb(10,20,30)", "rgba(10,20,30,0.5)", "rgb(10%,20%,30%)", "hsl(120,50%,50%)",
            "hsla(120,50%,50%,0.3)", "transparent", "inherit", "url(#%s)" % self.ref(),
            "url(a.svg#b)", "RED", "#ggg", "", "  red  ", "rgb(1e40,0,0)", "rgba(0,0,0,-1)",
            "rgba(0 0 0 / 50%)", "#" + "f" * r.randint(0, 10), "rgb(" + self.nums(3) + ")",
        ])

    def opacity(self) -> str:
        if self.clean:
            return self.r.choice(["0", "1", "0.5", "50%", "0.999", "1e-9", "0.0", "100%", "inherit", "0.25", "2", "-1"])
        return self.r.choice(["0", "1", "0.5", "50%", "0.999", "1e-9", "-1", "2", "0.0", "100%",
                              "inherit", "", "abc", self.num()])

    def ref(self) -> str:
        if self.ids and self.r.random() < 0.85:
            return self.r.choice(self.ids)
        return self.r.choice(["missing", "", "a b", "x"])

    # -- attributes ---------------------------------------------------------------------
    def presentation(self) -> dict:
        r = self.r
        a = {}
        table = [
            ("fill", self.color), ("stroke", self.color), ("stroke-width", self.length),
            ("opacity", self.opacity), ("fill-opacity", self.opacity), ("stroke-opacity", self.opacity),
            ("stroke-dasharray", lambda: r.choice(["none", "5,3", "1 2 3", "0", "0 0", self.nums(r.randint(1, 6)),
                                                   "5,,3", "5,", "-1", "1e-30 1e-30"])),
            ("stroke-dashoffset", self.length), ("stroke-miterlimit", self.num),
            ("stroke-width", self.length), ("fill", self.color), ("transform", self.transform),
            ("stroke-linecap", lambda: r.choice(["butt", "round", "square", "x"])),
            ("stroke-linejoin", lambda: r.choice(["miter", "round", "bevel", "arcs", "miter-clip"])),
            ("fill-rule", lambda: r.choice(["nonzero", "evenodd", "x"])),
            ("clip-rule", lambda: r.choice(["nonzero", "evenodd"])),
            ("display", lambda: r.choice(["inline", "none", "block", "inherit"])),
            ("visibility", lambda: r.choice(["visible", "hidden", "collapse"])),
            ("overflow", lambda: r.choice(["visible", "hidden", "scroll", "auto"])),
            ("transform", self.transform),
            ("clip-path", lambda: r.choice(["none", "inherit", "url(#%s)" % self.clip_ref(), "url( '#%s' )" % self.clip_ref(),
                                            "url(#missing)", "url(x.svg#a)", "circle(5px)"])),
            ("marker-start", lambda: "url(#%s)" % self.marker_ref()),
            ("marker-mid", lambda: "url(#%s)" % self.marker_ref()),
            ("marker-end", lambda: "url(#%s)" % self.marker_ref()),
            ("color", self.color), ("font-size", self.length),
            ("vector-effect", lambda: r.choice(["none", "non-scaling-stroke", " non-scaling-stroke ", "x"])),
            ("pointer-events", lambda: r.choice(["none", "all", "x"])),
            ("class", lambda: " ".join(r.choice(self.classes) for _ in range(r.randint(1, 3)))),
            ("style", self.inline_style),
            ("id", self.new_id),
        ]
        for _ in range(r.choice([0, 1, 1, 2, 3, 4, 6])):
            name, f = r.choice(table)
            a[name] = f()
        if self.clean:
            for bad in ("stroke-linejoin", "fill-rule", "display", "overflow", "pointer-events", "vector-effect"):
                if bad in a and a[bad] in ("x", "arcs", "miter-clip", "block", "scroll", "auto"):
                    del a[bad]
            if "stroke-width" in a and a["stroke-width"].startswith("-"):
                a["stroke-width"] = a["stroke-width"][1:]
            if "stroke-dasharray" in a and self.r.random() < 0.7:
                a["stroke-dasharray"] = "5,3"
            if "stroke-miterlimit" in a:
                a["stroke-miterlimit"] = self.r.choice(["1", "4", "10", "1e30"])
            if "clip-path" in a and not a["clip-path"].startswith(("url(#", "none", "inherit")):
                del a["clip-path"]
            return a
        if r.random() < 0.03:
            a[r.choice(["onclick", "mask", "filter", "requiredFeatures", "pathLength", "xml:base",
                        "systemLanguage", "paint-order", "mix-blend-mode"])] = r.choice(["none", "x", "url(#a)"])
        if r.random() < 0.04:
            a["data-" + str(r.randint(0, 9))] = "v" * r.choice([1, 100, 5000])
        return a

    def clip_ref(self) -> str:
        return self.r.choice(self.clip_ids) if self.clip_ids and self.r.random() < 0.9 else self.ref()

    def marker_ref(self) -> str:
        return self.r.choice(self.marker_ids) if self.marker_ids and self.r.random() < 0.9 else self.ref()

    def new_id(self) -> str:
        r = self.r
        if self.ids and r.random() < 0.05:
            return r.choice(self.ids)  # duplicate id
        i = "i%d" % len(self.ids) if r.random() < 0.9 else r.choice(["é", "a:b", "1x", "a-b.c", "x" * 300])
        self.ids.append(i)
        return i

    def declaration(self) -> str:
        r = self.r
        name, val = r.choice([
            ("fill", self.color), ("stroke", self.color), ("stroke-width", self.length),
            ("opacity", self.opacity), ("display", lambda: r.choice(["none", "inline"])),
            ("fill-opacity", self.opacity), ("stroke-dasharray", lambda: self.nums(2)),
            ("transform", self.transform), ("width", self.length), ("clip-path", lambda: "url(#%s)" % self.clip_ref()),
            ("marker", lambda: "url(#%s)" % self.marker_ref()), ("all", lambda: "initial"),
            ("foo", lambda: "bar"), ("visibility", lambda: "hidden"), ("color", self.color),
            ("font-size", self.length), ("stroke-linejoin", lambda: "round"), ("--v", lambda: "1"),
        ])
        if self.clean and name in ("transform", "width", "marker", "all", "stroke-dasharray"):
            name, val = "fill", self.color
        imp = r.choice(["", "", "", " !important", "!important", " ! important"])
        return name + r.choice([":", " : ", ":"]) + val() + imp

    def inline_style(self) -> str:
        n = self.r.randint(0, 4)
        s = ";".join(self.declaration() for _ in range(n))
        if self.r.random() < 0.2 and not self.clean:
            s += self.r.choice([";", ";;", "/* c */", "}", "{", "fill", "fill:", ":red", "\\", "'", "\""])
        return s

    def selector(self) -> str:
        r = self.r

        def simple() -> str:
            parts = []
            k = r.random()
            if k < 0.4:
                parts.append(r.choice(["rect", "g", "circle", "path", "svg", "use", "*", "line", "ellipse", "polygon", "clipPath", "RECT"]))
            for _ in range(r.choice([0, 1, 1, 2])):
                parts.append(r.choice([
                    "." + r.choice(self.classes), "#" + (self.ref() or "x"), ":first-child", ":last-child",
                    ":only-child", ":root", ":empty", ":first-of-type", ":last-of-type", ":only-of-type",
                    ":not(%s)" % r.choice([".a", "rect", "#i1", ".a,.b", ":not(.c)", ":first-child", "g rect"]),
                    ":is(%s)" % r.choice(["rect, circle", ".a", "g > rect", ":is(.a, #i0)"]),
                    "[fill]", "[fill=red]", "[class~=a]", "[id^=i]", "[id$='1']", "[id*=\"i\"]", "[fill|=r]",
                    ":nth-child(%s)" % r.choice(["2n+1", "odd", "even", "3", "-n+3", "n", "0n+0", "2147483647n+1", "-2147483648n"]),
                    ":nth-last-child(2)", ":nth-of-type(2)", ":where(.b)",
                    ":hover", "::before", "[x=\"1\" i]", ":lang(en)", ":nth-child(", "[", ":unknown",
                ][: (13 if r.random() < 0.8 else 20) if self.clean else 31]))
            return "".join(parts) or "*"

        n = r.choice([1, 1, 2, 3, 4])
        s = simple()
        for _ in range(n - 1):
            s += r.choice([" ", " > ", ">", " + ", " ~ ", "  "]) + simple()
        return s

    def style_sheet(self) -> str:
        r = self.r
        out = []
        for _ in range(r.randint(1, 8)):
            k = r.random()
            if k < 0.05 and not self.clean:
                out.append(r.choice(["@import url(a.css);", "@media print { rect { fill: red } }", "@font-face { font-family: x }",
                                     "@charset \"utf-8\";", "@namespace svg url(http://www.w3.org/2000/svg);", "@page {}"]))
                continue
            sels = ", ".join(self.selector() for _ in range(r.choice([1, 1, 2, 3])))
            decl = "; ".join(self.declaration() for _ in range(r.randint(1 if self.clean else 0, 4)))
            out.append(sels + r.choice([" ", ""]) + "{" + decl + r.choice(["", ";"]) + "}")
            if r.random() < 0.1:
                out.append("/*" + r.choice(["", "*", " x ", "/*"]) + "*/")
        s = r.choice(["\n", " ", ""]).join(out)
        if r.random() < 0.05 and not self.clean:
            s += r.choice(["}", "{", "rect {", "/*", "\\", "'", "rect { fill: red"])
        return s

    # -- elements -------------------------------------------------------------
    def attrs_text(self, attrs: dict) -> str:
        r = self.r
        out = []
        for k, v in attrs.items():
            v = str(v)
            q = r.choice(['"', '"', "'"])
            v = v.replace("&", "&amp;").replace("<", "&lt;")
            v = v.replace(q, "&quot;" if q == '"' else "&apos;")
            if r.random() < 0.03 and v and not self.clean:
                i = r.randrange(len(v))
                v = v[:i] + r.choice(["&#x41;", "&#65;", "&amp;", "&#x+20;", "&#9;", "&#xD;", "&#10;", "&#x10FFFF;", "&#xe9;"]) + v[i:]
            out.append(r.choice([" ", "\n", "\t", "  "]) + k + r.choice(["=", " = ", "="]) + q + v + q)
        return "".join(out)

    def element(self, name: str, attrs: dict, children: list[str], text: str = "") -> str:
        if not children and not text and self.r.random() < 0.6:
            return "<%s%s%s/>" % (name, self.attrs_text(attrs), self.r.choice(["", " "]))
        return "<%s%s>%s%s</%s>" % (name, self.attrs_text(attrs), text, "".join(children), name)

    def shape(self) -> str:
        r = self.r
        self.count += 1
        kind = r.choice(["rect", "rect", "circle", "ellipse", "line", "polyline", "polygon", "path", "path", "path"])
        a = self.presentation()
        if kind == "rect":
            for k in ("x", "y", "width", "height", "rx", "ry"):
                if r.random() < 0.7:
                    a[k] = self.length() if k in "xy" else self.size()
        elif kind == "circle":
            for k in ("cx", "cy", "r"):
                if r.random() < 0.8:
                    a[k] = self.size() if k == "r" else self.length()
        elif kind == "ellipse":
            for k in ("cx", "cy", "rx", "ry"):
                if r.random() < 0.8:
                    a[k] = self.size() if k[0] == "r" else self.length()
        elif kind == "line":
            for k in ("x1", "y1", "x2", "y2"):
                if r.random() < 0.8:
                    a[k] = self.length()
        elif kind in ("polyline", "polygon"):
            a["points"] = self.points()
        else:
            a["d"] = self.path_data()
        return self.element(kind, a, [])

    def clip_path(self, depth: int) -> str:
        r = self.r
        cid = "c%d" % len(self.clip_ids)
        a = {"id": cid}
        if r.random() < 0.2:
            a["clipPathUnits"] = r.choice(["userSpaceOnUse", "objectBoundingBox", "x"])
        if r.random() < 0.2:
            a["transform"] = self.transform()
        if self.clip_ids and r.random() < 0.1:
            a["clip-path"] = "url(#%s)" % r.choice(self.clip_ids + [cid])
        kids = []
        for _ in range(r.choice([0, 1, 1, 1, 2, 3])):
            k = r.random()
            if k < 0.75:
                kids.append(self.shape())
            elif k < 0.85:
                kids.append(self.element("use", {"href": "#" + self.ref()}, []))
            elif k < 0.9:
                kids.append(self.element("g", {}, [self.shape()]))
            else:
                kids.append(self.element("text", {}, [], "x"))
        self.clip_ids.append(cid)
        self.ids.append(cid)
        return self.element("clipPath", a, kids)

    def marker(self, depth: int) -> str:
        r = self.r
        mid = "m%d" % len(self.marker_ids)
        self.marker_ids.append(mid)
        self.ids.append(mid)
        a = {"id": mid}
        for k, f in (("refX", self.num), ("refY", self.num), ("markerWidth", self.size), ("markerHeight", self.size),
                     ("orient", lambda: r.choice(["auto", "auto-start-reverse", "0", "45", "90deg", "1rad", "x", self.num()][: 6 if self.clean else 8])),
                     ("markerUnits", lambda: r.choice(["strokeWidth", "userSpaceOnUse", "x"][: 2 if self.clean else 3])),
                     ("viewBox", self.viewbox), ("overflow", lambda: r.choice(["visible", "hidden"])),
                     ("preserveAspectRatio", self.par)):
            if r.random() < 0.4:
                a[k] = f()
        kids = [self.shape() for _ in range(r.choice([0, 1, 1, 2]))]
        if depth < 6 and r.random() < 0.2:
            kids.append(self.group(depth + 1))
        return self.element("marker", a, kids)

    def par(self) -> str:
        return self.r.choice(["none", "xMidYMid", "xMinYMin meet", "xMaxYMax slice", "xMidYMax", "defer xMidYMid", "x", ""][: 5 if self.clean else 8])

    def viewbox(self) -> str:
        if self.clean and self.r.random() < 0.8:
            return self.sep().join([self.num(), self.num(), self.num().lstrip("-"), self.num().lstrip("-")])
        return self.nums(4)

    def group(self, depth: int) -> str:
        r = self.r
        kids = []
        n = r.choice([0, 1, 2, 3, 4, 6])
        for _ in range(n):
            if self.count > self.budget:
                break
            kids.append(self.node(depth + 1))
        return self.element("g", self.presentation(), kids)

    def node(self, depth: int) -> str:
        r = self.r
        self.count += 1
        k = r.random()
        if self.clean and k > 0.95:
            k = r.random() * 0.95
        if depth > 12:
            k = min(k, 0.4)
        if k < 0.45:
            return self.shape()
        if k < 0.6:
            return self.group(depth)
        if k < 0.68:
            a = self.presentation()
            a[r.choice(["href", "xlink:href", "href"]) if self.xlink else "href"] = "#" + self.ref()
            for kk in ("x", "y", "width", "height"):
                if r.random() < 0.3:
                    a[kk] = self.size() if kk in ("width", "height") else self.length()
            return self.element("use", a, [self.shape()] if r.random() < 0.05 else [])
        if k < 0.74:
            return self.clip_path(depth)
        if k < 0.79:
            return self.marker(depth)
        if k < 0.84:
            return self.element("defs", {}, [self.node(depth + 1) for _ in range(r.randint(0, 3))])
        if k < 0.88:
            a = {"id": self.new_id()}
            if r.random() < 0.5:
                a["viewBox"] = self.viewbox()
            for kk in ("width", "height", "x", "y"):
                if r.random() < 0.3:
                    a[kk] = self.size() if kk in ("width", "height") else self.length()
            return self.element("symbol", a, [self.node(depth + 1) for _ in range(r.randint(0, 3))])
        if k < 0.92:
            a = self.presentation()
            for kk in ("x", "y", "width", "height"):
                if r.random() < 0.6:
                    a[kk] = self.size() if kk in ("width", "height") else self.length()
            if r.random() < 0.4:
                a["viewBox"] = self.viewbox()
            if r.random() < 0.3:
                a["preserveAspectRatio"] = self.par()
            return self.element("svg", a, [self.node(depth + 1) for _ in range(r.randint(0, 3))])
        if k < 0.95:
            return self.style_element()
        if k < 0.97:
            return r.choice(["<!-- c -->", "<!---->", "<![CDATA[ x ]]>", "<?pi x?>", "text", "&amp;", "&#x20;",
                             "<!-- - -->", "\n\t ", "<?xml-stylesheet href='a.css'?>"])
        return self.element(r.choice(["text", "tspan", "mask", "linearGradient", "image", "script", "foo", "foreignObject",
                                      "desc", "title", "svg:rect", "a", "switch", "stop", "pattern", "metadata"]),
                            self.presentation(), [self.shape()] if r.random() < 0.3 else [], r.choice(["", "t"]))

    def style_element(self) -> str:
        r = self.r
        sheet = self.style_sheet()
        if r.random() < 0.3:
            body = "<![CDATA[" + sheet + "]]>"
        else:
            body = sheet.replace("&", "&amp;").replace("<", "&lt;")
        a = {}
        if r.random() < 0.1:
            a["type"] = r.choice(["text/css", "", "text/x"])
        if r.random() < 0.05:
            a["media"] = r.choice(["all", "print", ""])
        return "<style%s>%s</style>" % (self.attrs_text(a), body)

    def special(self) -> str:
        """Hostile structures: deep nesting, reference bombs, long chains."""
        r = self.r
        k = r.randrange(18)
        if k >= 14:
            return self.special_render(k)
        if k == 0:  # deep groups near the nesting cap
            d = r.choice([100, 500, 1020, 1022, 1023, 1024, 1025, 1100])
            return "<g>" * d + self.shape() + "</g>" * d
        if k == 1:  # use bomb
            levels = r.randint(2, 12)
            width = r.randint(2, 8)
            s = ['<defs><rect id="u0" width="1" height="1"/>']
            for i in range(1, levels):
                s.append('<g id="u%d">' % i + "".join('<use href="#u%d"/>' % (i - 1) for _ in range(width)) + "</g>")
            s.append("</defs>")
            s.append('<use href="#u%d"/>' % (levels - 1))
            return "".join(s)
        if k == 2:  # use chain / cycle
            n = r.choice([10, 100, 1000, 3000])
            s = "".join('<use id="v%d" href="#v%d"/>' % (i, i + 1) for i in range(n))
            end = r.choice(['<rect id="v%d" width="2" height="2"/>' % n, '<use id="v%d" href="#v0"/>' % n, ""])
            return "<defs>" + s + end + "</defs><use href=\"#v0\"/>"
        if k == 3:  # marker chain
            n = r.choice([2, 10, 100, 500, 3000])
            s = "".join('<marker id="k%d"><path d="M0 0 L1 0" marker-start="url(#k%d)" marker-end="url(#k%d)"/></marker>'
                        % (i, (i + 1) % (n + 1) if r.random() < 0.5 else i + 1, i + 1) for i in range(n))
            return "<defs>" + s + "</defs><path d=\"M0 0 L5 5 L10 0\" marker-mid=\"url(#k0)\" marker-start=\"url(#k0)\"/>"
        if k == 4:  # clip chains
            n = r.choice([2, 10, 100, 2000])
            s = "".join('<clipPath id="q%d" clip-path="url(#q%d)"><rect width="5" height="5"/></clipPath>' % (i, i + 1) for i in range(n))
            return "<defs>" + s + "</defs><rect width=\"3\" height=\"3\" clip-path=\"url(#q0)\"/>"
        if k == 5:  # long path data
            n = r.choice([1000, 10000, 50000])
            return '<path d="M0 0%s"/>' % "".join(r.choice([" l1 1", " a1 1 0 0 1 2 2", " c1 2 3 4 5 6", " z m1 1", " q1 1 2 2", " t3 3", " s1 1 2 2", " h1v1"]) for _ in range(n))
        if k == 6:  # long transform lists
            n = r.choice([100, 1000, 20000])
            return '<g transform="%s"><rect width="1" height="1"/></g>' % " ".join(self.transform_item() for _ in range(n))
        if k == 7:  # many nested opacity groups with clips
            d = r.choice([50, 300, 1000])
            return '<clipPath id="cc"><rect width="9" height="9"/></clipPath>' + '<g opacity="0.5" clip-path="url(#cc)">' * d + "<rect width=\"1\" height=\"1\"/>" + "</g>" * d
        if k == 8:  # nested svg viewports with overflow hidden
            d = r.choice([20, 200, 1000])
            return '<svg width="10" height="10" overflow="hidden" viewBox="0 0 5 5">' * d + "<rect width=\"1\" height=\"1\"/>" + "</svg>" * d
        if k == 9:  # many rules and selectors
            n = r.choice([100, 2000])
            rules = "".join(".c%d rect:nth-child(%dn+1) ~ circle > * {fill:red}" % (i, i % 7) for i in range(n))
            return "<style>%s</style>" % rules + "".join('<g class="c%d"><rect/><circle r="1"/></g>' % i for i in range(min(n, 500)))
        if k == 10:  # symbol + nested svg via use with huge sizes
            return ('<symbol id="sy" viewBox="0 0 1e-30 1e-30"><rect width="1e30" height="1e30"/></symbol>'
                    '<use href="#sy" width="1e38" height="3e38"/><use href="#sy" width="0" height="-1"/>')
        if k == 11:  # use of an ancestor / self
            return '<g id="anc"><use href="#anc"/><g><use href="#anc"/></g></g><use id="self" href="#self"/>'
        if k == 12:  # marker referring to itself through use/nested content
            return ('<marker id="ms" markerWidth="3" markerHeight="3" orient="auto"><g><path d="M0 0 L1 1" marker-end="url(#ms)"/>'
                    '<use href="#mp"/></g></marker><path id="mp" d="M0 0 L3 4 5 6" marker-mid="url(#ms)" stroke="red"/>')
        # deep nesting inside a clipPath / marker / symbol
        d = r.choice([100, 1000])
        return ('<clipPath id="dz">' + "<g>" * d + "<rect width='2' height='2'/>" + "</g>" * d + "</clipPath>"
                "<rect width='5' height='5' clip-path='url(#dz)'/>")

    def special_render(self, k: int) -> str:
        """Combinations aimed at the render pass: groups, clips, viewports, markers."""
        r = self.r
        clip = '<clipPath id="sc"%s>%s</clipPath>' % (
            r.choice(["", ' transform="rotate(30)"', ' clipPathUnits="userSpaceOnUse"']),
            r.choice(['<rect width="5" height="5"/>', '<use href="#sr"/>', '<circle r="3" display="none"/><rect width="2" height="2"/>',
                      '<g><rect width="1" height="1"/></g>', '<rect width="2" height="2" visibility="hidden"/>']))
        shape = '<rect id="sr" width="4" height="4"%s/>' % r.choice(["", ' opacity="0.5"', ' clip-path="url(#sc)"', ' fill="none"', ' stroke="red"'])
        op = lambda: r.choice(["", ' opacity="0.5"', ' opacity="0"', ' opacity="1"'])
        cp = lambda: r.choice(["", ' clip-path="url(#sc)"'])
        if k == 14:  # symbol through use, viewport clips, opacity on the use
            return (clip + '<defs>' + shape + '</defs><symbol id="sy" viewBox="%s"%s><g%s%s><use href="#sr"%s/></g></symbol>'
                    % (r.choice(["0 0 10 10", "0 0 0 10", "-5 -5 10 10"]), r.choice(["", ' overflow="visible"']), op(), cp(), op())
                    + '<use href="#sy" width="%s" height="%s"%s%s/>' % (r.choice(["10", "0", "50%"]), r.choice(["10", "5"]), op(), cp()))
        if k == 15:  # markers with viewports, clips and opacity inside
            return (clip + '<defs>' + shape + '</defs><marker id="sm" viewBox="0 0 10 10" markerWidth="%s" markerHeight="4" orient="%s" '
                    'overflow="%s"><g%s%s><use href="#sr"/><path d="M0 0 L5 5" stroke="blue"%s/></g></marker>'
                    % (r.choice(["4", "0", "1e-3"]), r.choice(["auto", "0", "auto-start-reverse"]), r.choice(["hidden", "visible"]), op(), cp(), cp())
                    + '<polyline points="0 0 5 5 10 0 15 5" stroke="red" marker-start="url(#sm)" marker-mid="url(#sm)" '
                    'marker-end="url(#sm)"%s%s/>' % (op(), cp()))
        if k == 16:  # opacity groups around content that records nothing or only clips
            inner = r.choice(['<rect width="0" height="0"/>', '<g clip-path="url(#sc)"><rect width="1" height="1" fill="none"/></g>',
                              '<g opacity="0.5"><g opacity="0.5"/></g>', shape, '<svg width="5" height="5"><g/></svg>',
                              '<use href="#sr" opacity="0"/>'])
            d = r.randint(1, 6)
            return clip + "<defs>" + shape + "</defs>" + "".join("<g%s%s>" % (op(), cp()) for _ in range(d)) + inner + "</g>" * d
        # cascade driving display, opacity and clips
        sheet = "<style>%s</style>" % " ".join(r.choice([
            "rect { opacity: 0.5 }", ".h { display: none !important }", "g > rect { clip-path: url(#sc) }",
            "#sr { visibility: hidden }", "use { opacity: 0.25 }", ":root { opacity: 0.5 }", "g:empty { display: none }",
            "* { fill-opacity: 0 }", "rect:first-child { stroke: red; stroke-width: 3 }", ":not(.h) { opacity: 1 }"]) for _ in range(3))
        return sheet + clip + "<g class='h'%s>%s</g><g style='display:inline'%s>%s<use href='#sr' class='h'/></g>" % (op(), shape, cp(), '<rect width="3" height="3" style="opacity:0.5 !important"/>')

    def document(self) -> str:
        r = self.r
        root = {}
        if r.random() < 0.9:
            root["xmlns"] = "http://www.w3.org/2000/svg"
        if r.random() < 0.3 or (not self.clean and r.random() < 0.1):
            root["xmlns:xlink"] = "http://www.w3.org/1999/xlink"
        self.xlink = "xmlns:xlink" in root or not self.clean
        if r.random() < 0.02:
            root["xmlns:foo"] = r.choice(["http://example.com/x", ""])
        if r.random() < 0.7:
            root["viewBox"] = r.choice(["0 0 100 100", "0,0,10,10", self.viewbox(), self.nums(r.choice([3, 5])), "0 0 0 0", "0 0 -1 5"][: 4 if self.clean else 6])
        for k in ("width", "height"):
            if r.random() < 0.6:
                root[k] = self.size()
        if r.random() < 0.2:
            root["preserveAspectRatio"] = self.par()
        if r.random() < 0.1:
            root["data-pavrix-origin"] = r.choice(["image-vectorizer", "Image-Vectorizer"])
        if r.random() < 0.1:
            root["overflow"] = "hidden"
        root.update(self.presentation() if r.random() < 0.3 else {})
        kids = []
        if r.random() < 0.3:
            kids.append(self.style_element())
        for _ in range(r.randint(1, 8)):
            if self.count > self.budget:
                break
            kids.append(self.node(1))
        if r.random() < 0.25:
            kids.insert(r.randrange(len(kids) + 1), self.special())
        r.shuffle(kids) if r.random() < 0.2 else None
        prolog = r.choice(["", "", '<?xml version="1.0" encoding="UTF-8"?>', "<?xml version='1.0'?>\n",
                           "\ufeff", '<?xml version="1.0" standalone="no"?>', "<!-- head -->\n",
                           "<!DOCTYPE svg>", '<?xml version="1.1" encoding="latin1"?>'])
        if self.clean and ("DOCTYPE" in prolog or "latin1" in prolog):
            prolog = ""
        svg_name = "svg" if r.random() < 0.97 else r.choice(["svg:svg", "SVG", "g"])
        body = self.element(svg_name, root, kids)
        tail = r.choice(["", "", "\n", "<!-- t -->", " <?pi?>", "x", "<g/>"] if not self.clean else ["", "\n", "<!-- t -->"])
        return prolog + body + tail


# --------------------------------------------------------------------------
# Mutator
# --------------------------------------------------------------------------

TOKENS = [b"<", b">", b"/>", b"</g>", b"<g>", b"\"", b"'", b"=", b"&", b"&amp;", b"&#", b";", b"<!--", b"-->",
          b"<![CDATA[", b"]]>", b"<?", b"?>", b"url(#", b")", b"(", b"#", b"e", b"-", b".", b"9" * 20, b"\x00",
          b"\xff", b"\xc3\xa9", b"\xed\xa0\x80", b"\xef\xbb\xbf", b"{", b"}", b":", b"*", b"~", b"+", b"\\",
          b"/*", b"*/", b" ", b"\t", b"\r", b"\n", b"xlink:", b"xmlns=", b"nan", b"1e38", b"1e-45"]


def mutate(rng: random.Random, data: bytes, pool: list[bytes]) -> bytes:
    b = bytearray(data)
    for _ in range(rng.choice([1, 1, 2, 3, 5, 8])):
        k = rng.random()
        n = len(b)
        if n == 0:
            b += rng.choice(TOKENS)
            continue
        i = rng.randrange(n)
        if k < 0.15:
            b[i] = rng.randrange(256)
        elif k < 0.25:
            b[i] ^= 1 << rng.randrange(8)
        elif k < 0.4:
            del b[i:i + rng.choice([1, 1, 2, 4, 16, 64])]
        elif k < 0.6:
            b[i:i] = rng.choice(TOKENS)
        elif k < 0.72:  # duplicate a chunk
            j = min(n, i + rng.choice([1, 4, 16, 64, 256]))
            b[i:i] = b[i:j] * rng.choice([1, 2, 8])
        elif k < 0.8:  # swap chunks
            j = rng.randrange(n)
            ln = rng.choice([1, 4, 16])
            a1, a2 = bytes(b[i:i + ln]), bytes(b[j:j + ln])
            b[i:i + ln] = a2
            b[j:j + len(a1)] = a1
        elif k < 0.9 and pool:  # splice from another document
            other = rng.choice(pool)
            if other:
                s = rng.randrange(len(other))
                b[i:i] = other[s:s + rng.choice([8, 64, 512])]
        else:  # replace a number-like run
            j = i
            while j < n and chr(b[j]) in "0123456789.-+eE":
                j += 1
            b[i:j] = rng.choice([b"1e38", b"-0", b"1e999", b"NaN", b"3.4028235e38", b"1e-46", b"99999999999999999999", b""])
    return bytes(b)


def generate(seed: int, index: int) -> tuple[random.Random, bytes]:
    rng = random.Random((seed << 32) ^ (index * 0x9E3779B1))
    gen = Gen(rng, budget=rng.choice([5, 20, 60, 200]))
    return rng, gen.document().encode("utf-8")


def make_case(seed: int, index: int) -> bytes:
    rng, doc = generate(seed, index)
    if rng.random() < 0.35:
        donor = generate(seed ^ 0x5A5A, index)[1]
        doc = mutate(rng, doc, [donor])
    return doc


# --------------------------------------------------------------------------
# Invariants
# --------------------------------------------------------------------------

def finite(v) -> bool:
    return isinstance(v, float) and math.isfinite(v)


def check_result(res) -> list[str]:
    errs = []
    status, reason = res.status, res.reason_code
    cmds = res.commands
    if status not in STATUSES:
        errs.append("bad status %r" % status)
    if status == "supported" and reason != "":
        errs.append("supported with reason %r" % reason)
    if status != "supported" and reason == "":
        errs.append("%s without reason" % status)
    if status != "supported" and len(cmds):
        errs.append("%s with %d commands" % (status, len(cmds)))
    stack = []
    for i, c in enumerate(cmds):
        kind = c.kind
        if kind == "clip_begin":
            stack.append("clip")
        elif kind == "group_begin":
            stack.append("group")
        elif kind == "clip_end":
            if not stack or stack[-1] != "clip":
                errs.append("cmd %d: clip_end without clip_begin (stack %s)" % (i, stack[-3:]))
                break
            stack.pop()
        elif kind == "group_end":
            if not stack or stack[-1] != "group":
                errs.append("cmd %d: group_end without group_begin (stack %s)" % (i, stack[-3:]))
                break
            stack.pop()
        elif kind not in ("fill", "stroke"):
            errs.append("cmd %d: kind %r" % (i, kind))
        verbs = c.path_verbs
        pts = c.path_points
        if kind in ("clip_end", "group_begin", "group_end"):
            if verbs or pts:
                errs.append("cmd %d: %s with geometry" % (i, kind))
        else:
            need = sum(POINTS_PER_VERB.get(v, -10**9) for v in verbs)
            if need != len(pts):
                errs.append("cmd %d: %d points for verbs needing %d" % (i, len(pts), need))
            if len(c.source_subpath_area_potential) != sum(1 for v in verbs if v == "move_to"):
                errs.append("cmd %d: subpath flags %d != move_to count" % (i, len(c.source_subpath_area_potential)))
            for p in pts:
                if not (finite(p[0]) and finite(p[1])):
                    errs.append("cmd %d: non-finite point %r" % (i, p))
                    break
        for m in c.matrix:
            if not finite(m):
                errs.append("cmd %d: non-finite matrix %r" % (i, c.matrix))
                break
        for name in ("paint_opacity", "group_opacity", "path_lowering_precision_error"):
            v = getattr(c, name)
            if not finite(v):
                errs.append("cmd %d: %s = %r" % (i, name, v))
        if kind == "stroke":
            s = c.stroke
            for v in (s.width, s.miter_limit, s.dash_offset, *s.dash_array):
                if not finite(v):
                    errs.append("cmd %d: non-finite stroke value %r" % (i, v))
                    break
        if not 0.0 <= c.paint_opacity <= 1.0 or not 0.0 <= c.group_opacity <= 1.0:
            errs.append("cmd %d: opacity out of range" % i)
    if stack and not errs:
        errs.append("unbalanced stack at end: %s" % stack[-5:])
    for v in tuple(res.bounds) + tuple(res.viewport):
        if not finite(v) and status == "supported":
            errs.append("non-finite bounds/viewport %r %r" % (tuple(res.bounds), tuple(res.viewport)))
            break
    return errs


# --------------------------------------------------------------------------
# Worker protocol: length-prefixed inputs on stdin, one line per result.
# --------------------------------------------------------------------------

def worker_main() -> None:
    import _pavrix_svg_core as core
    inp = sys.stdin.buffer
    out = sys.stdout
    tmp = os.path.join(os.environ.get("TMPDIR", "/tmp"), "fuzz_record_%d.svg" % os.getpid())
    while True:
        head = inp.read(4)
        if len(head) < 4:
            return
        (n,) = struct.unpack("<I", head)
        data = inp.read(n)
        t0 = time.process_time()
        if n % 7 == 3 and len(data) < 4096:
            # every so often through the file entry, to cover the reader of files too
            with open(tmp, "wb") as f:
                f.write(data)
            res = core.record_paint_commands(tmp)
        else:
            res = core.record_paint_commands_svg(data)
        dt = time.process_time() - t0
        errs = check_result(res)
        line = "%s\t%s\t%d\t%.4f\t%s\n" % (res.status, res.reason_code, len(res.commands), dt, " | ".join(errs).replace("\n", " "))
        out.write(line)
        out.flush()


class Worker:
    def __init__(self, idx: int, errdir: str):
        self.idx = idx
        self.errpath = os.path.join(errdir, "worker%d.stderr" % idx)
        self.errfile = open(self.errpath, "wb")
        self.proc = subprocess.Popen([sys.executable, os.path.abspath(__file__), "--worker"], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=self.errfile, bufsize=0)
        self.buf = b""
        self.case = None
        self.started = 0.0

    def send(self, index: int, data: bytes) -> None:
        self.case = (index, data)
        self.started = time.monotonic()
        self.errfile.flush()
        self.err_offset = os.path.getsize(self.errpath)
        self.proc.stdin.write(struct.pack("<I", len(data)) + data)
        self.proc.stdin.flush()

    def rss_mb(self) -> float:
        try:
            with open("/proc/%d/status" % self.proc.pid) as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        return int(line.split()[1]) / 1024.0
        except OSError:
            pass
        return 0.0

    def stderr_tail(self) -> str:
        try:
            with open(self.errpath, "rb") as f:
                f.seek(self.err_offset)
                return f.read()[-20000:].decode("utf-8", "replace")
        except OSError:
            return ""

    def kill(self) -> None:
        try:
            self.proc.kill()
        except OSError:
            pass
        self.proc.wait()
        self.errfile.close()


def save_finding(outdir: str, kind: str, data: bytes, detail: str) -> str:
    h = hashlib.sha1(data).hexdigest()[:12]
    path = os.path.join(outdir, "%s-%s.svg" % (kind, h))
    with open(path, "wb") as f:
        f.write(data)
    with open(path + ".txt", "w") as f:
        f.write(detail)
    return path


def fuzz(args) -> None:
    os.makedirs(args.out, exist_ok=True)
    errdir = os.path.join(args.out, "stderr")
    os.makedirs(errdir, exist_ok=True)
    deadline = time.monotonic() + args.minutes * 60
    workers = [Worker(i, errdir) for i in range(args.jobs)]
    sel = selectors.DefaultSelector()
    for w in workers:
        sel.register(w.proc.stdout, selectors.EVENT_READ, w)
    next_index = 0
    done = 0
    findings = 0
    stats: dict[str, int] = {}
    slowest: list[tuple[float, int, int]] = []
    t_start = time.monotonic()
    last_progress = t_start

    def feed(w: Worker) -> bool:
        nonlocal next_index
        if next_index >= args.count or time.monotonic() > deadline:
            w.case = None
            return False
        data = make_case(args.seed, next_index)
        w.send(next_index, data)
        next_index += 1
        return True

    def report(kind: str, w: Worker, detail: str) -> None:
        nonlocal findings
        findings += 1
        index, data = w.case
        path = save_finding(args.out, kind, data, "case %d seed %d\n%s\n" % (index, args.seed, detail))
        print("FINDING %s case %d -> %s: %s" % (kind, index, path, detail.splitlines()[0][:300] if detail else ""), flush=True)

    for w in workers:
        feed(w)
    while any(w.case for w in workers):
        for key, _ in sel.select(timeout=0.2):
            w = key.data
            chunk = os.read(w.proc.stdout.fileno(), 65536)
            if not chunk:
                continue
            w.buf += chunk
            while b"\n" in w.buf and w.case:
                line, w.buf = w.buf.split(b"\n", 1)
                status, reason, ncmd, dt, errs = line.decode().split("\t", 4)
                stats[status + "/" + reason] = stats.get(status + "/" + reason, 0) + 1
                done += 1
                dtf = float(dt)
                slowest.append((dtf, w.case[0], len(w.case[1])))
                slowest.sort(reverse=True)
                del slowest[10:]
                if errs and args.ignore and all(re.search(args.ignore, e) for e in errs.split(" | ")):
                    stats["ignored invariant"] = stats.get("ignored invariant", 0) + 1
                elif errs:
                    report("invariant", w, errs)
                elif dtf > args.slow:
                    report("slow", w, "%.2f s CPU for %d bytes (%s/%s)" % (dtf, len(w.case[1]), status, reason))
                tail = w.stderr_tail()
                if "ERROR: AddressSanitizer" in tail or "runtime error:" in tail:
                    report("sanitizer", w, tail)
                feed(w)
        now = time.monotonic()
        for i, w in enumerate(workers):
            if not w.case:
                continue
            dead = w.proc.poll() is not None
            hung = now - w.started > args.timeout
            mem = w.rss_mb() > args.max_rss_mb
            if dead or hung or mem:
                if dead:
                    kind = "crash"
                    detail = "exit %s\n%s" % (w.proc.returncode, w.stderr_tail())
                elif hung:
                    kind = "hang"
                    detail = "no answer after %.1f s (%d bytes)" % (now - w.started, len(w.case[1]))
                else:
                    kind = "memory"
                    detail = "RSS above %d MB (%d bytes)" % (args.max_rss_mb, len(w.case[1]))
                report(kind, w, detail)
                sel.unregister(w.proc.stdout)
                w.kill()
                nw = Worker(i, errdir)
                workers[i] = nw
                sel.register(nw.proc.stdout, selectors.EVENT_READ, nw)
                done += 1
                feed(nw)
        if now - last_progress > 60:
            last_progress = now
            print("progress: %d cases, %d findings, %.0f s" % (done, findings, now - t_start), flush=True)
    for w in workers:
        w.proc.stdin.close()
        w.kill()
    el = time.monotonic() - t_start
    print("cases run: %d in %.0f s, findings: %d" % (done, el, findings))
    for k, v in sorted(stats.items(), key=lambda kv: -kv[1])[:40]:
        print("  %6d  %s" % (v, k))
    print("slowest (CPU s, case, bytes):", [(round(a, 3), b, c) for a, b, c in slowest[:5]])


# --------------------------------------------------------------------------
# Replay, minimisation, scaling
# --------------------------------------------------------------------------

def run_isolated(data: bytes, timeout: float) -> str:
    """Records data in a fresh process; answers a symptom signature."""
    p = subprocess.Popen([sys.executable, os.path.abspath(__file__), "--worker"], stdin=subprocess.PIPE,
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        out, err = p.communicate(struct.pack("<I", len(data)) + data, timeout=timeout)
    except subprocess.TimeoutExpired:
        p.kill()
        p.communicate()
        return "hang"
    err = err.decode("utf-8", "replace")
    if "ERROR: AddressSanitizer" in err:
        line = [l for l in err.splitlines() if "ERROR: AddressSanitizer" in l][0]
        return "asan:" + line.split("AddressSanitizer:")[1].split()[0]
    if "runtime error:" in err:
        line = [l for l in err.splitlines() if "runtime error:" in l][0]
        return "ubsan:" + line.split("runtime error:")[1].strip()[:60]
    if p.returncode != 0:
        return "crash:%d" % p.returncode
    fields = out.decode().rstrip("\n").split("\t")
    if len(fields) < 5:
        return "noresult"
    if fields[4]:
        first = fields[4].split(" | ")[0]
        first = first.split(": ", 1)[-1] if first.startswith("cmd ") else first
        return "invariant:" + " ".join(w for w in first.split()[:3] if not any(ch.isdigit() for ch in w))
    return "ok:%s/%s" % (fields[0], fields[1])


def minimize(path: str, timeout: float, target: str | None) -> None:
    data = open(path, "rb").read()
    want = target or run_isolated(data, timeout)
    print("symptom:", want)
    if want.startswith("ok:") and not target:
        print("no symptom to keep")
        return
    chunk = max(1, len(data) // 2)
    while chunk >= 1:
        i = 0
        changed = False
        while i < len(data):
            cand = data[:i] + data[i + chunk:]
            if cand != data and run_isolated(cand, timeout) == want:
                data = cand
                changed = True
            else:
                i += chunk
        if not changed:
            chunk //= 2
    out = path + ".min"
    with open(out, "wb") as f:
        f.write(data)
    print("minimised to %d bytes -> %s" % (len(data), out))
    print(data.decode("utf-8", "replace")[:2000])


def replay(path: str) -> None:
    import _pavrix_svg_core as core
    data = open(path, "rb").read()
    res = core.record_paint_commands_svg(data)
    print(res.status, res.reason_code, len(res.commands))
    for e in check_result(res):
        print("  violation:", e)


SCALE_FAMILIES = {
    "groups": lambda n: "<g>" * min(n, 1000) + "<rect width='1' height='1'/>" * n + "</g>" * min(n, 1000),
    "uses": lambda n: "<defs><path id='p' d='M0 0 L1 1'/></defs>" + "<use href='#p'/>" * n,
    "css_nth": lambda n: "<style>rect:nth-child(2n+1):not(:last-child) { fill: red }</style>" + "<rect width='1' height='1'/>" * n,
    "css_adjacent": lambda n: "<style>rect + rect + rect ~ circle { fill: red }</style>" + "<rect/>" * n + "<circle r='1'/>",
    "css_descendant": lambda n: "<style>g g g rect { fill: red }</style>" + "<g>" * 900 + "<rect/>" * n + "</g>" * 900,
    "css_last_child": lambda n: "<style>rect:last-child, rect:nth-last-child(3), rect:nth-last-of-type(2) { fill: red }</style>" + "<rect/>" * n,
    "css_attr": lambda n: "<style>[id^=a], [class~=x] { fill: red }</style>" + "".join("<rect id='a%d' class='x y'/>" % i for i in range(n)),
    "markers": lambda n: "<marker id='m'><rect width='1' height='1'/></marker><path marker-mid='url(#m)' d='M0 0%s'/>" % (" l1 1" * n),
    "clip_nested": lambda n: "<clipPath id='c'><rect width='5' height='5'/></clipPath>" + "<g clip-path='url(#c)'>" * min(n, 1000) + "<rect/>" * n + "</g>" * min(n, 1000),
    "ids": lambda n: "".join("<rect id='r%d'/>" % i for i in range(n)) + "".join("<use href='#r%d'/>" % (i * 7919 % n) for i in range(n)),
    "deep_use": lambda n: "<defs><g id='d'>" + "<g>" * 1000 + "<rect/>" + "</g>" * 1000 + "</g></defs>" + "<use href='#d'/>" * (n // 100),
    "empty_groups": lambda n: "<g opacity='0.5'>" * min(n, 1000) + "<g opacity='0.5'/>" * n + "</g>" * min(n, 1000),
    "inline_styles": lambda n: "<rect style='%s'/>" % ";".join("fill:red" for _ in range(n)),
    "style_text": lambda n: "<style>" + "".join("<![CDATA[ rect{} ]]>" for _ in range(n)) + "</style>",
    "comments": lambda n: "<style>" + "/* x */" * n + "</style>" + "<!-- c -->" * n,
    "entities": lambda n: "<rect id='%s'/>" % ("&#x41;" * n),
    "class_words": lambda n: "<style>.a {fill:red}</style>" + "<rect class='%s'/>" % " ".join("a%d" % i for i in range(n)),
    "dasharray": lambda n: "<path stroke='red' d='M0 0 L1 1' stroke-dasharray='%s'/>" % " ".join("1" for _ in range(n)),
    "polyline": lambda n: "<polyline stroke='red' points='%s'/>" % " ".join("%d,%d" % (i, i) for i in range(n)),
    "nested_svg": lambda n: "<svg width='1' height='1' overflow='hidden'>" * min(n, 1000) + "<rect/>" * n + "</svg>" * min(n, 1000),
}


def scale(args) -> None:
    import _pavrix_svg_core as core
    families = args.families.split(",") if args.families else list(SCALE_FAMILIES)
    for name in families:
        f = SCALE_FAMILIES[name]
        times = []
        for n in (args.base, args.base * 2, args.base * 4):
            doc = "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'>" + f(n) + "</svg>"
            t0 = time.process_time()
            res = core.record_paint_commands_svg(doc)
            times.append(time.process_time() - t0)
        ratio = times[2] / max(times[0], 1e-4)
        flag = "  <-- superlinear?" if ratio > 8 and times[2] > 0.2 else ""
        print("%-16s %s  %8.3f %8.3f %8.3f  x%.1f%s" % (name, res.status + "/" + res.reason_code, *times, ratio, flag), flush=True)


def main() -> None:
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--worker", action="store_true", help=argparse.SUPPRESS)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--count", type=int, default=10000)
    ap.add_argument("--minutes", type=float, default=10.0)
    ap.add_argument("--jobs", type=int, default=3)
    ap.add_argument("--timeout", type=float, default=20.0, help="wall seconds per case before it counts as a hang")
    ap.add_argument("--slow", type=float, default=2.0, help="CPU seconds per case above which it is saved as slow")
    ap.add_argument("--max-rss-mb", type=int, default=2500)
    ap.add_argument("--out", default="build/fuzz-findings")
    ap.add_argument("--ignore", help="regex: do not save invariant findings whose every message matches it")
    ap.add_argument("--replay")
    ap.add_argument("--minimize")
    ap.add_argument("--symptom", help="symptom signature to keep while minimising")
    ap.add_argument("--print-case", type=int)
    ap.add_argument("--scale", action="store_true")
    ap.add_argument("--families")
    ap.add_argument("--base", type=int, default=5000)
    args = ap.parse_args()
    if args.worker:
        worker_main()
    elif args.replay:
        replay(args.replay)
    elif args.minimize:
        minimize(args.minimize, args.timeout, args.symptom)
    elif args.print_case is not None:
        sys.stdout.buffer.write(make_case(args.seed, args.print_case))
    elif args.scale:
        scale(args)
    else:
        fuzz(args)


if __name__ == "__main__":
    main()
