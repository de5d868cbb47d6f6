#!/usr/bin/python3
"""Draws response graphs of loudspeaker curves as other plotting programs do (matplotlib, gnuplot),
in the styles of data sheets, reviews and scans, each with the truth the tracer is judged against.

For each picture it writes, per traced curve, a .json (name, picture, width, height, kind, ohm_scale,
freq_refs, level_refs, start, stop, points, truth, pick_hz, note) and a .truth.txt (frequency, value,
and where that point lies on the picture as drawn, in continuous pixels: pixel i spans [i, i + 1]).
Reference positions are those of the picture's grid lines where they cross its middle.

usage: tools/make_graph_pictures.py OUTDIR [--count N] [--seed S] [--styles a,b,...]
(styles: those in STYLES, the default, and EXTRA_STYLES: jagged, a raw measurement's teeth)
Needs python3-matplotlib, python3-numpy, python3-pil and gnuplot (Debian packages).
"""
import argparse
import json
import math
import os
import random
import subprocess
import tempfile

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402
from PIL import Image  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLES = os.path.join(HERE, "..", "examples")
F = np.logspace(1, math.log10(40000), 3000)  # the frequencies every curve is known at


# --- curves ---------------------------------------------------------------------------------------

def read_example(name):
    rows = []
    for line in open(os.path.join(EXAMPLES, name), encoding="latin-1"):
        parts = line.replace(",", " ").split()
        try:
            rows.append((float(parts[0]), float(parts[1])))
        except (ValueError, IndexError):
            continue
    f, v = np.array(rows).T
    # Extended flat beyond the file's range, then smoothed a little as plotting programs draw them.
    return np.interp(np.log10(F), np.log10(f), v)


def ripple(rng, amount):
    x = np.log10(F)
    y = np.zeros_like(x)
    for _ in range(4):
        y += rng.uniform(-amount, amount) * np.sin(2 * math.pi * rng.uniform(0.8, 4.0) * x + rng.uniform(0, 6.3))
    return y


def spl_model(rng):
    s = 2j * math.pi * F
    kind = rng.choice(["closed", "vented", "fullrange"])
    level = rng.uniform(80, 94)
    if kind == "tweeter":
        wc = 2 * math.pi * rng.uniform(700, 2200)
        h = (s / wc) ** 3 / ((s / wc + 1) * ((s / wc) ** 2 + s / wc / rng.uniform(0.6, 1.2) + 1))
    else:
        wc = 2 * math.pi * rng.uniform(30, 90)
        q = rng.uniform(0.5, 1.1)
        h = (s / wc) ** 2 / ((s / wc) ** 2 + s / wc / q + 1)
        if kind == "vented":
            h = h * (s / wc) ** 2 / ((s / wc) ** 2 + s / wc / rng.uniform(0.5, 0.9) + 1)
        wl = 2 * math.pi * rng.uniform(2500, 9000)
        h = h / ((s / wl) ** 2 + s / wl / rng.uniform(0.5, 0.9) + 1)
        if kind == "fullrange":
            h = h * (1 + 0 * s)
        # A cone break-up: a peak and the dip after it.
        wp = 2 * math.pi * rng.uniform(2500, 12000)
        g = rng.uniform(1.5, 3.0)
        qp = rng.uniform(2, 6)
        h = h * ((s / wp) ** 2 + g * s / wp / qp + 1) / ((s / wp) ** 2 + s / wp / qp + 1)
    # The baffle step.
    wb = 2 * math.pi * rng.uniform(250, 900)
    h = h * (1 + s / wb * 2) / (1 + s / wb)
    return level + 20 * np.log10(np.abs(h)) - 6 + ripple(rng, rng.uniform(0.1, 0.6))


