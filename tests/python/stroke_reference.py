"""Exact stroke outlines built independently of the kernel: sampled primitives, caps, joins and dashes, and the
pen's sweep as convex pieces whose union is the stroke, with the boundary of that union and distances to it."""

import math

import numpy as np

# A path is a list of primitives, each ("arc", cx, cy, rx, ry, rotation, a0, a1), ("line", x0, y0, x1, y1),
# ("quad", x0, y0, x1, y1, x2, y2) or ("cubic", x0, y0, ..., x3, y3), swept with its exact tangent.


def arc(cx, cy, r, a0, a1):
    return ("arc", cx, cy, r, r, 0.0, a0, a1)


def primitive_samples(p, s):
    """Points and unit tangents at parameters s in [0, 1]."""
    if p[0] == "arc":
        _, cx, cy, rx, ry, rotation, a0, a1 = p
        a, f = a0 + (a1 - a0) * s, math.radians(rotation)
        turn = np.array([[math.cos(f), -math.sin(f)], [math.sin(f), math.cos(f)]])
        point = np.stack([rx * np.cos(a), ry * np.sin(a)], 1) @ turn.T + (cx, cy)
        tangent = np.sign(a1 - a0) * np.stack([-rx * np.sin(a), ry * np.cos(a)], 1) @ turn.T
    elif p[0] == "line":
        a, b = np.array(p[1:3], dtype=float), np.array(p[3:5], dtype=float)
        point, tangent = a + s[:, None] * (b - a), np.tile(b - a, (len(s), 1))
    else:
        c = np.array(p[1:], dtype=float).reshape(-1, 2)
        if p[0] == "quad":
            c = np.array([c[0], c[0] + 2 / 3 * (c[1] - c[0]), c[2] + 2 / 3 * (c[1] - c[2]), c[2]])
        t = s[:, None]
        point = (1 - t) ** 3 * c[0] + 3 * (1 - t) ** 2 * t * c[1] + 3 * (1 - t) * t * t * c[2] + t ** 3 * c[3]
        tangent = 3 * ((1 - t) ** 2 * (c[1] - c[0]) + 2 * (1 - t) * t * (c[2] - c[1]) + t * t * (c[3] - c[2]))
        # Toward the nearest distinct control point at the ends.
        tangent[s == 0] = next(q - c[0] for q in c[1:] if np.any(q != c[0]))
        tangent[s == 1] = next(c[3] - q for q in c[2::-1] if np.any(q != c[3]))
    return point, tangent / np.linalg.norm(tangent, axis=1)[:, None]


def svg_path(path, closed):
    def ends(p):
        return primitive_samples(p, np.array([0.0, 1.0]))[0]
    d = "M{} {}".format(*ends(path[0])[0])
    for p in path:
        if p[0] == "arc":
            end = ends(p)[1]
            d += f" A{p[3]} {p[4]} {p[5]} {int(abs(p[7] - p[6]) > math.pi)} {int(p[7] > p[6])} {end[0]} {end[1]}"
        else:
            d += " " + {"line": "L", "quad": "Q", "cubic": "C"}[p[0]] + " " + " ".join(str(v) for v in p[3:])
    return d + (" Z" if closed else "")


def cap_lines(c, o, h, cap, arc_points=4001):
    """Boundary of a cap at point c with outward direction o."""
    normal = np.array([-o[1], o[0]])
    if cap == "butt":
        return [np.array([c + h * normal, c - h * normal])]
    if cap == "square":
        return [np.array([c + h * normal, c + h * normal + h * o, c - h * normal + h * o, c - h * normal])]
    a = np.arctan2(o[1], o[0]) + np.linspace(-math.pi / 2, math.pi / 2, arc_points)
    return [c + h * np.stack([np.cos(a), np.sin(a)], 1)]


