#!/usr/bin/python3
"""Draws test pictures of response graphs for Auto Register with matplotlib and gnuplot, each
with a .json that gives what a registration must find: every labelled line of each axis as
[value, centre of its grid line, centre of its tick mark] on the picture (continuous pixels:
pixel i spans [i, i + 1]), the unit of each side axis and the picture's tilt.

Styles: light and dark plots, plain labels ("20", "1k", "20 k", "1000") and powers of ten
("10^2" to "10^4" alone on 20 Hz to 20 kHz), small pictures with 7-point labels, notes and arrows
inside the plot, levels in dB, impedances on logarithmic axes (every label, or only 1, 10, 100)
and linear ones, two scales (dB and ohms), gnuplot's own tick labels (100, 1000, 10000) and its
dotted grid, JPEG down to quality 45, scans (tilted, blurred, noisy, grey), and pictures without
tick labels (nothing may be registered).

    tools/make_test_graphs.py FOLDER [COUNT] [FIRST_SEED]

Needs /usr/bin/python3 with matplotlib, numpy and PIL, and gnuplot. Lines are drawn where the
truth says: gnuplot's cairo terminal snaps 1-pixel lines to pixel centres, floor(t + 0.5) + 0.5
of its own coordinates t; matplotlib does the same with its pixel snapping on (its default), and
draws its tick marks there always; pictures drawn without snapping have their grid lines exactly
on the scale. So on most pictures the lines stray up to half a pixel from the scale.
"""
import json
import math
import os
import random
import subprocess
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402
from matplotlib.ticker import FixedLocator, FuncFormatter, LogFormatterSciNotation, NullFormatter  # noqa: E402
from PIL import Image, ImageFilter  # noqa: E402


def response(f, rng):
    """A loudspeaker-like SPL curve (dB) and impedance curve (ohm) at frequencies f."""
    fs, q, level = rng.uniform(30, 80), rng.uniform(0.5, 1.2), rng.uniform(82, 90)
    x = f / fs
    hp = 40 * np.log10(x**2 / np.sqrt((1 - x**2) ** 2 + (x / q) ** 2))
    lp = -10 * np.log10(1 + (f / rng.uniform(3000, 9000)) ** 4)
    spl = level + np.maximum(hp, -40) + lp
    re, qm = rng.uniform(3, 7), rng.uniform(3, 8)
    z = re * (1 + rng.uniform(4, 10) / np.sqrt(1 + qm**2 * (x - 1 / x) ** 2)) * np.sqrt(1 + (f / 4000) ** 2)
    return spl, z


def freq_text(v, style):
    if style == "plain1000" or v < 1000:
        return "%g" % v
    return ("%g k" if style == "spaced" else "%gk") % (v / 1000)