def impedance_model(rng):
    w = 2 * math.pi * F
    re = rng.uniform(3, 7)
    le = rng.uniform(0.05, 0.8) * 1e-3
    n = rng.uniform(0.55, 0.85)
    z = re + le * (1j * w) ** n * (2 * math.pi * 1000) ** (1 - n)
    for _ in range(rng.choice([1, 1, 2])):
        fs = rng.uniform(18, 110)
        qms = rng.uniform(2, 8)
        qes = rng.uniform(0.3, 0.9)
        res = re * qms / qes * rng.uniform(0.4, 1.0)
        z = z + res / (1 + 1j * qms * (F / fs - fs / F))
    return np.abs(z)


def curve(rng, kind):
    if kind == "spl":
        if rng.random() < 0.3:
            name = rng.choice(["woofer-24ppo.frd", "tweeter-tab-2col.frd", "comma-delimited-96ppo.frd"])
            return read_example(name) + rng.uniform(-5, 5) + ripple(rng, 0.2), name
        return spl_model(rng), "model"
    if rng.random() < 0.3:
        name = rng.choice(["woofer-48ppo.zma", "midrange-2col.zda"])
        return read_example(name) * rng.uniform(0.8, 1.3), name
    return impedance_model(rng), "model"


# --- pictures -------------------------------------------------------------------------------------

def value_range(values, kind, scale, rng):
    """Axis limits and two reference values on grid lines within them."""
    band = (F >= 20) & (F <= 20000)
    lo, hi = values[band].min(), values[band].max()
    if kind == "spl":
        step = rng.choice([5, 10])
        bottom = math.floor((lo - rng.uniform(2, 15)) / step) * step
        top = math.ceil((hi + rng.uniform(3, 15)) / step) * step
        ticks = list(range(int(bottom), int(top) + 1, step))
        refs = sorted(rng.sample(ticks[1:-1] if len(ticks) > 3 else ticks, 2))
        return (bottom, top), ticks, refs
    if scale == "log":
        bottom = rng.choice([1, 2]) if lo > 2.2 else 1
        top = 10 ** math.ceil(math.log10(hi * 1.3))
        ticks = [v for v in (1, 2, 5, 10, 20, 50, 100, 200, 500, 1000) if bottom <= v <= top]
        refs = sorted(rng.sample([v for v in ticks if v > 1], 2))
        return (bottom, top), ticks, refs
    step = rng.choice([5, 10]) if hi < 80 else 20
    top = math.ceil((hi * rng.uniform(1.05, 1.3)) / step) * step
    ticks = list(range(0, int(top) + 1, step))
    refs = sorted(rng.sample(ticks[1:], 2))
    return (0, top), ticks, refs


class Drawn:
    """A picture and, per traced curve, where its data lies on it."""

    def __init__(self):
        self.curves = []  # (kind, scale, values, to_pixels, freq_refs, level_refs, label, pick candidates)


