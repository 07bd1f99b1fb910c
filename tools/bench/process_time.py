"""Wall and CPU time of whole child processes, as the bench scripts report
them: one line per figure, as kiv_timing prints."""
import resource
import statistics


def children_cpu():
    """User and system seconds of every child process waited for so far."""
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def figure_line(name, runs, frames):
    """`name`, then the medians of the runs' (wall, CPU) seconds, in ms a frame."""
    wall = statistics.median(run[0] for run in runs) * 1e3 / frames
    cpu = statistics.median(run[1] for run in runs) * 1e3 / frames
    return "%s %10.4f %10.4f" % (name, wall, cpu)