def join_lines(v, t_in, t_out, h, join, limit, arc_points=4001):
    """Boundary of a join at v: its outer side; a round join's arc passes ahead of the incoming side (so a path
    turning straight back has a half disc beyond the turn)."""
    cross = t_in[0] * t_out[1] - t_in[1] * t_out[0]
    if abs(cross) < 1e-12 and np.dot(t_in, t_out) > 0:
        return []
    side = 1.0 if cross > 0 else -1.0
    n_in, n_out = side * np.array([t_in[1], -t_in[0]]), side * np.array([t_out[1], -t_out[0]])
    cosine = float(np.dot(t_in, t_out))
    if join == "round":
        start = math.atan2(n_in[1], n_in[0])
        sweep = math.atan2(cross2(n_in, n_out), float(np.dot(n_in, n_out)))
        if math.cos(start + sweep / 2) * t_in[0] + math.sin(start + sweep / 2) * t_in[1] < 0:
            sweep = -sweep
        turn = start + np.linspace(0.0, sweep, arc_points)
        return [v + h * np.stack([np.cos(turn), np.sin(turn)], 1)]
    if join == "miter" and 2 <= limit * limit * (1 + cosine):
        return [np.array([v + h * n_in, v + h * (n_in + n_out) / (1 + cosine), v + h * n_out])]
    return [np.array([v + h * n_in, v + h * n_out])]


def dash_intervals(length, dashes, offset):
    pattern = list(dashes) * (2 if len(dashes) % 2 else 1)
    position, k, out = -(offset % sum(pattern)), 0, []
    while position <= length:
        if k % 2 == 0 and position + pattern[k % len(pattern)] >= 0:
            out.append((max(position, 0.0), min(position + pattern[k % len(pattern)], length)))
        position += pattern[k % len(pattern)]
        k += 1
    return out


def distances_to(vertices, lines):
    best = np.full(len(vertices), np.inf)
    for line in lines:
        a, b = line[:-1], line[1:]
        ab = b - a
        t = np.clip(((vertices[:, None, :] - a) * ab).sum(2) / np.maximum((ab * ab).sum(1), 1e-300), 0, 1)
        d = np.linalg.norm(vertices[:, None, :] - (a + t[..., None] * ab), axis=2).min(1)
        best = np.minimum(best, d)
    return best


# The pen's sweep. Steps turn the pen by at most `turn`; the offsets' chords then stay within (r + h)·turn²/8.
REFERENCE_ERROR = 0.02  # of the tolerance: what the reference's chords may leave out


def turn_for(width_mm, tolerance_mm):
    """Step angle whose chords stay within REFERENCE_ERROR·tolerance on a print width_mm wide."""
    return math.sqrt(8 * REFERENCE_ERROR * tolerance_mm / width_mm)


ARC_TABLE = 4097  # samples per primitive for arc length; chord error ~ (turn / 4096)^2 / 24 of the length
REFINE_ROUNDS = 60
TURN_NOISE = 1e-12  # radians: a step turning less has no sense of turn worth a stop (a straight cubic's rounding)


def cross2(a, b):
    return a[..., 0] * b[..., 1] - a[..., 1] * b[..., 0]


def pen_steps(p, u0, u1, step, turn_limit, h):
    """Points and tangents in [u0, u1] whose pens turn by at most turn_limit (as unoriented segments) and move
    by at most step, and where each of the pen's ends and its turning point moves by so little per step that
    its track's chords stay within what the turn limit allows on the pen's width."""
    if u1 == u0:
        return primitive_samples(p, np.array([u0]))
    sagitta = turn_limit * turn_limit * 2 * h
    u = np.linspace(u0, u1, 33)
    for _ in range(REFINE_ROUNDS):
        q, t = primitive_samples(p, u)
        # The path's own turn, not the pen's as a segment: where the path turns back within a step the pen
        # turns half round about the tip, and sweeps it.
        turn = np.abs(np.arctan2(cross2(t[:-1], t[1:]), (t[:-1] * t[1:]).sum(1)))
        n = matched_normals(np.stack([-t[:, 1], t[:, 0]], 1))
        moved = np.maximum(np.linalg.norm(np.diff(q + h * n, axis=0), axis=1),
                           np.linalg.norm(np.diff(q - h * n, axis=0), axis=1))
        x, crosses = turning_points(q, n, h)
        pivot = np.zeros(len(turn))
        both = crosses[:-1] & crosses[1:]
        shift = np.linalg.norm(np.diff(x, axis=0), axis=1)
        pivot[:-1] = np.where(both, np.maximum(pivot[:-1], shift), pivot[:-1])
        pivot[1:] = np.where(both, np.maximum(pivot[1:], shift), pivot[1:])
        # Where the pen stops turning one way and turns back, its last pen may bound the union: the steps on
        # both sides are cut until the pen's ends move by no more than the chords' error.
        sense = np.where(turn > TURN_NOISE, np.sign(cross2(n[:-1], n[1:])), 0.0)
        stop = np.zeros(len(turn), bool)
        reverses = sense[:-1] * sense[1:] < 0
        stop[:-1] |= reverses
        stop[1:] |= reverses
        bad = (turn > turn_limit) | (np.linalg.norm(np.diff(q, axis=0), axis=1) > step) | \
            (np.maximum(moved, pivot) * turn > sagitta) | (stop & (moved > sagitta))
        if not bad.any():
            break
        u = np.sort(np.concatenate([u, (u[:-1][bad] + u[1:][bad]) / 2]))
    return q, t