def mpl_picture(path, rng, style, jpeg_quality):
    """Draws a matplotlib graph of one or more curves in `style`; returns the traced curves' truth."""
    dark = style == "dark"
    plt.rcdefaults()
    if dark:
        plt.style.use("dark_background")
    width = rng.choice([400, 520, 640, 750, 900, 1100, 1400, 1800, 2400, 3000])
    aspect = rng.uniform(1.4, 2.1)
    dpi = rng.choice([72, 80, 100, 120, 150, 200]) if width >= 900 else rng.choice([60, 72, 80, 100])
    fig = plt.figure(figsize=(width / dpi, width / aspect / dpi), dpi=dpi)
    ax = fig.add_subplot(111)
    two_scales = style == "twoscale"
    kinds = ["spl"]
    if style in ("ohmlin", "ohmlog") or (style in ("crossing", "colour", "dashed", "markers") and rng.random() < 0.4):
        kinds = ["ohm"]
    if two_scales:
        kinds = ["spl", "ohm"]
    scale = "log" if style == "ohmlog" or (kinds[-1] == "ohm" and rng.random() < 0.5) else "lin"
    if kinds == ["spl"] and style in ("ohmlin", "ohmlog"):
        scale = "lin"
    lw_scale = rng.uniform(0.8, 2.2)
    black = style in ("datasheet", "twoscale", "labels") and rng.random() < 0.75
    palette = ["#1f77b4", "#d62728", "#2ca02c", "#ff7f0e", "#9467bd", "#000000", "#8c564b", "#17becf"]
    if dark:
        palette = ["#ffdd00", "#00e5ff", "#ff4fd8", "#7CFC00", "#ffffff", "#ff8c00"]
    curves = []
    axes = [ax]
    if two_scales:
        axes.append(ax.twinx())
    count = 1
    if style in ("crossing", "samecolour", "dark", "labels"):
        count = rng.choice([2, 2, 3])
    for i, kind in enumerate(kinds):
        a = axes[i]
        main, source = curve(rng, kind)
        if style == "jagged":
            # A raw measurement, unsmoothed: teeth a few per third of an octave, up to a few dB.
            teeth = np.random.default_rng(rng.randrange(2 ** 31))
            knots = int(rng.uniform(120, 400))
            amount = rng.uniform(0.3, 1.2) * (1 if kind == "spl" else 0.01 * np.median(main))
            main = main + np.interp(np.log10(F), np.linspace(1, math.log10(40000), knots), teeth.normal(0, amount, knots))
            source += ", jagged"
        values = [main]
        for _ in range(count - 1 if not two_scales else 0):
            other, _ = curve(rng, kind)
            # Shifted so that it crosses the main one.
            values.append(other - np.median(other[(F > 200) & (F < 2000)]) + np.median(main[(F > 200) & (F < 2000)])
                          if kind == "spl" else other * np.median(main) / np.median(other))
        allv = np.concatenate([v[(F >= 20) & (F <= 20000)] for v in values])
        (bottom, top), ticks, refs = value_range(main, kind, scale, rng)
        if kind == "spl":
            bottom = min(bottom, math.floor(allv.min() / 5) * 5 - 5)
            top = max(top, math.ceil(allv.max() / 5) * 5 + 5)
            step = 5 if top - bottom <= 45 else 10 if top - bottom <= 100 else 20
            bottom = math.floor(bottom / step) * step
            top = math.ceil(top / step) * step
            ticks = list(range(int(bottom), int(top) + 1, step))
            refs = sorted(rng.sample(ticks[1:-1] if len(ticks) > 3 else ticks, 2))
        a.set_ylim(bottom, top)
        if kind == "ohm" and scale == "log":
            a.set_yscale("log")
            a.set_yticks(ticks)
            a.set_yticklabels([str(t) for t in ticks])
        else:
            a.set_yticks(ticks)
        for j, v in enumerate(values):
            if black:
                colour = "#000000" if (j == 0 or style == "samecolour") else rng.choice(["#555555", "#000000"])
            elif style == "samecolour":
                colour = palette[0]
            else:
                colour = palette[(j + i * 3 + rng.randrange(len(palette))) % len(palette)] if j > 0 else \
                    palette[rng.randrange(len(palette))]
            if two_scales and i == 1 and not black:
                colour = rng.choice([c for c in palette if c != curves[0][2]])
            lw = lw_scale * rng.choice([0.8, 1.0, 1.5, 2.0, 2.5]) * (1.6 if j == 0 and style == "crossing" else 1)
            ls = "-"
            if style == "dashed" and j == 0:
                ls = rng.choice(["--", "-.", ":", (0, (6, 2)), (0, (3, 1, 1, 1))])
            elif (style == "samecolour" or two_scales) and (j == 1 or i == 1):
                ls = rng.choice(["--", ":", "-."]) if (black or style == "samecolour") else "-"
            kw = {}
            if style == "markers" and j == 0:
                kw = dict(marker=rng.choice(["o", "s", "^", "x", "+", "D"]), markevery=rng.randrange(60, 200),
                          markersize=rng.uniform(3, 7), markerfacecolor=rng.choice(["none", colour]))
            (line,) = a.semilogx(F, v, color=colour, lw=lw, ls=ls, label=rng.choice(
                ["on axis", "30 deg", "free air", "vented box", "sealed", "driver A", "measured"]) + str(j), **kw)
            curves.append((kind, scale if kind == "ohm" else None, colour, v, a, refs, j == 0, line, source, ls))
    lo_f = rng.choice([10, 20, 20, 20])
    hi_f = rng.choice([20000, 20000, 40000]) if lo_f == 20 else rng.choice([20000, 40000])
    ax.set_xlim(lo_f, hi_f)
    # Grids: data-sheet black majors with grey minors, or grey, dashed or dotted ones.
    gcol = "#000000" if black else rng.choice(["#b0b0b0", "#cccccc", "#888888", "#dddddd"])
    if dark:
        gcol = rng.choice(["#555555", "#777777", "#444444"])
    gls = rng.choice(["-", "-", "-", "--", ":"])
    glw = rng.choice([0.5, 0.8, 1.0]) * (dpi / 100) ** 0.5
    ax.grid(True, which="major", color=gcol, lw=glw, ls=gls)
    ax.grid(True, which="minor", axis="x", color=rng.choice(["#aaaaaa", "#cccccc", "#999999"]) if not dark else "#333333",
            lw=glw * 0.7, ls=gls)
    ax.set_axisbelow(rng.random() < 0.5)
    ax.set_xlabel("Frequency (Hz)")
    ax.set_ylabel("SPL (dB)" if kinds[0] == "spl" else "Impedance (ohm)")
    if two_scales:
        axes[1].set_ylabel("Impedance (ohm)")
    legend = None
    if style in ("crossing", "samecolour", "dark", "twoscale") or rng.random() < 0.2:
        handles = [c[7] for c in curves]
        # Where the plotting program finds room for it, now and then where the user put it.
        loc = "best" if rng.random() < 0.85 else rng.choice(["upper center", "upper right", "lower center"])
        legend = ax.legend(handles=handles, loc=loc, framealpha=rng.choice([0.8, 1.0]))
    notes = []
    if style == "labels":
        for c in curves[:1]:
            for f0 in rng.sample([40, 70, 150, 400, 900, 2500, 6000], 3):
                k = np.searchsorted(F, f0)
                y0 = c[3][k]
                c[4].annotate(rng.choice(["fs", "Fb", "-3 dB", "peak", "f0", "breakup"]), (f0, y0),
                              xytext=(rng.uniform(-20, 20), rng.choice([-14, -10, 8, 12])), textcoords="offset points",
                              color=c[2], fontsize=rng.choice([7, 8, 9]))
    fig.canvas.draw()
    H = fig.canvas.get_width_height()[1]
    W = fig.canvas.get_width_height()[0]
    legend_box = None
    if legend is not None:
        bb = legend.get_window_extent()
        legend_box = (bb.x0, H - bb.y1, bb.x1, H - bb.y0)
    fig.savefig(path + ".png", dpi=dpi)
    plt.close(fig)
    traced = []
    lines_px = []
    for c in curves:
        kind, sc, colour, v, a, refs, main, line, source, ls = c
        xy = a.transData.transform(np.column_stack([F, v]))
        lines_px.append(np.column_stack([xy[:, 0], H - xy[:, 1]]))
    for n, c in enumerate(curves):
        kind, sc, colour, v, a, refs, main, line, source, ls = c
        if not main and not (style == "crossing" and rng.random() < 0.3):
            continue
        px = lines_px[n]
        # Reference lines where they cross the middle of the plot.
        f_refs = rng.choice([(100, 10000), (100, 1000), (1000, 10000), (100, 10000)])
        fx = [a.transData.transform((f, 1 if sc == "log" else 0))[0] for f in f_refs]
        ly = [H - a.transData.transform((1, r))[1] for r in refs]
        # A pick point away from the other curves, the legend and the ends.
        pick = None
        for f0 in [30, 40, 60, 80, 120, 200, 300, 500, 700, 1000, 1500, 2000, 3000, 5000]:
            k = int(np.searchsorted(F, f0))
            x0, y0 = px[k]
            clear = all(np.min(np.hypot(o[:, 0] - x0, o[:, 1] - y0)) > 12 for m, o in enumerate(lines_px) if m != n)
            if legend_box is not None:
                lx0, ly0, lx1, ly1 = legend_box
                clear = clear and not (lx0 - 10 <= x0 <= lx1 + 10 and ly0 - 10 <= y0 <= ly1 + 10)
            if clear:
                pick = f0
                break
        if pick is None:
            continue
        traced.append(dict(kind=kind, scale=sc, values=v, px=px, freq_refs=list(zip(f_refs, fx)),
                           level_refs=list(zip(refs, ly)), pick_hz=pick,
                           note=f"{style}: {source}, colour {colour}, line {ls}, {len(curves)} curves"))
    return (W, H), traced


