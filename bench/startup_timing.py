#!/usr/bin/env python3
"""Start-up of the viewer beside a bare Qt program and other viewers, in one interleaved run.

Run it inside the showtime tool's display environment (it starts Xvfb, D-Bus and the bench HOME):
  ../shared/tools/showtime/benchenv.sh bench/startup_timing.py [options]

Each round starts every program on every case once, in turn, so that the load of a shared
machine falls on all of them alike; the minimum is what a program can do, the median what it
usually does. Times are from just before the exec (the screen-timing probe's own clock):
  map    the window is mapped
  first  10 % of the final picture area shows picture (for a progressive JPEG: its first look)
  full   90 % of it shows picture
  final  the screen equals its settled state (pictures: 99 % of the picture blocks)
  rss    peak resident memory of the program (MiB)
For a document, "picture" means any block with two colours or more (text, tool bar), so
"final" is the text shown. For a video the first frame counts: "first".
In the cases of --threads-cases every zarovia build also runs with ZAROVIA_DECODE_THREADS=1
(labelled "<label> 1t") right after its run with the default thread count (the variable unset),
and the ratio of the two exec-to-picture times is printed after the table.

options:
  --build DIR        build tree with src/zarovia and bench/reference_viewer (build)
  --before [LABEL=]BINARY
                     another zarovia binary, measured as LABEL ("before" without one) in the
                     same rounds; may be given several times
  --peers LIST       comma-separated peers among gpicview,feh,nsxiv,qimgv (those installed)
  --cases LIST       comma-separated case names (all but links*); see CASES below
  --threads-cases LIST
                     cases also run on one decode thread (restart24)
  -r N               rounds (5)        -w N   warm-up rounds (1)
  --json FILE        append every run as a JSON line
  --profile N        instead: N start-ups of zarovia (and of --before, interleaved) with
                     ZAROVIA_STARTUP_PROFILE set, printing the median time and memory of each
                     phase (case: the first of --cases); the exec is stamped by this script
"""
import argparse, json, os, shutil, signal, statistics, subprocess, sys, time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SHOWTIME = os.path.join(TOP, "..", "shared", "tools", "showtime")
sys.path.insert(0, SHOWTIME)
import timeshow  # noqa: E402  (the shared probe's runner: run_once, parse)

DATA = os.environ.get("BENCH_DATA", "/var/tmp/showtime-data")
MORE = os.environ.get("STARTUP_DATA", "/var/tmp/startup-data")
MEDIA = os.path.join(TOP, "tests", "data", "media")
LINKS = os.environ.get("FOLDER_DATA", "/tmp/zarovia-folders")

# name: (path, kind). Kinds: picture, document (zarovia only), video (zarovia only).
# small, photo*: the showtime pictures in their folder (the viewer reads the next one ahead);
# alone: the 640 x 480 picture alone in its folder; folder24: a folder of 24 MP pictures;
# links*: the 640 x 480 picture alone, and first of 10,000 and 100,000 hard links to it
# (bench/make_folder_links.sh); restart24: photo24.jpg written again with a restart marker every
# MCU row, alone in its folder (decoded in bands on several threads).
CASES = {
    "small": (f"{DATA}/small.jpg", "picture"),
    "alone": (f"{MORE}/alone/small.jpg", "picture"),
    "photo12": (f"{DATA}/photo12.jpg", "picture"),
    "photo24": (f"{DATA}/photo24.jpg", "picture"),
    "photo12p": (f"{DATA}/photo12p.jpg", "picture"),
    "photo24p": (f"{DATA}/photo24p.jpg", "picture"),
    "folder24": (f"{MORE}/folder24/photo_001.jpg", "picture"),
    "restart24": (f"{MORE}/restart24/photo24_restart.jpg", "picture"),
    "links1": (f"{LINKS}/links1/IMG_000000.jpg", "picture"),
    "links10k": (f"{LINKS}/links10000/IMG_000000.jpg", "picture"),
    "links100k": (f"{LINKS}/links100000/IMG_000000.jpg", "picture"),
    "text": (f"{MORE}/text/short.txt", "document"),
    "video": (f"{MEDIA}/clip.mpg", "video"),
}