def matplotlib_graph(name, folder, rng, style):
    """A graph drawn by matplotlib; returns the truth."""
    plt.rcParams.update(plt.rcParamsDefault)
    if style["dark"]:
        plt.style.use("dark_background")
    plt.rcParams["path.snap"] = style["snap"]
    if style["small"]:
        w, h, dpi = 480, 320, 100
        plt.rcParams["font.size"] = 7
    else:
        w, h, dpi = rng.choice([(800, 500), (900, 550), (1000, 600), (1200, 700)]) + (100,)
    fig = plt.figure(figsize=(w / dpi, h / dpi), dpi=dpi)
    if style["small"]:
        ax = fig.add_axes([rng.uniform(0.12, 0.15), rng.uniform(0.14, 0.17), 0.72, 0.72])
    else:
        ax = fig.add_axes([rng.uniform(0.09, 0.13), rng.uniform(0.11, 0.15), 0.76, 0.75])
    if style["powers"] and rng.random() < 0.7:
        f0, f1 = 20, 20000  # three labels: 10^2, 10^3, 10^4
    else:
        f0, f1 = rng.choice([(20, 20000), (10, 20000), (20, 40000), (10, 10000)])
    f = np.logspace(math.log10(f0), math.log10(f1), 400)
    spl, z = response(f, rng)
    colour = "w" if style["dark"] else "k"
    kind = style["kind"]
    ax.set_xscale("log")
    ax.set_xlim(f0, f1)
    freqs = [v for v in (10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000, 40000) if f0 <= v <= f1]
    if style["powers"]:
        freqs = [v for v in (10, 100, 1000, 10000) if f0 <= v <= f1]
        ax.xaxis.set_major_locator(FixedLocator(freqs))
        ax.xaxis.set_major_formatter(LogFormatterSciNotation())
    else:
        ax.xaxis.set_major_locator(FixedLocator(freqs))
        ax.xaxis.set_major_formatter(FuncFormatter(lambda v, _: freq_text(v, style["labels"])))
    ax.xaxis.set_minor_formatter(NullFormatter())
    ax.grid(True, which="major", color="0.55", linewidth=0.8)
    ax.grid(True, which="minor", color="0.85", linewidth=0.5)
    truth = {"frequency": [[v, None] for v in freqs]}

    def side(axis, quantity, curve, scale):
        if quantity == "dB":
            top = math.ceil((curve.max() + 5) / 10) * 10
            lo, step = top - rng.choice([40, 50, 60]), rng.choice([5, 10])
            axis.set_ylim(lo, top)
            values = list(np.arange(lo, top + 0.1, step))
            axis.plot(f, curve, color=style["curve"], linewidth=1.5)
            label = rng.choice(["SPL (dB)", "dB SPL", "Level [dB]", "dB"])
        elif scale == "log":
            axis.set_yscale("log")
            axis.set_ylim(1, 100)
            values = [1, 10, 100] if style["decades"] else [1, 2, 5, 10, 20, 50, 100]
            axis.yaxis.set_major_locator(FixedLocator(values))
            axis.yaxis.set_major_formatter(FuncFormatter(lambda v, _: "%g" % v))
            axis.yaxis.set_minor_formatter(NullFormatter())
            axis.plot(f, curve, color=style["curve2"], linewidth=1.5)
            label = rng.choice(["Impedance (ohm)", "|Z| (ohm)", "Impedance [Ohm]", "|Z|"])
        else:
            top = math.ceil(curve.max() / 10) * 10 + 10
            axis.set_ylim(0, top)
            step = 10 if top <= 80 else 20
            values = list(range(0, top + 1, step))
            axis.plot(f, curve, color=style["curve2"], linewidth=1.5)
            label = rng.choice(["Impedance (ohm)", "|Z| (Ohm)", "Impedance"])
        axis.yaxis.set_major_locator(FixedLocator(values))
        if not style["labelled"]:
            axis.yaxis.set_major_formatter(NullFormatter())
        axis.set_ylabel(label if style["titled"] else "")
        return {"unit": "dB" if quantity == "dB" else "ohm", "scale": "lin" if quantity == "dB" else scale,
                "lines": [[float(v), None] for v in values]}

    if kind == "two":
        truth["left"] = side(ax, "dB", spl, "lin")
        twin = ax.twinx()
        truth["right"] = side(twin, "ohm", z, style["ohm"])
    else:
        truth["left"] = side(ax, "dB" if kind == "spl" else "ohm", spl if kind == "spl" else z, style["ohm"])
    if not style["labelled"]:
        ax.xaxis.set_major_formatter(NullFormatter())
    ax.set_xlabel("Frequency (Hz)" if style["titled"] else "")
    if style["notes"]:
        # Notes and an arrow inside the plot, as reviews mark a resonance or a limit.
        lo, hi = ax.get_ylim()
        fx = f0 * (f1 / f0) ** rng.uniform(0.15, 0.35)
        ax.annotate("fs = %d Hz" % rng.randint(30, 90), xy=(fx, lo + 0.55 * (hi - lo)),
                    xytext=(fx * rng.uniform(4, 8), lo + rng.uniform(0.15, 0.3) * (hi - lo)),
                    arrowprops={"arrowstyle": "->", "color": colour}, color=colour)
        ax.text(f0 * (f1 / f0) ** 0.6, lo + 0.9 * (hi - lo), rng.choice(["1 W / 1 m", "2.83 V, 1 m", "on axis"]),
                color=colour)
    if not style["snap"]:
        # Tick marks where the truth says too (matplotlib snaps markers to pixel centres otherwise).
        for a in fig.axes:
            for axis in (a.xaxis, a.yaxis):
                for tick in axis.get_major_ticks():
                    tick.tick1line.set_snap(False)
                    tick.tick2line.set_snap(False)
    fig.canvas.draw()
    # Where the lines lie on the picture: display coordinates, y flipped; snapped, a line of odd
    # width lies on the pixel centre floor(p + 0.5) + 0.5, as the tick marks do.
    snap = (lambda p: math.floor(p + 0.5) + 0.5) if style["snap"] else (lambda p: p)  # noqa: E731
    for line in truth["frequency"]:
        p = float(ax.transData.transform((line[0], 1))[0])
        line[1] = snap(p)
        line.append(math.floor(p + 0.5) + 0.5)
    for key, axis in (("left", ax), ("right", fig.axes[1] if kind == "two" else None)):
        if key in truth:
            for line in truth[key]["lines"]:
                p = float(h - axis.transData.transform((f0, line[0]))[1])
                line[1] = snap(p)
                line.append(math.floor(p + 0.5) + 0.5)
    path = os.path.join(folder, name + ".png")
    fig.savefig(path, dpi=dpi, facecolor=fig.get_facecolor())
    plt.close(fig)
    return path, w, h, truth