def gnuplot_plot_area(width, height, margins):
    """Where gnuplot (pngcairo) maps the ends of its axes on a canvas of that size with those margins
    (left, right, bottom, top, fractions of the screen): x0, x1, y0, y1 in continuous pixels.

    The border is drawn crisp, on a pixel's centre, while the curves are drawn where they lie, up
    to half a pixel from it; so the mapping is measured on sloping lines drawn on a canvas alike:
    two nearly level ones give y0 and y1, two nearly upright ones x0 and x1 (least squares over
    their centres, column by column and row by row)."""
    l, r, b, t = margins
    with tempfile.TemporaryDirectory() as tmp:
        png = os.path.join(tmp, "area.png")
        data = os.path.join(tmp, "lines.txt")
        lines = [((0, 0.2), (1, 0.22)), ((0, 0.8), (1, 0.82)), ((0.2, 0), (0.22, 1)), ((0.8, 0), (0.82, 1))]
        with open(data, "w") as out:
            for (ua, va), (ub, vb) in lines:
                out.write(f"{ua} {va}\n{ub} {vb}\n\n\n")
        script = f"""
set terminal pngcairo size {width},{height}
set output '{png}'
set lmargin at screen {l}; set rmargin at screen {r}; set bmargin at screen {b}; set tmargin at screen {t}
set xrange [0:1]; set yrange [0:1]
unset key; unset border; unset xtics; unset ytics
plot for [k=0:3] '{data}' index k with lines lw 1 lc rgb '#000000'
"""
        subprocess.run(["gnuplot"], input=script.encode(), check=True)
        ink = 255 - np.asarray(Image.open(png).convert("L"), float)
    # Rough ends from the margins, refined below (a line's slope is small, so u or v along it
    # depends on them only weakly).
    x0, x1, y0, y1 = l * width, r * width, (1 - b) * height, (1 - t) * height
    for _ in range(2):
        ys, vs = [], []
        for (ua, va), (ub, vb) in lines[:2]:
            for c in range(int(x0 + 0.1 * (x1 - x0)), int(x0 + 0.9 * (x1 - x0))):
                u = (c + 0.5 - x0) / (x1 - x0)
                v = va + (vb - va) * u
                guess = y0 + v * (y1 - y0)
                lo, hi = int(guess) - 4, int(guess) + 5
                w = ink[lo:hi, c]
                ys.append(((np.arange(lo, hi) + 0.5) * w).sum() / w.sum())
                vs.append(v)
        (y0, y1) = np.linalg.lstsq(np.column_stack([1 - np.array(vs), vs]), np.array(ys), rcond=None)[0]
        xs, us = [], []
        for (ua, va), (ub, vb) in lines[2:]:
            for row in range(int(y1 + 0.1 * (y0 - y1)), int(y1 + 0.9 * (y0 - y1))):
                v = (row + 0.5 - y0) / (y1 - y0)
                u = ua + (ub - ua) * v
                guess = x0 + u * (x1 - x0)
                lo, hi = int(guess) - 4, int(guess) + 5
                w = ink[row, lo:hi]
                xs.append(((np.arange(lo, hi) + 0.5) * w).sum() / w.sum())
                us.append(u)
        (x0, x1) = np.linalg.lstsq(np.column_stack([1 - np.array(us), us]), np.array(xs), rcond=None)[0]
    return float(x0), float(x1), float(y0), float(y1)