PEERS = {
    "gpicview": "gpicview {file}",
    "feh": "feh -g 640x480 --scale-down {file}",
    "nsxiv": "nsxiv -g 640x480 {file}",
    "qimgv": "qimgv {file}",
}
METRICS = ["t_map_ms", "t_first_ms", "t_full_ms", "t_final_ms", "rss_peak_kb"]


def probe_options(kind):
    # Text and tool bars have few colours per block: count every block that is not flat.
    return ["-c", "2"] if kind == "document" else []


def run_case(template, path, kind, log, threads=None):
    """One start-up; `threads` sets ZAROVIA_DECODE_THREADS, "" unsets it, None leaves it."""
    argv = timeshow.expand(template, path)
    cmd = [timeshow.PROBE, "-i", "4", "-s", "1200", "-t", "20000", "-l", log] + probe_options(kind)
    env = dict(os.environ)
    if threads == "":
        env.pop("ZAROVIA_DECODE_THREADS", None)
    elif threads is not None:
        env["ZAROVIA_DECODE_THREADS"] = threads
    p = subprocess.run(cmd + ["--"] + argv, capture_output=True, text=True, timeout=60, env=env)
    r = timeshow.parse(p.stdout)
    r["probe_rc"] = p.returncode
    return r


def fmt(values, scale=1.0):
    v = sorted(x for x in values if x is not None)
    if not v:
        return "n/a"
    return f"{v[0] * scale:.0f} / {statistics.median(v) * scale:.0f}"


def other_builds(a):
    """(label, binary) of every --before."""
    builds = []
    for item in a.before:
        label, _, binary = item.rpartition("=")
        builds.append((label or "before", binary))
    return builds


def programs(a):
    progs = [("zarovia", os.path.join(a.build, "src", "zarovia") + " {file}")]
    for label, binary in other_builds(a):
        progs.append((label, binary + " {file}"))
    progs.append(("reference", os.path.join(a.build, "bench", "reference_viewer") + " {file}"))
    for name in filter(None, a.peers.split(",")):
        if shutil.which(name):
            progs.append((name, PEERS[name]))
        else:
            print(f"(peer {name} is not installed)", file=sys.stderr)
    return progs


def runs_of(case, label, template, viewers, threads_cases):
    """(label, template, threads) of each start-up of a program in a case: a viewer in a
    threads case runs with the default thread count, then on one thread."""
    if case in threads_cases and label in viewers:
        return [(label, template, ""), (label + " 1t", template, "1")]
    return [(label, template, None)]


def print_thread_ratios(results, cases, viewers, threads_cases):
    for case in cases:
        if case not in threads_cases:
            continue
        for label in sorted(viewers):
            default, one = results.get((case, label)), results.get((case, label + " 1t"))
            if not default or not one:
                continue
            for metric in ("t_full_ms", "t_final_ms"):
                d = sorted(r[metric] for r in default if r.get(metric) is not None)
                o = sorted(r[metric] for r in one if r.get(metric) is not None)
                if not d or not o:
                    continue
                print(f"{case} {label}, {metric[2:-3]}: 1 thread {o[0]:.0f} / {statistics.median(o):.0f} ms, "
                      f"default {d[0]:.0f} / {statistics.median(d):.0f} ms; 1 thread / default "
                      f"{o[0] / d[0]:.2f} x (minima), {statistics.median(o) / statistics.median(d):.2f} x (medians)")