def matched_normals(n):
    """Unit normals flipped through cusps: the pen is a segment, so neighbouring pens' ends stay matched."""
    flip = np.concatenate([[1.0], np.where((n[:-1] * n[1:]).sum(1) < 0, -1.0, 1.0)]).cumprod()
    return n * flip[:, None]


def turning_points(q, n, h):
    """Where neighbouring pens q ± h·n cross within both, and whether they do."""
    det = -cross2(n[:-1], n[1:])
    rhs = q[1:] - q[:-1]
    with np.errstate(divide="ignore", invalid="ignore"):
        s = cross2(rhs, -n[1:]) / det
        r = cross2(n[:-1], rhs) / det
    crosses = (np.abs(det) > 1e-15) & (np.abs(s) < h) & (np.abs(r) < h)
    return q[:-1] + np.where(crosses, s, 0.0)[:, None] * n[:-1], crosses


class Pieces:
    """Convex pieces (four vertices p0..p3; a triangle repeats a vertex) and the segments that may bound their
    union."""

    def __init__(self):
        self.polygons, self.edges = [], []

    def add(self, polygons, edges):
        self.polygons.append(np.asarray(polygons, dtype=float).reshape(-1, 4, 2))
        self.edges.append(np.asarray(edges, dtype=float).reshape(-1, 2, 2))

    def fan(self, center, line):
        """Triangles from center over a polyline; the polyline bounds them."""
        a, b = line[:-1], line[1:]
        c = np.broadcast_to(center, a.shape)
        self.add(np.stack([c, c, b, a], 1), np.stack([a, b], 1))

    def strips(self, length):
        """The pieces counter-clockwise, cut into strips across the rails p0-p3 and p1-p2 no longer than length,
        so that a grid cell meets few of them."""
        polygons = np.concatenate(self.polygons)
        area = cross2(polygons, np.roll(polygons, -1, axis=1)).sum(1)
        scale = max(np.abs(polygons).max(initial=0.0), 1.0)
        polygons = polygons[np.abs(area) > 1e-24 * scale * scale]
        area = area[np.abs(area) > 1e-24 * scale * scale]
        polygons[area < 0] = polygons[area < 0][:, [1, 0, 3, 2]]
        # A quad whose pens cross just beyond one of them turns in at a corner: it becomes two triangles, cut
        # along the diagonal that stays inside.
        edges = np.roll(polygons, -1, axis=1) - polygons
        reflex = (cross2(edges, np.roll(edges, -1, axis=1)) < 0).any(1)
        q = polygons[reflex]
        across = np.sign(cross2(q[:, 2] - q[:, 0], q[:, 1] - q[:, 0])) != np.sign(cross2(q[:, 2] - q[:, 0],
                                                                                        q[:, 3] - q[:, 0]))
        first = np.where(across[:, None, None], q[:, [0, 1, 2, 2]], q[:, [1, 2, 3, 3]])
        second = np.where(across[:, None, None], q[:, [0, 2, 3, 3]], q[:, [1, 3, 0, 0]])
        polygons = np.concatenate([polygons[~reflex], first, second])
        rails = np.maximum(np.linalg.norm(polygons[:, 3] - polygons[:, 0], axis=1),
                           np.linalg.norm(polygons[:, 2] - polygons[:, 1], axis=1))
        parts = np.maximum(np.ceil(rails / length), 1).astype(np.int64)
        owner = np.repeat(np.arange(len(polygons)), parts)
        f0 = (np.arange(len(owner)) - np.repeat(np.cumsum(parts) - parts, parts)) / parts[owner]
        f1 = f0 + 1 / parts[owner]
        p = polygons[owner]

        def along(f, i, j):  # a strip's far end is the rail's end itself: an edge of no length stays one
            return (1 - f[:, None]) * p[:, i] + f[:, None] * p[:, j]
        out = np.stack([along(f0, 0, 3), along(f0, 1, 2), along(f1, 1, 2), along(f1, 0, 3)], 1)
        area = cross2(out, np.roll(out, -1, axis=1)).sum(1)
        return out[area > 1e-24 * scale * scale]

    def sweep(self, q, n, h):
        """Pieces swept by the pens q ± h·n between neighbours: a quad, or two triangles meeting where the pens
        cross (the pen turns about a point of itself)."""
        # The end pens may bound the union, and so may the pens where the path turns back on itself (a cusp)
        # and those where the pen stops turning one way and turns back (beside a near cusp the pen turns not
        # quite half round, and the last pen of each way bounds the wedge it leaves out).
        turns_back = np.flatnonzero((n[:-1] * n[1:]).sum(1) < 0)
        n = matched_normals(n)
        turn = np.sign(cross2(n[:-1], n[1:]))
        stops = np.flatnonzero(turn[:-1] * turn[1:] < 0) + 1
        a, d = q + h * n, q - h * n
        self.edges.append(np.stack([a, d], 1)[np.unique(np.concatenate([[0, len(q) - 1], turns_back,
                                                                          turns_back + 1, stops]))])
        if len(q) < 2:
            return
        x, crosses = turning_points(q, n, h)
        self.add(np.stack([a[:-1], a[1:], d[1:], d[:-1]], 1)[~crosses],
                 np.concatenate([np.stack([a[:-1], a[1:]], 1), np.stack([d[:-1], d[1:]], 1)]))
        self.add(np.concatenate([np.stack([a[:-1], a[1:], x, x], 1)[crosses],
                                 np.stack([d[:-1], d[1:], x, x], 1)[crosses]]), [])
        # Between two crossings the pen's turning point moves along the pen: that stretch may bound the union;
        # where only one neighbour crosses, the stretch runs from the crossing to the nearer end of the pen.
        before, after = crosses[:-1], crosses[1:]
        pen_a, pen_d = a[1:-1], d[1:-1]

        def nearer_end(p):
            return np.where((np.linalg.norm(pen_a - p, axis=1) < np.linalg.norm(pen_d - p, axis=1))[:, None], pen_a,
                            pen_d)
        edges = [np.stack([x[:-1], x[1:]], 1)[before & after],
                 np.stack([x[:-1], nearer_end(x[:-1])], 1)[before & ~after],
                 np.stack([x[1:], nearer_end(x[1:])], 1)[~before & after]]
        self.edges.append(np.concatenate(edges))


