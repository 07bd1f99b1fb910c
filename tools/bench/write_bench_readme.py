#!/usr/bin/env python3
"""Writes bench/README.md from the results run-benchmarks.sh keeps: the
Google Benchmark JSON of the native optimised build, the timing program's
figures on both targets and kavro render's. Every number in the file comes
from those results.

Usage: write_bench_readme.py RESULTS_DIR README_PATH COMMAND
"""
import json
import os
import statistics
import sys


def medians(path):
    """name -> (real ms, cpu ms) of each benchmark's median aggregate."""
    with open(path) as f:
        data = json.load(f)
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
    out = {}
    for b in data["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        unit = scale[b.get("time_unit", "ns")]
        out[b["run_name"]] = (b["real_time"] * unit, b["cpu_time"] * unit)
    return out, data.get("context", {})


def timing_rounds(path):
    """name -> [(wall ms, cpu ms, fastest wall ms)], one per line of that name
    (one per round), from the timing program's lines (kavro_fps.py's have no
    fastest: its wall time stands in)."""
    seen = {}
    with open(path) as f:
        for line in f:
            parts = line.split()
            if len(parts) in (3, 4):
                values = [float(p) for p in parts[1:]]
                seen.setdefault(parts[0], []).append((values[0], values[1], values[-1] if len(values) == 3 else values[0]))
    return seen


def over_rounds(rounds):
    """name -> (wall ms, cpu ms): the median of each over the rounds."""
    return {name: (statistics.median(r[0] for r in runs), statistics.median(r[1] for r in runs))
            for name, runs in rounds.items()}


def cpu_model():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return "model unknown"


def main():
    results, readme, command = sys.argv[1:4]
    bench = {}
    context = {}
    for name in sorted(os.listdir(results)):
        if name.endswith(".json"):
            figures, context = medians(os.path.join(results, name))
            bench.update(figures)
    linux_rounds = timing_rounds(os.path.join(results, "timing-linux.txt"))
    linux = over_rounds(linux_rounds)
    rounds = len(linux_rounds.get("decode/shipped_frame", []))
    not_run = os.path.join(results, "win32-not-run.txt")
    win32_absent = None
    if os.path.exists(not_run):
        with open(not_run) as f:
            win32_absent = f.read().strip()
    else:
        win32_rounds = timing_rounds(os.path.join(results, "timing-win32.txt"))
        win32 = over_rounds(win32_rounds)
        with open(os.path.join(results, "win32-mode.txt")) as f:
            emulated = f.read().strip() == "emulated"
    kavro = over_rounds(timing_rounds(os.path.join(results, "kavro-fps.txt")))
    melt_path = os.path.join(results, "melt-fps.txt")
    melt = over_rounds(timing_rounds(melt_path)) if os.path.exists(melt_path) else {}
    xfade_path = os.path.join(results, "xfade-compare.txt")
    xfade = over_rounds(timing_rounds(xfade_path)) if os.path.exists(xfade_path) else {}
    with open(os.path.join(results, "load-before.txt")) as f:
        load_before = f.read().strip()
    with open(os.path.join(results, "load-after.txt")) as f:
        load_after = f.read().strip()

    # The blend benchmark and the render benchmark both name a memcpy/1920x1080; the
    # kernel's is the frame it blends, so read it from its own program.
    blend, _ = medians(os.path.join(results, "mask_blend_benchmark.json"))
    # The kernel's best level on this CPU: the widest one measured.
    best_blend = next((name for name in ("blend/1920x1080/%s/real_time" % level for level in ("avx512", "avx2", "sse2"))
                       if name in blend), "blend/1920x1080/avx2/real_time")

    # figure, benchmark, memcpy benchmark of the same bytes, target in ms or as a multiple of the memcpy
    rows = [
        ("decode a shipped mask frame (mean of all 899)", "BM_DecodeShippedMaskFrames/iterations:899",
         "BM_Memcpy/w:1920/h:1080", 0.7, None),
        ("  the same through libspng alone (before)", "BM_DecodeShippedMaskFramesGeneralPath/iterations:899",
         "BM_Memcpy/w:1920/h:1080", None, None),
        ("resize 1920x1080 to 1280x720", "BM_Resize/from_w:1920/from_h:1080/to_w:1280/to_h:720",
         "BM_Memcpy/w:1280/h:720", 1.0, None),
        ("resize 1920x1080 to 3840x2160", "BM_Resize/from_w:1920/from_h:1080/to_w:3840/to_h:2160",
         "BM_Memcpy/w:3840/h:2160", 4.0, None),
        ("resize 1440x1080 to 1920x1080 (4:3 after the cut)", "BM_Resize/from_w:1440/from_h:1080/to_w:1920/to_h:1080",
         "BM_Memcpy/w:1920/h:1080", 1.2, None),
        ("blend kernel, best level (%s), 1920x1080" % best_blend.split("/")[2], best_blend, "memcpy/1920x1080/real_time",
         None, 4.0),
        ("RenderFrame, fetches excluded, 1280x720", "render_no_fetch/1280x720/real_time",
         "memcpy/1280x720/real_time", 2.0, None),
        ("RenderFrame, fetches excluded, 1920x1080", "render_no_fetch/1920x1080/real_time",
         "memcpy/1920x1080/real_time", 1.8, None),
        ("RenderFrame, fetches excluded, 3840x2160", "render_no_fetch/3840x2160/real_time",
         "memcpy/3840x2160/real_time", 10.0, None),
        ("RenderFrame with both fetches copying, 1920x1080", "render/1920x1080/real_time",
         "memcpy/1920x1080/real_time", None, None),
    ]

    lines = []
    add = lines.append
    add("# Speed figures")
    add("")
    add("Written by `tools/bench/write_bench_readme.py` from the results of one run of")
    add("`make bench` (which runs `%s`); not typed by hand. Release build, one" % command)
    add("thread, medians over the repetitions, each beside a memcpy of the same bytes")
    add("measured in the same run. Wall time first, the thread's CPU time in brackets:")
    add("the machine is shared, and CPU time shows the work without the waiting.")
    add("")
    add("Machine: %s CPUs (%s) at %s MHz. Load at the start: `%s`; at the end: `%s`." %
        (context.get("num_cpus", "?"), cpu_model(), context.get("mhz_per_cpu", "?"), load_before, load_after))
    add("")
    add("| figure | median ms | memcpy ms | x memcpy | target | met (wall, CPU) |")
    add("|---|---|---|---|---|---|")
    for title, name, copy, limit, ratio_limit in rows:
        source = blend if name.startswith("blend/") else bench
        copies = blend if name.startswith("blend/") else bench
        if name not in source or copy not in copies:
            add("| %s | missing | | | | |" % title)
            continue
        real, cpu = source[name]
        copy_real, copy_cpu = copies[copy]
        ratio, cpu_ratio = real / copy_real, cpu / copy_cpu
        if limit is not None:
            target, met = "<= %.1f ms" % limit, (real <= limit, cpu <= limit)
        elif ratio_limit is not None:
            target, met = "<= %.0f x memcpy" % ratio_limit, (ratio <= ratio_limit, cpu_ratio <= ratio_limit)
        else:
            target, met = "", None
        verdict = "" if met is None else ", ".join("yes" if m else "no" for m in met)
        add("| %s | %.3f (%.3f) | %.3f (%.3f) | %.1f (%.1f) | %s | %s |" %
            (title, real, cpu, copy_real, copy_cpu, ratio, cpu_ratio, target, verdict))
    # kavro render, whole process, ms a frame; beside the memcpy of a packed full-HD frame.
    frame_copy = bench.get("memcpy/1920x1080/real_time")
    for threads, limit in ((1, 1000.0 / 200), (2, None)):
        name = "kavro_render/1920x1080_c422/threads:%d" % threads
        title = "kavro render 1920x1080 C422 in, nothing out, %d thread%s, ms a frame" % (threads,
                                                                                          "" if threads == 1 else "s")
        if name not in kavro or frame_copy is None:
            add("| %s | missing | | | | |" % title)
            continue
        real, cpu = kavro[name]
        copy_real, copy_cpu = frame_copy
        target, verdict = "", ""
        if limit is not None:
            target = "<= %.1f ms (%.0f fps)" % (limit, 1000.0 / limit)
            # Frames a second are a wall-time figure; CPU time here adds the
            # reading and writing threads.
            verdict = "%s, (not a CPU figure)" % ("yes" if real <= limit else "no")
        add("| %s | %.3f (%.3f) | %.3f (%.3f) | %.1f (%.1f) | %s | %s |" %
            (title, real, cpu, copy_real, copy_cpu, real / copy_real, cpu / copy_cpu, target, verdict))
    add("")
    if kavro:
        add("kavro render (`tools/bench/kavro_fps.py`): two 120-frame 1920x1080 C422 YUV4MPEG2 clips in,")
        add("standard output to /dev/null, the whole process timed, the clips in the page cache. With one")
        add("rendering thread one more reads the sources and one writes, so its CPU time (all threads, user")
        add("and system) can exceed the wall time. Frames a second:")
        add("")
        for name, (real, cpu) in kavro.items():
            add("- `%s`: %.0f (by CPU time: %.0f)" % (name, 1000.0 / real, 1000.0 / cpu))
        add("")
        for threads in (1, 2):
            built_in = kavro.get("kavro_render/1920x1080_c422/mask_wafu1/threads:%d" % threads)
            own = kavro.get("kavro_render/1920x1080_c422/png_matte/threads:%d" % threads)
            if built_in and own:
                ratio = built_in[0] / own[0]
                add("With the built-in mask's 1080p frames as a folder of PNG files (`--mask FOLDER`), %d thread%s: "
                    "%.2f times the fps with `--mask wafu1` in the same run (target at least 0.8: %s)." %
                    (threads, "" if threads == 1 else "s", ratio, "yes" if ratio >= 0.8 else "no"))
        add("")
    add_melt(add, melt)
    add_xfade(add, xfade)
    add("## win32 under Wine")
    add("")
    if win32_absent is not None:
        add("Not measured in this run: the machine could not start the win32 build under Wine.")
        add("")
        add("    " + win32_absent)
        add("")
        write(readme, lines)
        return
    add("The same work through `kiv_timing` (`bench/timing/`), built for both targets")
    add("and run in the same `make bench`: the Linux build natively, then at once the")
    add("win32 build under Wine, group of figures by group, over %d rounds, in a" % rounds)
    add("Wine session brought up and left to settle first (`tools/wine/settle-session`:")
    add("Wine's own services run for seconds after a session starts). The")
    add("machine is shared and its speed drifts over seconds, so each round's Wine")
    add("figure is divided by the Linux figure measured just before it; the target,")
    add("within 1.3 x of Linux, is judged on the median of those ratios (the spread")
    add("of the rounds' ratios beside it), on wall time (Wine reports thread CPU time")
    add("in steps of a scheduler tick, too coarse for one item). Each ms figure is")
    add("the median of its rounds. Beside it, the same ratio of each round's fastest")
    add("repetitions: what the work costs on each target when nothing else on the")
    add("machine gets in its way.")
    add("")
    if emulated:
        add("**This run's win32 figures come from an emulator**: the machine's kernel runs")
        add("no 32-bit code, so 32-bit Wine ran through qemu-i386 (binfmt_misc). They time")
        add("the emulator as much as the code, so the 1.3 x target is not judged on them.")
        add("")
    add("| figure | Linux ms | win32 (Wine%s) ms |" % (", emulated" if emulated else "") + " win32 / Linux, median of rounds (lowest to highest) | fastest repetitions: win32 / Linux | met |")
    add("|---|---|---|---|---|---|")
    for name in linux:
        if name.startswith("memcpy/") or name not in win32:
            continue
        l_real, l_cpu = linux[name]
        w_real, w_cpu = win32[name]
        pairs = list(zip(linux_rounds[name], win32_rounds[name]))
        ratios = [w[0] / l[0] for l, w in pairs]
        ratio = statistics.median(ratios)
        fastest = statistics.median(w[2] / l[2] for l, w in pairs)
        add("| %s | %.3f (%.3f) | %.3f (%.3f) | %.2f (%.2f to %.2f) | %.2f | %s |" %
            (name, l_real, l_cpu, w_real, w_cpu, ratio, min(ratios), max(ratios), fastest,
             "not judged (emulated)" if emulated else "yes" if ratio <= 1.3 else "no"))
    add("")
    write(readme, lines)


def add_melt(add, melt):
    """melt_fps.py's figures: the native MLT module against MLT's luma and the frei0r mixer."""
    if not melt:
        return
    add("## melt (MLT)")
    add("")
    add("`tools/bench/melt_fps.py`: melt renders 100 frames of two 1920x1080 C422 YUV4MPEG2 clips to a")
    add("YUV4MPEG2 file (4:2:2), melt's start included, the transitions taking turns within each")
    add("repetition: the native module `kavro_wipe`, MLT's own `luma` as a dissolve and as a wipe (a luma")
    add("map MLT draws, `luma01`), the frei0r mixer, with one render thread (`real_time=-1`) and the")
    add("consumer's default. Each run writes 400 MB, so the disk and the page cache weigh on these")
    add("figures as much as the transitions do; the transitions' own costs are measured below, to the")
    add("null consumer.")
    add("")
    add("| threading | `kavro_wipe` fps | `luma` fps | `luma` wipe map fps | `frei0r.kavro_wipe` fps | kavro_wipe / luma |")
    add("|---|---|---|---|---|---|")
    names = ("kavro_wipe", "luma", "luma_wipe_map", "frei0r.kavro_wipe")
    for threading in ("one_thread", "default_threads"):
        fps = {}
        for transition in names:
            figure = melt.get("melt/%s/1920x1080_c422/%s" % (transition, threading))
            fps[transition] = 1000.0 / figure[0] if figure else None
        if None in fps.values():
            add("| %s | missing | | | | |" % threading)
            continue
        ratio = fps["kavro_wipe"] / fps["luma"]
        add("| %s | %s | %.2f |" % (threading.replace("_", " "), " | ".join("%.1f" % fps[n] for n in names), ratio))
    add("")
    add("CPU time a frame (every thread of melt), ms:")
    add("")
    for name, (real, cpu) in melt.items():
        if name.startswith("melt/"):
            add("- `%s`: %.2f" % (name, cpu))
    add("")
    add_melt_null(add, melt)


def add_melt_null(add, melt):
    """The same clips to the null consumer: the transitions' own cost, the disk out of the way."""
    names = ("none", "kavro_wipe", "luma", "luma_wipe_map")
    figures = {n: melt.get("melt_null/%s/1920x1080_c422/one_thread" % n) for n in names}
    if None in figures.values():
        return
    add("### melt to the null consumer")
    add("")
    add("The same 100 frames to MLT's `null` consumer, which writes nothing, so the CPU bounds the run,")
    add("not the disk; one render thread (`real_time=-1`), melt's start included. A transition's own")
    add("cost a frame is its wall time less that of the same clips with no transition. Targets:")
    add("`kavro_wipe` at least as fast as `luma` with a wipe map, and its own cost within 1.5 x the")
    add("dissolve's.")
    add("")
    add("| transition | fps | ms a frame | own ms a frame | CPU ms a frame |")
    add("|---|---|---|---|---|")
    none = figures["none"][0]
    for name in names:
        wall, cpu = figures[name]
        own = "" if name == "none" else "%.2f" % (wall - none)
        add("| %s | %.1f | %.2f | %s | %.2f |" % ("no transition" if name == "none" else "`%s`" % name, 1000.0 / wall, wall,
                                                 own, cpu))
    add("")
    wipe, dissolve, wipe_map = (figures[n][0] - none for n in ("kavro_wipe", "luma", "luma_wipe_map"))
    add("`kavro_wipe` against `luma` with a wipe map: %.2f x its frames a second (target at least 1): %s." %
        (figures["luma_wipe_map"][0] / figures["kavro_wipe"][0], "met" if wipe <= wipe_map else "not met"))
    add("Its own cost against the dissolve's: %.2f x (target at most 1.5): %s." %
        (wipe / dissolve, "met" if wipe <= 1.5 * dissolve else "not met"))
    add("")
    own = melt.get("melt_null/kavro_wipe_h264_matte/1920x1080_c422/one_thread")
    luma = melt.get("melt_null/luma_h264_matte/1920x1080_c422/one_thread")
    if own and luma:
        add("A wipe of the user's own, a 1920x1080 H.264 matte of 100 frames: `kavro_wipe mask=FILE` %.2f ms a"
            " frame (CPU %.2f), MLT's `luma resource=FILE` %.2f (CPU %.2f): %.2f x its frames a second"
            " (target at least 1): %s." % (own[0], own[1], luma[0], luma[1], luma[0] / own[0],
                                           "met" if own[0] <= luma[0] else "not met"))
        add("")


def add_xfade(add, xfade):
    """xfade_compare.py's figures: kavro against ffmpeg's xfade, H.264 in and out."""
    names = ("kavro_wipe", "ffmpeg_xfade", "kavro_wipe_no_encoding", "ffmpeg_decoding_only")
    figures = [xfade.get("encoded/%s/1920x1080_h264" % name) for name in names]
    if None in figures:
        return
    kavro, ffmpeg, kavro_decoding, decoding = figures
    add("## kavro and ffmpeg's xfade")
    add("")
    add("`tools/bench/xfade_compare.py`: two 100-frame 1920x1080 H.264 clips (made by kavro) to H.264")
    add("in MP4, libx264 CRF 18 preset medium 4:2:0 for both, no audio, the whole process timed: `kavro")
    add("render a.mp4 b.mp4 -o out.mp4` and `ffmpeg -i a.mp4 -i b.mp4 -filter_complex")
    add("\"[0][1]xfade=transition=fade:duration=4:offset=0\" out.mp4`. kavro's own part (fitting, 4:2:2, the")
    add("wipe, frame handling) is told from the codecs' by CPU time: kavro decoding both clips and")
    add("writing YUV4MPEG2 to /dev/null, less ffmpeg only decoding them.")
    add("")
    add("| | fps | CPU ms a frame |")
    add("|---|---|---|")
    add("| kavro | %.1f | %.1f |" % (1000.0 / kavro[0], kavro[1]))
    add("| ffmpeg xfade | %.1f | %.1f |" % (1000.0 / ffmpeg[0], ffmpeg[1]))
    add("| kavro, nothing encoded | %.1f | %.1f |" % (1000.0 / kavro_decoding[0], kavro_decoding[1]))
    add("| ffmpeg, decoding only | %.1f | %.1f |" % (1000.0 / decoding[0], decoding[1]))
    add("")
    own = kavro_decoding[1] - decoding[1]
    add("kavro's own part: %.1f ms of CPU a frame, %.0f%% of kavro's whole CPU time." % (own, 100.0 * own / kavro[1]))
    add("")


def write(readme, lines):
    with open(readme, "w") as f:
        f.write("\n".join(lines))


if __name__ == "__main__":
    main()