def gnuplot_picture(path, rng):
    """A gnuplot graph (pngcairo) with a dotted grid; margins at known places of the canvas."""
    width = rng.choice([500, 640, 800, 1000, 1280, 1600])
    height = int(width / rng.uniform(1.4, 2.0))
    kind = rng.choice(["spl", "spl", "ohm"])
    scale = rng.choice(["lin", "log"]) if kind == "ohm" else None
    values, source = curve(rng, kind)
    (bottom, top), ticks, refs = value_range(values, kind, scale, rng)
    others = []
    if rng.random() < 0.5:
        o, _ = curve(rng, kind)
        others.append(o - np.median(o) + np.median(values) if kind == "spl" else o * np.median(values) / np.median(o))
    l, r, b, t = 0.1, 0.95, 0.12, 0.93
    with tempfile.TemporaryDirectory() as tmp:
        for k, v in enumerate([values] + others):
            np.savetxt(os.path.join(tmp, f"c{k}.txt"), np.column_stack([F, v]))
        colours = rng.sample(["#000000", "#cc0000", "#0000cc", "#008800", "#9400d3", "#ff8c00"], 2)
        dt = rng.choice(["1", "1", "2", "3"])
        lw = rng.choice([1, 1.5, 2, 3])
        plots = [f"'{tmp}/c0.txt' with lines lw {lw} dt {dt} lc rgb '{colours[0]}' title 'driver'"]
        for k in range(len(others)):
            plots.append(f"'{tmp}/c{k + 1}.txt' with lines lw {lw} lc rgb '{colours[1]}' title 'other'")
        script = f"""
set terminal pngcairo size {width},{height} font 'DejaVu Sans,{rng.choice([8, 9, 10])}'
set output '{path}.png'
set lmargin at screen {l}; set rmargin at screen {r}; set bmargin at screen {b}; set tmargin at screen {t}
set logscale x
set xrange [20:20000]
set yrange [{bottom}:{top}]
{"set logscale y" if scale == "log" else ""}
set ytics ({", ".join(str(v) for v in ticks)})
set mxtics 10
set grid xtics mxtics ytics lt 0 lw 1 lc rgb '{rng.choice(["#000000", "#808080", "#404040"])}'
set xlabel 'Frequency [Hz]'
set ylabel '{"SPL [dB]" if kind == "spl" else "Impedance [ohm]"}'
set key {rng.choice(["top right", "bottom center", "top left"])}
plot {", ".join(plots)}
"""
        subprocess.run(["gnuplot"], input=script.encode(), check=True)
    # Where the axes' ends lie on the picture, as gnuplot draws curves (not its border, drawn on a
    # pixel's centre).
    x0, x1, y0, y1 = gnuplot_plot_area(width, height, (l, r, b, t))

    def to_px(f, v):
        u = (np.log10(f) - math.log10(20)) / (math.log10(20000) - math.log10(20))
        if scale == "log":
            w = (np.log10(v) - math.log10(bottom)) / (math.log10(top) - math.log10(bottom))
        else:
            w = (v - bottom) / (top - bottom)
        return x0 + u * (x1 - x0), y0 + w * (y1 - y0)

    pxx, pyy = to_px(F, values)
    f_refs = (100, 10000)
    fx = [to_px(f, refs[0])[0] for f in f_refs]
    ly = [to_px(100, v)[1] for v in refs]
    # Picked at 60 Hz, or where the curve first lies clear of the other one (which may run over it
    # there), as a user clicks on the curve where it shows; where it is nowhere clear, where the
    # other one lies farthest from it.
    others_px = [np.column_stack(to_px(F, o)) for o in others]
    picks = [60, 30, 40, 80, 120, 200, 300, 500, 700, 1000, 1500, 2000, 3000, 5000]

    def clearance(f0):
        k = int(np.searchsorted(F, f0))
        return min((np.min(np.hypot(o[:, 0] - pxx[k], o[:, 1] - pyy[k])) for o in others_px), default=math.inf)
    pick = next((f0 for f0 in picks if clearance(f0) > 12), None) or max(picks, key=clearance)
    return (width, height), [dict(kind=kind, scale=scale, values=values, px=np.column_stack([pxx, pyy]),
                                  freq_refs=list(zip(f_refs, fx)), level_refs=list(zip(refs, ly)), pick_hz=pick,
                                  note=f"gnuplot: {source}, dt {dt}, lw {lw}, {1 + len(others)} curves")]


