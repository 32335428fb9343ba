#!/usr/bin/env python3
"""Draws the CPU seconds of results.csv as a bar chart.

Usage: plot.py RESULTS.csv OUTPUT.png
"""
import csv
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

# Bars of zero measured CPU still need a height on a log scale.
FLOOR = 0.001


def main(results, output):
    with open(results, newline="") as f:
        rows = list(csv.DictReader(f))
    loads = list(dict.fromkeys(r["load"] for r in rows))
    contenders = list(dict.fromkeys(r["contender"] for r in rows))
    cpu = {(r["contender"], r["load"]): float(r["cpu_receive_s"]) for r in rows}
    lost = {(r["contender"], r["load"]): int(r["lines_lost"]) for r in rows}

    titles = {"paced": "paced: 2,000 lines at 38400 baud", "flood": "flood: 1,000,000 lines"}
    width = 0.8 / len(contenders)
    fig, ax = plt.subplots(figsize=(8, 4.5), dpi=100)
    for i, contender in enumerate(contenders):
        xs, heights, labels = [], [], []
        for j, load in enumerate(loads):
            value = cpu.get((contender, load))
            if value is None:
                continue
            xs.append(j + (i - (len(contenders) - 1) / 2) * width)
            heights.append(max(value, FLOOR))
            label = "%.3f" % value if value < 1 else "%.2f" % value
            if lost[(contender, load)]:
                label += "\n%d lost" % lost[(contender, load)]
            labels.append(label)
        bars = ax.bar(xs, heights, width, label=contender)
        ax.bar_label(bars, labels=labels, fontsize=8, padding=2)
    ax.set_yscale("log")
    ax.set_ylim(FLOOR / 2, max(max(cpu.values()), 1) * 8)
    ax.set_xticks(range(len(loads)), [titles.get(load, load) for load in loads])
    ax.set_ylabel("CPU seconds of the reading process (log scale)")
    ax.set_title("CPU used while receiving the same lines from a pseudo-terminal")
    ax.legend(fontsize=9, loc="upper left")
    fig.tight_layout()
    fig.savefig(output)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
