#!/usr/bin/env python3
"""Times `kavro render` on two full-HD 4:2:2 YUV4MPEG2 clips with nothing
written (standard output to /dev/null), with one and with two rendering
threads. Makes the clips with kavro itself the first time (the built-in
clips through two masks) and reads them once before timing, so the page
cache holds them.

Then the same clips under a matte of the user's own, a folder of 1080p PNG
frames (the built-in mask_wafu1's, as the mask generator drew them, in
MASK_FRAMES), beside the built-in mask itself, the two taking turns so
that the shared machine's load falls on both alike.

Prints one line per figure, as kiv_timing does: name, then the median over
the repetitions of the whole process's wall time and CPU time (user and
system, every thread), in ms per frame.

Usage: kavro_fps.py KAVRO CLIP_FOLDER REPETITIONS [MASK_FRAMES]
"""
import os
import subprocess
import sys
import time

from process_time import children_cpu, figure_line

WIDTH, HEIGHT, FRAMES = 1920, 1080, 120
CLIP_BYTES = len("YUV4MPEG2 W1920 H1080 F25:1 Ip A1:1 C422 XCOLORRANGE=LIMITED\n") + FRAMES * (len("FRAME\n") + 2 * WIDTH * HEIGHT)


def make_clip(kavro, path, mask):
    if os.path.exists(path) and os.path.getsize(path) == CLIP_BYTES:
        return
    subprocess.run([kavro, "render", "--size", "%dx%d" % (WIDTH, HEIGHT), "--frames", str(FRAMES), "--mask", mask,
                    "--quiet", "-o", path], check=True)
    if os.path.getsize(path) != CLIP_BYTES:
        sys.exit("kavro_fps: %s is not the clip expected" % path)


def warm(path):
    with open(path, "rb") as f:
        while f.read(1 << 24):
            pass


def render(kavro, a, b, threads, mask=None):
    """Wall and CPU seconds of one render."""
    with open(os.devnull, "wb") as nothing:
        cpu = children_cpu()
        start = time.perf_counter()
        subprocess.run([kavro, "render", a, b, "--threads", str(threads), "--quiet", "-o", "-"] +
                       (["--mask", mask] if mask else []), stdout=nothing, check=True)
        return time.perf_counter() - start, children_cpu() - cpu


def main():
    kavro, folder, repetitions = sys.argv[1], sys.argv[2], int(sys.argv[3])
    os.makedirs(folder, exist_ok=True)
    a, b = os.path.join(folder, "a_1080p_422.y4m"), os.path.join(folder, "b_1080p_422.y4m")
    make_clip(kavro, a, "paper")
    make_clip(kavro, b, "wafu1")
    for threads in (1, 2):
        warm(a)
        warm(b)
        render(kavro, a, b, threads)  # warms the plug-in's files and the allocator up
        runs = [render(kavro, a, b, threads) for _ in range(repetitions)]
        print(figure_line("kavro_render/1920x1080_c422/threads:%d" % threads, runs, FRAMES), flush=True)
    if len(sys.argv) > 4:
        matte = os.path.join(sys.argv[4], "mask_wafu1")
        for threads in (1, 2):
            render(kavro, a, b, threads, matte)
            built_in, own = [], []
            for _ in range(repetitions):
                built_in.append(render(kavro, a, b, threads, "wafu1"))
                own.append(render(kavro, a, b, threads, matte))
            print(figure_line("kavro_render/1920x1080_c422/mask_wafu1/threads:%d" % threads, built_in, FRAMES),
                  flush=True)
            print(figure_line("kavro_render/1920x1080_c422/png_matte/threads:%d" % threads, own, FRAMES), flush=True)


if __name__ == "__main__":
    main()