STRIPS_ACROSS = 64  # strips per extent of the stroke: thin pieces of a fan meet few grid cells
STEPS_ALONG = 256  # pens per path length at least: also short steps where the path barely turns


def sweep_pieces(subpaths, width, cap, join, limit, dashes=None, offset=0.0, turn=turn_for(400, 0.01)):
    """Pieces whose union is the exact stroke of the subpaths (each a (path, closed) pair), and the edges that
    may bound it."""
    h, pieces = width / 2, Pieces()
    step = None
    arc_points = int(math.pi / turn) + 2
    for path, closed in subpaths:
        tables = []
        for p in path:
            u = np.linspace(0.0, 1.0, ARC_TABLE)
            q, _ = primitive_samples(p, u)
            tables.append((u, np.concatenate([[0.0], np.cumsum(np.linalg.norm(np.diff(q, axis=0), axis=1))])))
        starts = np.cumsum([0.0] + [s[-1] for _, s in tables])
        total = starts[-1]
        step = step or max(total, width) / STEPS_ALONG
        intervals = dash_intervals(total, dashes, offset) if dashes else [(0.0, total)]
        wrap = closed and intervals[0][0] == 0 and intervals[-1][1] == total

        def spans(s0, s1):
            out = []
            for k, (u, s) in enumerate(tables):
                lo, hi = max(s0, starts[k]), min(s1, starts[k + 1])
                if hi > lo or (s0 == s1 and lo == hi and not out):
                    out.append((k, np.interp(lo - starts[k], s, u), np.interp(hi - starts[k], s, u)))
            return out
        runs = [spans(s0, s1) for s0, s1 in intervals]
        if wrap and len(runs) > 1:  # the dash across the start is one run, with a join at the start
            runs, wrap = [runs[-1] + runs[0]] + runs[1:-1], False
        for n, run in enumerate(runs):
            pens = [pen_steps(path[k], u0, u1, step, turn, h) for k, u0, u1 in run]
            for q, t in pens:
                pieces.sweep(q, np.stack([-t[:, 1], t[:, 0]], 1), h)
            corners = list(zip(pens[:-1], pens[1:]))
            if wrap and n == 0:
                corners.append((pens[-1], pens[0]))
            for (q0, t0), (_, t1) in corners:
                for line in join_lines(q0[-1], t0[-1], t1[0], h, join, limit, arc_points):
                    pieces.fan(q0[-1], line)
            if not (wrap and n == 0) and cap != "butt":  # a butt end is the end pen, already there
                for point, outward in ((pens[0][0][0], -pens[0][1][0]), (pens[-1][0][-1], pens[-1][1][-1])):
                    for line in cap_lines(point, outward, h, cap, arc_points):
                        pieces.fan(point, line)
    polygons = np.concatenate(pieces.polygons)
    extent = np.ptp(polygons.reshape(-1, 2), axis=0).max()
    return pieces.strips(extent / STRIPS_ACROSS), np.concatenate(pieces.edges)