def gnuplot_graph(name, folder, rng, style):
    """A graph drawn by gnuplot's cairo terminal; returns the truth."""
    w, h = rng.choice([(800, 500), (960, 600), (1100, 650)])
    f0, f1 = 20, 20000
    f = np.logspace(math.log10(f0), math.log10(f1), 300)
    spl, z = response(f, rng)
    ohm = style["kind"] == "ohm"
    data = os.path.join(folder, name + ".dat")
    np.savetxt(data, np.column_stack([f, z if ohm else spl]))
    own = style["tics"] == "own"  # gnuplot's own tick labels and margins
    if ohm:
        lo, hi = 1, 100
        values = [1, 10, 100] if own else [1, 2, 5, 10, 20, 50, 100]
    else:
        hi = math.ceil((spl.max() + 5) / 10) * 10
        lo = hi - 50
        values = list(range(lo, hi + 1, 10))
    freqs = [100, 1000, 10000] if own else [20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000]
    xtics = ", ".join('"%s" %g' % (freq_text(v, style["labels"]), v) for v in freqs)
    ytics = ", ".join('"%g" %g' % (v, v) for v in values)
    tics = "set ytics 10" if own and not ohm else "" if own else f"set xtics ({xtics}); set ytics ({ytics}); set mxtics 10"
    margins = "" if own else (
        "set lmargin at screen 0.1; set rmargin at screen 0.95; set bmargin at screen 0.13; set tmargin at screen 0.92")
    # gnuplot's own grid is dotted (line type 0), at the labelled tics only.
    grid = "set grid" if style["grid"] == "dotted" else 'set grid xtics ytics mxtics lc rgb "#b0b0b0" lw 1 dt 1'
    font = "" if own and rng.random() < 0.5 else ' font "DejaVu Sans,%d"' % rng.choice([9, 10, 11])
    path = os.path.join(folder, name + ".png")
    script = f"""
set terminal pngcairo size {w},{h}{font}
set output "{path}"
{margins}
set logscale x; set xrange [{f0}:{f1}]; set yrange [{lo}:{hi}]
{"set logscale y" if ohm else ""}
{tics}
{grid}
set xlabel "Frequency (Hz)"; set ylabel "{"Impedance (ohm)" if ohm else "SPL (dB)"}"
plot "{data}" using 1:2 with lines lw 2 lc rgb "#c00000" notitle
print GPVAL_TERM_XMIN, GPVAL_TERM_XMAX, GPVAL_TERM_YMIN, GPVAL_TERM_YMAX
"""
    out = subprocess.run(["gnuplot"], input=script, capture_output=True, text=True).stderr.split()
    x0, x1, y0, y1 = (float(v) for v in out[-4:])
    os.remove(data)
    snap = lambda t: math.floor(t + 0.5) + 0.5  # noqa: E731
    u = (lambda v: math.log10(v)) if ohm else (lambda v: v)
    truth = {
        "frequency": [[v] + [snap(x0 + (math.log10(v / f0)) / math.log10(f1 / f0) * (x1 - x0))] * 2 for v in freqs],
        "left": {"unit": "ohm" if ohm else "dB", "scale": "log" if ohm else "lin",
                 "lines": [[float(v)] + [h - snap(y0 + (u(v) - u(lo)) / (u(hi) - u(lo)) * (y1 - y0))] * 2
                           for v in values]},
    }
    return path, w, h, truth


