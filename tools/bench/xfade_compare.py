#!/usr/bin/env python3
"""Times kavro against ffmpeg's xfade on the same two 1920x1080 H.264 clips,
H.264 out with the same encoder settings (libx264, CRF 18, preset medium,
4:2:0; kavro's defaults for .mp4), no audio. The clips are made with kavro
itself the first time (the built-in clips through two masks, as MP4).

Besides the two renders, the same run times what tells kavro's own part
(fitting, conversion to 4:2:2, the wipe, YUV4MPEG2 out) from the codecs':
kavro decoding both clips and writing YUV4MPEG2 to /dev/null, and ffmpeg
only decoding both clips. The four take turns within each repetition, so a
spell of load on the shared machine falls on all alike.

Prints one line per figure, as kiv_timing does: name, then the median over
the repetitions of the whole process's wall time and CPU time (user and
system, every thread), in ms per frame.

Usage: xfade_compare.py KAVRO CLIP_FOLDER REPETITIONS
"""
import os
import subprocess
import sys
import time

from process_time import children_cpu, figure_line

WIDTH, HEIGHT, FRAMES, RATE = 1920, 1080, 100, 25
ENCODER = ["-c:v", "libx264", "-crf", "18", "-preset", "medium", "-pix_fmt", "yuv420p"]


def run(command, stdout=subprocess.DEVNULL):
    """Wall and CPU seconds; exits with the program's message when it fails."""
    cpu = children_cpu()
    start = time.perf_counter()
    done = subprocess.run(command, stdout=stdout, stderr=subprocess.PIPE, text=True)
    wall = time.perf_counter() - start
    if done.returncode != 0:
        sys.exit("xfade_compare: %s failed: %s" % (" ".join(command), done.stderr.strip()))
    return wall, children_cpu() - cpu


def frame_count(path):
    done = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-count_packets", "-show_entries",
                           "stream=nb_read_packets", "-of", "csv=p=0", path], capture_output=True, text=True)
    return int(done.stdout.strip() or 0)


def make_clip(kavro, path, mask):
    if os.path.exists(path) and frame_count(path) == FRAMES:
        return
    run([kavro, "render", "--size", "%dx%d" % (WIDTH, HEIGHT), "--frames", str(FRAMES), "--mask", mask, "--quiet",
         "-o", path])


def main():
    kavro, folder, repetitions = sys.argv[1], sys.argv[2], int(sys.argv[3])
    os.makedirs(folder, exist_ok=True)
    a, b = os.path.join(folder, "a_1080p.mp4"), os.path.join(folder, "b_1080p.mp4")
    make_clip(kavro, a, "paper")
    make_clip(kavro, b, "wafu1")
    kavro_out, ffmpeg_out = os.path.join(folder, "kavro_out.mp4"), os.path.join(folder, "xfade_out.mp4")
    seconds = "%g" % (FRAMES / RATE)
    quiet = ["ffmpeg", "-v", "error", "-nostdin", "-y"]
    commands = {
        "kavro_wipe": [kavro, "render", a, b, "-o", kavro_out, "--no-audio", "--quiet"],
        "ffmpeg_xfade": quiet + ["-i", a, "-i", b, "-filter_complex",
                                 "[0][1]xfade=transition=fade:duration=%s:offset=0" % seconds, "-an"] + ENCODER +
                        [ffmpeg_out],
        "kavro_wipe_no_encoding": [kavro, "render", a, b, "-o", "-", "--no-audio", "--quiet"],
        "ffmpeg_decoding_only": quiet + ["-i", a, "-i", b, "-map", "0:v", "-map", "1:v", "-f", "null", "-"],
    }
    runs = {name: [] for name in commands}
    try:
        for repetition in range(repetitions + 1):
            for name, command in commands.items():
                result = run(command)
                if repetition:  # the first warms the caches and the files up
                    runs[name].append(result)
            if not repetition:
                for path in (kavro_out, ffmpeg_out):
                    if frame_count(path) != FRAMES:
                        sys.exit("xfade_compare: %s holds %d frames, not %d" % (path, frame_count(path), FRAMES))
        for name in commands:
            print(figure_line("encoded/%s/1920x1080_h264" % name, runs[name], FRAMES), flush=True)
    finally:
        for path in (kavro_out, ffmpeg_out):
            if os.path.exists(path):
                os.remove(path)


if __name__ == "__main__":
    main()