class Cells:
    """A uniform grid over boxes, for finding the boxes near points without comparing all pairs."""

    def __init__(self, lo, hi, size):
        self.size = size
        self.origin = np.asarray(lo, dtype=float)
        self.shape = np.maximum(np.ceil((np.asarray(hi) - self.origin) / size).astype(np.int64), 1) + 1

    def index(self, points):
        c = np.floor((points - self.origin) / self.size).astype(np.int64)
        return np.clip(c, 0, self.shape - 1)

    def register(self, lo, hi):
        """Cells of every box: (cell ids, box ids) sorted by cell, with the start of every cell's run."""
        a, b = self.index(lo), self.index(hi)
        counts = (b - a + 1).prod(1)
        box = np.repeat(np.arange(len(lo)), counts)
        rank = np.arange(len(box)) - np.repeat(np.cumsum(counts) - counts, counts)
        nx = (b - a + 1)[box, 0]
        cell = (a[box, 0] + rank % nx) * self.shape[1] + a[box, 1] + rank // nx
        order = np.argsort(cell, kind="stable")
        cell, box = cell[order], box[order]
        bounds = np.searchsorted(cell, np.arange(self.shape.prod() + 1))
        return box, bounds

    def pairs(self, points, registered, reach=0):
        """(point ids, box ids) of the boxes registered in the cells within reach of each point's cell."""
        box, bounds = registered
        c = self.index(points)
        ids, found = [], []
        for dx in range(-reach, reach + 1):
            for dy in range(-reach, reach + 1):
                cx, cy = c[:, 0] + dx, c[:, 1] + dy
                ok = (cx >= 0) & (cx < self.shape[0]) & (cy >= 0) & (cy < self.shape[1])
                cell = np.where(ok, cx * self.shape[1] + cy, 0)
                count = np.where(ok, bounds[cell + 1] - bounds[cell], 0)
                point = np.repeat(np.arange(len(points)), count)
                rank = np.arange(len(point)) - np.repeat(np.cumsum(count) - count, count)
                ids.append(point)
                found.append(box[bounds[cell][point] + rank])
        return np.concatenate(ids), np.concatenate(found)


class Coverage:
    """Strict point-in-piece tests through a grid (a repeated vertex leaves an edge of no length)."""

    def __init__(self, polygons, cell):
        self.polygons, self.edges = polygons, np.roll(polygons, -1, axis=1) - polygons
        self.zero = (self.edges == 0).all(2)
        self.cells = Cells(polygons.reshape(-1, 2).min(0), polygons.reshape(-1, 2).max(0), cell)
        self.registered = self.cells.register(polygons.min(1), polygons.max(1))

    def __call__(self, points, chunk=1 << 20):
        return strictly_covered(points, self, chunk)