def timing(a):
    cases = [c for c in a.cases.split(",") if c]
    threads_cases = {c for c in a.threads_cases.split(",") if c}
    progs = programs(a)
    viewers = {"zarovia"} | {label for label, _ in other_builds(a)}
    results = {}
    for rnd in range(a.w + a.r):
        for case in cases:
            path, kind = CASES[case]
            for program, program_template in progs:
                if kind != "picture" and program not in viewers:
                    continue
                for label, template, threads in runs_of(case, program, program_template, viewers,
                                                        threads_cases):
                    r = run_case(template, path, kind, "/dev/null", threads)
                    if a.json and rnd >= a.w:
                        with open(a.json, "a") as f:
                            f.write(json.dumps({"case": case, "program": label, **r}) + "\n")
                    if rnd >= a.w:
                        results.setdefault((case, label), []).append(r)
        print(f"round {rnd + 1}/{a.w + a.r} done (load {os.getloadavg()[0]:.1f})", file=sys.stderr)
    print(f"\nmin / median of {a.r} rounds; ms from exec, peak RSS in MiB")
    print(f"{'case':<10} {'program':<10} {'map':>9} {'first':>9} {'full':>9} {'final':>9} {'rss':>7}  not ok")
    for (case, label), runs in results.items():
        cols = [fmt([r.get(m) for r in runs], 1 / 1024 if m.endswith("_kb") else 1) for m in METRICS]
        bad = sum(1 for r in runs if r.get("status") != "ok")
        print(f"{case:<10} {label:<10} " + " ".join(f"{c:>9}" for c in cols[:4]) + f" {cols[4]:>7}  {bad or ''}")
    print_thread_ratios(results, cases, viewers, threads_cases)


def profile_once(binary, path):
    env = dict(os.environ)
    env["ZAROVIA_STARTUP_PROFILE"] = str(time.time_ns())
    p = subprocess.Popen([binary, path], env=env, stderr=subprocess.PIPE, stdout=subprocess.DEVNULL,
                         text=True)
    time.sleep(1.5)
    p.send_signal(signal.SIGTERM)
    _, err = p.communicate(timeout=10)
    marks = []
    for line in err.splitlines():
        f = line.split()
        if len(f) > 12 and f[0] == "startup":
            # startup T ms rss R peak P anon A file F MiB phase...
            marks.append((" ".join(f[12:]), float(f[1]), float(f[4]), float(f[6])))
    return marks


def profile(a):
    case = a.cases.split(",")[0]
    path, _ = CASES[case]
    binaries = [("zarovia", os.path.join(a.build, "src", "zarovia"))] + other_builds(a)
    phases = {label: {} for label, _ in binaries}
    order = {label: [] for label, _ in binaries}
    for _ in range(a.profile):
        for label, binary in binaries:
            seen = set()
            for name, ms, rss, peak in profile_once(binary, path):
                while name in seen:  # a phase marked twice (a second paint): keep both
                    name += "'"
                seen.add(name)
                if name not in phases[label]:
                    order[label].append(name)
                phases[label].setdefault(name, []).append((ms, rss, peak))
    for label, _ in binaries:
        print(f"{label}, {case}: median of {a.profile} start-ups (ms from exec; resident and peak MiB)")
        for name in order[label]:
            v = phases[label][name]
            print(f"  {statistics.median(x[0] for x in v):7.1f} ms  {statistics.median(x[1] for x in v):5.1f}"
                  f"  {statistics.median(x[2] for x in v):5.1f} MiB  {name}  (n={len(v)})")


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build", default=os.path.join(TOP, "build"))
    ap.add_argument("--before", action="append", default=[])
    ap.add_argument("--peers", default="gpicview,feh,nsxiv,qimgv")
    ap.add_argument("--cases", default=",".join(c for c in CASES if not c.startswith("links")))
    ap.add_argument("--threads-cases", default="restart24")
    ap.add_argument("-r", type=int, default=5)
    ap.add_argument("-w", type=int, default=1)
    ap.add_argument("--json")
    ap.add_argument("--profile", type=int, default=0)
    a = ap.parse_args()
    if not os.environ.get("DISPLAY"):
        sys.exit("startup_timing: DISPLAY not set; run it inside ../shared/tools/showtime/benchenv.sh")
    if not os.path.exists(timeshow.PROBE):
        sys.exit("startup_timing: probe missing; run ../shared/tools/showtime/build.sh")
    for case in filter(None, a.cases.split(",")):
        if case not in CASES:
            sys.exit(f"startup_timing: unknown case {case}")
        if not os.path.exists(CASES[case][0]):
            sys.exit(f"startup_timing: missing {CASES[case][0]} (see bench/make_startup_data.sh, "
                     "bench/make_folder_links.sh)")
    profile(a) if a.profile else timing(a)


if __name__ == "__main__":
    main()
