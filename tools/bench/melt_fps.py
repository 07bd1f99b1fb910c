#!/usr/bin/env python3
"""Times melt at full HD with four transitions over the same two clips:
the native MLT module kavro_wipe, MLT's own luma as a dissolve and as a wipe
(a luma map MLT draws itself, luma01) and the frei0r mixer frei0r.kavro_wipe. 100 frames of two 1920x1080 C422 YUV4MPEG2 clips
(kavro_fps.py's) to a YUV4MPEG2 file, melt's start included, on one render
thread (real_time=-1) and with the consumer's default threading. The four
take turns within each repetition, so a spell of load on the shared machine
falls on all alike.

Then the same clips to MLT's null consumer, which writes nothing, so the
CPU bounds the run and not the disk: no transition at all, kavro_wipe and
the two luma, on one render thread; a transition's own cost a frame is its
time less the time with no transition. Last, to the same consumer, a wipe
of the user's own: kavro_wipe with a 1920x1080 H.264 matte (100 frames,
made here with the ffmpeg program when the clip folder lacks it) against
MLT's luma given the same file as its resource.

Prints one line per figure, as kiv_timing does: name, then the median over
the repetitions of the whole process's wall time and CPU time (every
thread), in ms per frame.

Usage: melt_fps.py MLT_REPOSITORY FREI0R_DIR CLIP_FOLDER OUTPUT_FILE REPETITIONS [matte]
("matte": that last comparison alone)
"""
import os
import subprocess
import sys
import time

from process_time import children_cpu, figure_line

FRAMES = 100
RUN_MELT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "melt", "run-melt")
# name in the figures, then the service and its properties
TRANSITIONS = (("kavro_wipe", ["kavro_wipe"]), ("luma", ["luma"]), ("luma_wipe_map", ["luma", "resource=luma01.pgm"]),
               ("frei0r.kavro_wipe", ["frei0r.kavro_wipe", "0=0=0;%d=1" % (FRAMES - 1)]))
THREADING = (("one_thread", ["real_time=-1"]), ("default_threads", []))
# To the null consumer: with no transition the top track is shown as it is.
NULL_TRANSITIONS = (("none", []),) + TRANSITIONS[:3]


def melt(environment, a, b, transition, threading, output):
    """Wall and CPU seconds of one render; exits when melt fails. No output: the null consumer."""
    last = str(FRAMES - 1)
    # run-melt restarts melt when its avformat consumer loses its start; the null consumer has none.
    command = [RUN_MELT if output else "melt", "-quiet", a, "in=0", "out=" + last, "-track", b, "in=0", "out=" + last]
    if transition:
        command += ["-transition"] + transition[:1] + ["in=0", "out=" + last, "a_track=0", "b_track=1"] + transition[1:]
    consumer = ["avformat:" + output, "pix_fmt=yuv422p"] if output else ["null", "terminate_on_pause=1"]
    command += ["-consumer"] + consumer + threading
    cpu = children_cpu()
    start = time.perf_counter()
    done = subprocess.run(command, env=environment, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    wall = time.perf_counter() - start
    if done.returncode != 0:
        sys.exit("melt_fps: %s failed: %s" % (" ".join(command), done.stderr.strip()))
    return wall, children_cpu() - cpu


def matte_file(folder):
    """A 1920x1080 H.264 matte of 100 frames in the clip folder: a soft edge sweeping across."""
    path = os.path.join(folder, "matte_1080p_h264.mp4")
    if not os.path.exists(path):
        sweep = "nullsrc=s=1920x1080:r=25:d=4,format=gray,geq=lum='clip(255*X/W*2-N*5\\,0\\,255)'"
        subprocess.run(["ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i", sweep, "-c:v", "libx264",
                        "-pix_fmt", "yuv420p", "-crf", "18", path], check=True)
    return path


def matte_runs(environment, a, b, matte, repetitions):
    """kavro_wipe with the matte against luma with it as its resource, taking turns, to the null consumer."""
    transitions = (("kavro_wipe_h264_matte", ["kavro_wipe", "mask=" + matte]),
                   ("luma_h264_matte", ["luma", "resource=" + matte]))
    runs = {name: [] for name, _ in transitions}
    for repetition in range(repetitions + 1):
        for name, transition in transitions:
            run = melt(environment, a, b, transition, THREADING[0][1], None)
            if repetition:
                runs[name].append(run)
    for name, _ in transitions:
        print(figure_line("melt_null/%s/1920x1080_c422/one_thread" % name, runs[name], FRAMES), flush=True)


def frames_written(path):
    with open(path, "rb") as f:
        header = f.readline()
        size = os.path.getsize(path) - len(header)
    fields = dict((field[:1], field[1:]) for field in header.split()[1:])
    frame = len(b"FRAME\n") + 2 * int(fields[b"W"]) * int(fields[b"H"])
    return size // frame


def main():
    repository, frei0r, folder, output, repetitions = sys.argv[1:5] + [int(sys.argv[5])]
    a, b = os.path.join(folder, "a_1080p_422.y4m"), os.path.join(folder, "b_1080p_422.y4m")
    environment = dict(os.environ, MLT_REPOSITORY=os.path.abspath(repository), FREI0R_PATH=os.path.abspath(frei0r))
    if sys.argv[6:] == ["matte"]:
        matte_runs(environment, a, b, matte_file(folder), repetitions)
        return
    try:
        for threads_name, threading in THREADING:
            runs = {name: [] for name, _ in TRANSITIONS}
            for repetition in range(repetitions + 1):
                for name, transition in TRANSITIONS:
                    run = melt(environment, a, b, transition, threading, output)
                    if frames_written(output) != FRAMES:
                        sys.exit("melt_fps: %s wrote %d frames, not %d" % (name, frames_written(output), FRAMES))
                    if repetition:  # the first warms the caches and the files up
                        runs[name].append(run)
            for name, _ in TRANSITIONS:
                print(figure_line("melt/%s/1920x1080_c422/%s" % (name, threads_name), runs[name], FRAMES), flush=True)
        runs = {name: [] for name, _ in NULL_TRANSITIONS}
        for repetition in range(repetitions + 1):
            for name, transition in NULL_TRANSITIONS:
                run = melt(environment, a, b, transition, THREADING[0][1], None)
                if repetition:
                    runs[name].append(run)
        for name, _ in NULL_TRANSITIONS:
            print(figure_line("melt_null/%s/1920x1080_c422/one_thread" % name, runs[name], FRAMES), flush=True)
        matte_runs(environment, a, b, matte_file(folder), repetitions)
    finally:
        if os.path.exists(output):
            os.remove(output)


if __name__ == "__main__":
    main()