def finish(path, name, folder, rng, style, w, h, truth):
    """JPEG and scan effects; writes the picture and its truth."""
    picture = Image.open(path).convert("RGB")
    os.remove(path)
    tilt = 0.0
    if style["scan"]:
        tilt = rng.uniform(0.3, 1.0) * rng.choice([-1, 1])
        picture = picture.convert("L").rotate(tilt, resample=Image.BICUBIC, fillcolor=255)
        picture = picture.filter(ImageFilter.GaussianBlur(rng.uniform(0.4, 0.8)))
        noise = np.random.default_rng(rng.randrange(1 << 30)).normal(0, 6, (h, w))
        picture = Image.fromarray(np.clip(np.asarray(picture, float) + noise, 0, 255).astype(np.uint8)).convert("RGB")
    ext = ".jpg" if style["jpeg"] or style["scan"] else ".png"
    out = os.path.join(folder, name + ext)
    if ext == ".jpg":
        picture.save(out, quality=rng.choice([45, 50, 55, 60, 65, 75, 85]))
    else:
        picture.save(out)
    truth.update({"picture": name + ext, "width": w, "height": h, "tilt": tilt, "labelled": style["labelled"],
                  "style": {k: v for k, v in style.items() if k not in ("curve", "curve2")}})
    with open(os.path.join(folder, name + ".json"), "w") as f:
        json.dump(truth, f, indent=1)


def main():
    folder = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 36
    first = int(sys.argv[3]) if len(sys.argv) > 3 else 1
    os.makedirs(folder, exist_ok=True)
    for seed in range(first, first + count):
        rng = random.Random(seed)
        style = {
            "program": "gnuplot" if seed % 3 == 2 else "matplotlib",
            "kind": rng.choice(["spl", "spl", "ohm", "two"]),
            "ohm": rng.choice(["log", "lin"]),
            "powers": rng.random() < 0.4,
            "labels": rng.choice(["k", "k", "spaced", "plain1000"]),
            "dark": rng.random() < 0.15,
            "jpeg": rng.random() < 0.35,
            "scan": rng.random() < 0.2,  # of light plots only: scans are of printed pages
            "titled": rng.random() < 0.85,
            "labelled": seed % 12 != 0,
            "curve": rng.choice(["k", "tab:blue", "tab:red"]),
            "curve2": rng.choice(["tab:orange", "tab:green", "tab:purple"]),
            "small": rng.random() < 0.25,
            "notes": rng.random() < 0.35,
            "decades": rng.random() < 0.4,
            "tics": rng.choice(["own", "given"]),
            "grid": rng.choice(["dotted", "solid"]),
            "snap": rng.random() < 0.6,  # matplotlib's own: lines on whole pixels
        }
        style["scan"] = style["scan"] and not style["dark"]
        name = "graph-%03d" % seed
        if style["program"] == "gnuplot":
            style.update(kind=rng.choice(["spl", "ohm"]), dark=False, powers=False, labelled=True, small=False,
                         notes=False)
            path, w, h, truth = gnuplot_graph(name, folder, rng, style)
        else:
            path, w, h, truth = matplotlib_graph(name, folder, rng, style)
        finish(path, name, folder, rng, style, w, h, truth)
        gnuplot = style["program"] == "gnuplot"
        print(name, style["program"], style["kind"], style["ohm"] if style["kind"] == "two" or
              (style["kind"] == "ohm" and not gnuplot) else "",
              "powers" if style["powers"] else style["labels"], "dark" if style["dark"] else "",
              "small" if style["small"] else "", "notes" if style["notes"] else "",
              (style["tics"] + "-tics " + style["grid"]) if gnuplot else "",
              "scan" if style["scan"] else "jpeg" if style["jpeg"] else "", "" if style["labelled"] else "unlabelled")


if __name__ == "__main__":
    main()