def strictly_covered(points, coverage, chunk):
    """Tests the pieces of each point's cell in growing batches; a point leaves once a piece covers it."""
    box, bounds = coverage.registered
    cell = coverage.cells.index(points)
    cell = cell[:, 0] * coverage.cells.shape[1] + cell[:, 1]
    out = np.zeros(len(points), dtype=bool)
    live, at, batch = np.arange(len(points)), bounds[cell], 8
    while len(live):
        take = np.minimum(bounds[cell[live] + 1] - at[live], batch)
        i = np.repeat(np.arange(len(live)), take)
        j = box[np.repeat(at[live], take) + np.arange(len(i)) - np.repeat(np.cumsum(take) - take, take)]
        v, e, zero = coverage.polygons[j], coverage.edges[j], coverage.zero[j]
        inside = ((cross2(e, points[live[i]][:, None, :] - v) > 0) | zero).all(1)
        hit = np.zeros(len(live), dtype=bool)
        hit[i[inside]] = True
        out[live[hit]] = True
        at[live] += take
        live = live[~hit & (at[live] < bounds[cell[live] + 1])]
        batch = min(batch * 2, max(chunk // max(len(live), 1), 8))
    return out


def segment_distances(points, segments, size=None, chunk=1 << 21):
    """Distance from every point to the nearest segment (an (n, 2, 2) array), through a grid; points farther
    than a cell from every segment are looked up again on a coarser grid."""
    extent = np.concatenate([points, segments.reshape(-1, 2)])
    lo, hi = extent.min(0), extent.max(0)
    lengths = np.linalg.norm(segments[:, 1] - segments[:, 0], axis=1)
    size = size or max(np.max(hi - lo) / 1024, np.median(lengths), 1e-300)
    pieces = np.maximum(np.ceil(lengths / size).astype(np.int64), 1)
    owner = np.repeat(np.arange(len(segments)), pieces)
    f = (np.arange(len(owner)) - np.repeat(np.cumsum(pieces) - pieces, pieces))[:, None]
    a, b = segments[owner, 0], segments[owner, 1]
    split = np.stack([a + (b - a) * f / pieces[owner, None], a + (b - a) * (f + 1) / pieces[owner, None]], 1)
    cells = Cells(lo, hi, size)
    ids, found = cells.pairs(points, cells.register(split.min(1), split.max(1)), reach=1)
    best = np.full(len(points), np.inf)
    for k in range(0, len(ids), chunk):
        i, j = ids[k:k + chunk], found[k:k + chunk]
        a, ab = split[j, 0], split[j, 1] - split[j, 0]
        t = np.clip(((points[i] - a) * ab).sum(1) / np.maximum((ab * ab).sum(1), 1e-300), 0, 1)
        np.minimum.at(best, i, np.linalg.norm(points[i] - (a + t[:, None] * ab), axis=1))
    far = best > size
    if far.any():
        best[far] = segment_distances(points[far], segments, size * 8, chunk)
    return best


BISECTIONS = 30
END_OFFSET = 1e-6  # of an edge's length: samples stand off the shared vertices
# Of the extent: how far beside an edge its sides are probed, off the cracks where thin pieces meet.
SIDE_OFFSET = 1e-12


def union_boundary(polygons, edges, feature=0.0, spacing=None):
    """Segments of the union's boundary: the parts of the candidate edges with a side left uncovered, just
    beside them and one and two `feature` away (the steps leave slivers near a fold's turning points, of a
    width the steps' turn squared times the turning point's speed: they are no boundary). Edges are probed
    at most `spacing` apart (default: a 512th of the extent): a hole shorter than that along an edge whose
    probes are all covered goes unseen."""
    lengths = np.linalg.norm(edges[:, 1] - edges[:, 0], axis=1)
    edges, lengths = edges[lengths > 0], lengths[lengths > 0]
    lo, hi = polygons.reshape(-1, 2).min(0), polygons.reshape(-1, 2).max(0)
    extent = np.max(hi - lo)
    covered = Coverage(polygons, extent / 128)
    # Samples next to both ends (a vertex is shared, its sides ambiguous) and along long edges; where two
    # neighbours disagree the change is found by bisection.
    count = np.maximum(np.ceil(lengths / min(spacing or extent, extent / 512)), 1).astype(int) + 1
    owner = np.repeat(np.arange(len(edges)), count)
    rank = np.arange(len(owner)) - np.repeat(np.cumsum(count) - count, count)
    t = END_OFFSET + (1 - 2 * END_OFFSET) * rank / (count[owner] - 1)
    a, ab = edges[:, 0], edges[:, 1] - edges[:, 0]
    unit = np.stack([-ab[:, 1], ab[:, 0]], 1) / lengths[:, None]

    def open_side(p, i, side):
        out = np.ones(len(p), dtype=bool)
        for reach in [extent * SIDE_OFFSET] + ([feature, 2 * feature] if feature > 0 else []):
            out[out] = ~covered(p[out] + side * reach * unit[i][out])
        return out

    def bounding(i, t):
        p = a[i] + t[:, None] * ab[i]
        out = open_side(p, i, 1)
        out[~out] = open_side(p[~out], i[~out], -1)
        return out
    keep = bounding(owner, t)
    pair = np.flatnonzero(owner[:-1] == owner[1:])
    t0, t1 = t[pair], t[pair + 1]
    change = keep[pair] != keep[pair + 1]
    x0, x1, i = t0[change], t1[change], owner[pair][change]
    for _ in range(BISECTIONS):
        mid = (x0 + x1) / 2
        same = bounding(i, mid) == keep[pair][change]
        x0, x1 = np.where(same, mid, x0), np.where(same, x1, mid)
    t0[change & ~keep[pair]] = ((x0 + x1) / 2)[~keep[pair][change]]
    t1[change & keep[pair]] = ((x0 + x1) / 2)[keep[pair][change]]
    spans = [(pair, t0, t1, keep[pair] | keep[pair + 1])]
    first, last = np.cumsum(count) - count, np.cumsum(count) - 1
    spans += [(first, np.zeros(len(first)), t[first], keep[first]), (last, t[last], np.ones(len(last)), keep[last])]
    out = []
    for k, lo_t, hi_t, kept in spans:
        kept &= (hi_t - lo_t) * lengths[owner[k]] > extent * 1e-7  # a sample on a crack between pieces
        j = owner[k][kept]
        out.append(np.stack([a[j] + lo_t[kept, None] * ab[j], a[j] + hi_t[kept, None] * ab[j]], 1))
    return np.concatenate(out)


def densify(segments, spacing):
    lengths = np.linalg.norm(segments[:, 1] - segments[:, 0], axis=1)
    parts = np.maximum(np.ceil(lengths / spacing), 1).astype(int)
    owner = np.repeat(np.arange(len(segments)), parts)
    f = (np.arange(len(owner)) - np.repeat(np.cumsum(parts) - parts, parts)) / parts[owner]
    a, b = segments[owner, 0], segments[owner, 1]
    return np.concatenate([a + (b - a) * f[:, None], segments[:, 1]])


def ring_segments(collection, origin, unit):
    """Edges of every ring of a geometry collection, in source units."""
    points = np.asarray(collection.coordinates, dtype=np.float64).reshape(-1, 2) * unit + origin
    offsets = np.asarray(collection.ring_offsets, dtype=np.int64)
    rings = [points[offsets[k]:offsets[k + 1]] for k in range(len(offsets) - 1)]
    edges = [np.stack([r[:-1], r[1:]], 1) for r in rings if len(r) > 1]
    return rings, (np.concatenate(edges) if edges else np.zeros((0, 2, 2)))


def boundary_distances(printed, exact, spacing, loose=None):
    """Hausdorff distances between two boundaries given as segments: (printed to exact, exact to printed); the
    printed points may be held against a looser exact boundary (one that keeps the narrowest features)."""
    if len(printed) == 0:
        return math.inf, math.inf
    return (segment_distances(densify(printed, spacing), exact if loose is None else loose).max(),
            segment_distances(densify(exact, spacing), printed).max())


SLIT_TURN = math.radians(179.5)


def slits(rings, min_edge):
    """Ring vertices where the ring turns back on itself between two edges of at least min_edge."""
    rings = [r[:-1] for r in rings if len(r) > 3]
    if not rings:
        return 0
    points = np.concatenate(rings)
    sizes = np.array([len(r) for r in rings])
    start = np.repeat(np.cumsum(sizes) - sizes, sizes)
    rank = np.arange(len(points)) - start
    size = np.repeat(sizes, sizes)
    e_in = points - points[start + (rank - 1) % size]
    e_out = points[start + (rank + 1) % size] - points
    turn = np.abs(np.arctan2(cross2(e_in, e_out), (e_in * e_out).sum(1)))
    long = (np.linalg.norm(e_in, axis=1) >= min_edge) & (np.linalg.norm(e_out, axis=1) >= min_edge)
    return int(((turn > SLIT_TURN) & long).sum())


R_LENS = 5 / math.sin(math.radians(20))


def lens(x, y):
    """Two arcs meeting at 40 degrees, from (x, y) to (x + 10, y) and back."""
    return [arc(x + 5, y + R_LENS * math.cos(math.radians(20)), R_LENS, math.radians(-110), math.radians(-70)),
            arc(x + 5, y - R_LENS * math.cos(math.radians(20)), R_LENS, math.radians(70), math.radians(110))]