def tilt(path, size, traced, rng, degrees):
    """Turns the picture by `degrees` about its centre (bilinear, white corners), blurs it and adds
    noise as a scan would; moves the truth and the references with it."""
    im = np.asarray(Image.open(path + ".png").convert("RGB"), dtype=np.float64)
    H, W = im.shape[:2]
    a = math.radians(degrees)
    cx, cy = W / 2, H / 2
    v, u = np.mgrid[0:H, 0:W]
    dx, dy = u + 0.5 - cx, v + 0.5 - cy
    # The picture turned by +a: the pixel at u shows the source at C + R(-a)(u - C).
    sx = cx + dx * math.cos(a) + dy * math.sin(a) - 0.5
    sy = cy - dx * math.sin(a) + dy * math.cos(a) - 0.5
    x0 = np.floor(sx).astype(int)
    y0 = np.floor(sy).astype(int)
    tx, ty = sx - x0, sy - y0
    padded = np.pad(im, ((1, 2), (1, 2), (0, 0)), constant_values=255)

    def at(yy, xx):
        return padded[np.clip(yy + 1, 0, H + 2), np.clip(xx + 1, 0, W + 2)]

    out = (at(y0, x0) * ((1 - tx) * (1 - ty))[..., None] + at(y0, x0 + 1) * (tx * (1 - ty))[..., None] +
           at(y0 + 1, x0) * ((1 - tx) * ty)[..., None] + at(y0 + 1, x0 + 1) * (tx * ty)[..., None])
    # Blur (a small Gaussian) and noise.
    sigma = rng.uniform(0.3, 0.9)
    k = np.exp(-0.5 * (np.arange(-3, 4) / sigma) ** 2)
    k /= k.sum()
    for axis in (0, 1):
        out = sum(np.roll(out, s, axis=axis) * k[s + 3] for s in range(-3, 4))
    out += np.random.default_rng(rng.randrange(1 << 30)).normal(0, rng.uniform(2, 7), out.shape)
    Image.fromarray(np.clip(out, 0, 255).astype(np.uint8)).save(path + ".png")

    def move(x, y):
        ddx, ddy = x - cx, y - cy
        return cx + ddx * math.cos(a) - ddy * math.sin(a), cy + ddx * math.sin(a) + ddy * math.cos(a)

    for t in traced:
        t["px"] = np.column_stack(move(t["px"][:, 0], t["px"][:, 1]))
        t["note"] += f", tilted {degrees:.2f} deg"


def line_cross(p, q, a, vertical, at, c):
    """Where a grid line through (p, q) of the upright picture, turned by a about c, crosses the
    row y = at (vertical lines) or the column x = at (horizontal ones)."""
    cx, cy = c
    if vertical:
        # The line x = p turns into points c + R(a)((p, t) - c); find t where y = at.
        # y = cy + (p - cx) sin a + (t - cy) cos a = at
        t = cy + (at - cy - (p - cx) * math.sin(a)) / math.cos(a)
        return cx + (p - cx) * math.cos(a) - (t - cy) * math.sin(a)
    t = cx + (at - cx + (q - cy) * math.sin(a)) / math.cos(a)
    return cy + (t - cx) * math.sin(a) + (q - cy) * math.cos(a)


STYLES = ["datasheet", "colour", "crossing", "samecolour", "twoscale", "dark", "markers", "labels", "dashed",
          "ohmlin", "ohmlog", "gnuplot", "tilted"]
# Drawn only when asked for (--styles jagged), so that the default sets stay as they were.
EXTRA_STYLES = ["jagged"]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("outdir")
    ap.add_argument("--count", type=int, default=26)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--styles", default=",".join(STYLES))
    args = ap.parse_args()
    os.makedirs(args.outdir, exist_ok=True)
    styles = args.styles.split(",")
    for i in range(args.count):
        rng = random.Random(args.seed * 100003 + i)
        style = styles[i % len(styles)]
        name = f"s{args.seed}-{i:03d}-{style}"
        path = os.path.join(args.outdir, name)
        if style == "gnuplot":
            size, traced = gnuplot_picture(path, rng)
        else:
            base = rng.choice(["datasheet", "colour", "crossing", "twoscale", "samecolour"]) if style == "tilted" \
                else style
            size, traced = mpl_picture(path, rng, base, None)
            if style == "tilted":
                degrees = rng.choice([-1, 1]) * rng.uniform(0.1, 2.0)
                a = math.radians(degrees)
                W, H = size
                for t in traced:
                    t["freq_refs"] = [(f, line_cross(x, 0, a, True, H / 2, (W / 2, H / 2))) for f, x in t["freq_refs"]]
                    t["level_refs"] = [(v, line_cross(0, y, a, False, W / 2, (W / 2, H / 2))) for v, y in
                                       t["level_refs"]]
                tilt(path, size, traced, rng, degrees)
                style = f"tilted {degrees:.2f}"
        ext = ".png"
        # Saved as JPEG at a data sheet's quality where the style asks for it (and now and then).
        if style.startswith(("datasheet", "tilted")) or rng.random() < 0.3:
            quality = rng.choice([40, 55, 70, 85, 95])
            im = Image.open(path + ".png").convert("RGB")
            if style.startswith("tilted") and rng.random() < 0.6:
                im = im.convert("L")
            im.save(path + ".jpg", quality=quality)
            os.remove(path + ".png")
            ext = ".jpg"
            for t in traced:
                t["note"] += f", JPEG {quality}"
        W, H = size
        for n, t in enumerate(traced):
            cname = name if len(traced) == 1 else f"{name}-{'abc'[n]}"
            keep = (F >= 10) & (F <= 40000)
            with open(os.path.join(args.outdir, cname + ".truth.txt"), "w") as out:
                out.write("# f value px py (px,py: where the truth lies on the picture, continuous pixels)\n")
                for f, v, (x, y) in zip(F[keep][::2], t["values"][keep][::2], t["px"][keep][::2]):
                    out.write(f"{f:.6g} {v:.6g} {x:.3f} {y:.3f}\n")
            meta = dict(name=cname, picture=name + ext, width=W, height=H, kind=t["kind"],
                        ohm_scale=t["scale"] if t["kind"] == "ohm" else None,
                        freq_refs=[[f, float(x)] for f, x in t["freq_refs"]],
                        level_refs=[[v, float(y)] for v, y in t["level_refs"]], start=20, stop=20000, points=200,
                        truth=cname + ".truth.txt", pick_hz=t["pick_hz"], note=t["note"])
            with open(os.path.join(args.outdir, cname + ".json"), "w") as out:
                json.dump(meta, out, indent=1)
        print(name, size, len(traced), "curve(s)")


if __name__ == "__main__":
    main()
