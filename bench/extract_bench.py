#!/usr/bin/env python3
"""Extraction benchmark: builds patches with sfxpack, unpacks them with the
patch's own extraction, and compares with cat, dd bs=1000 and unzip of a
stored zip over the same bytes. Prints MB/s, files/s, peak memory and ratios.

usage: extract_bench.py BIN_DIR [WORK_DIR]
  BIN_DIR holds sfxpack.exe and sfx_self_extract.exe (a Linux build).
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

REPEATS = 3


def run(argv, shell=False):
    """Runs a command under /usr/bin/time; returns (seconds, peak RSS in MiB,
    exit code). The RSS is the command's own, not that of this script."""
    if shell:
        argv = ["sh", "-c", argv]
    with tempfile.NamedTemporaryFile("r", suffix=".rss") as rss:
        start = time.perf_counter()
        code = subprocess.call(["/usr/bin/time", "-f", "%M", "-o", rss.name] + argv)
        seconds = time.perf_counter() - start
        lines = [l for l in rss.read().split() if l.isdigit()]
    return seconds, (int(lines[-1]) / 1024.0 if lines else 0.0), code


def win_path(path):
    """The path as the patch sees it on the Linux target: drive Z: is the root."""
    return "Z:" + path.replace("/", "\\")


def best(label, make_argv, prepare, expect=0, shell=False):
    times, peak = [], 0.0
    for _ in range(REPEATS):
        prepare()
        seconds, rss, code = run(make_argv(), shell=shell)
        if code != expect:
            sys.exit(f"{label}: exit code {code}")
        times.append(seconds)
        peak = max(peak, rss)
    return min(times), peak


def payload(work, name, count, size):
    src = os.path.join(work, name)
    os.makedirs(src)
    names = []
    for i in range(count):
        path = os.path.join(src, f"member{i:04d}.bin")
        with open(path, "wb") as f:
            f.write(os.urandom(size))
        names.append(path)
    return names


def bench(bin_dir, work, title, count, size):
    names = payload(work, title, count, size)
    total = count * size
    tool = os.path.join(bin_dir, "sfxpack.exe")
    base = os.path.join(bin_dir, "sfx_self_extract.exe")
    patch = os.path.join(work, title + ".exe")
    subprocess.run([tool, "create", base, patch] + names, check=True)
    concat = os.path.join(work, title + ".cat")
    with open(concat, "wb") as out:
        for n in names:
            with open(n, "rb") as f:
                shutil.copyfileobj(f, out)
    zip_path = os.path.join(work, title + ".zip")
    subprocess.run(["zip", "-q", "-0", "-j", zip_path] + names, check=True)
    out_dir = os.path.join(work, title + "-out")
    out_file = os.path.join(work, title + ".copy")

    def fresh_dir():
        shutil.rmtree(out_dir, ignore_errors=True)

    def fresh_file():
        if os.path.exists(out_file):
            os.remove(out_file)

    results = {}
    results["extract"] = best("extract", lambda: [patch, win_path(out_dir)], fresh_dir, expect=1)
    results["cat"] = best("cat", lambda: f"cat '{concat}' > '{out_file}'", fresh_file, shell=True)
    results["dd"] = best("dd", lambda: ["dd", "bs=1000", "status=none", f"if={concat}", f"of={out_file}"],
                         fresh_file)
    results["unzip"] = best("unzip", lambda: ["unzip", "-q", "-o", zip_path, "-d", out_dir], fresh_dir)

    # The unpacked bytes are the packed ones.
    fresh_dir()
    subprocess.run([patch, win_path(out_dir)], check=False)
    for n in names:
        with open(n, "rb") as a, open(os.path.join(out_dir, os.path.basename(n)), "rb") as b:
            if a.read() != b.read():
                sys.exit(f"{title}: {n} differs after extraction")

    mb = total / 1e6
    print(f"\n{title}: {count} members of {size} bytes, {mb:.1f} MB")
    print(f"  {'method':<8} {'seconds':>9} {'MB/s':>9} {'files/s':>10} {'peak MiB':>9}")
    for key, (seconds, rss) in results.items():
        files = f"{count / seconds:10.0f}" if key in ("extract", "unzip") else f"{'-':>10}"
        print(f"  {key:<8} {seconds:9.3f} {mb / seconds:9.1f} {files} {rss:9.1f}")
    ext = results["extract"][0]
    print(f"  extract / dd bs=1000: {ext / results['dd'][0]:.2f}x the time (target at most 1.5x)")
    print(f"  extract / cat:        {ext / results['cat'][0]:.2f}x the time")
    print(f"  extract / unzip:      {ext / results['unzip'][0]:.2f}x the time"
          + (" (target at most 1.0x)" if size <= 4096 else ""))
    return results


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    bin_dir = os.path.abspath(sys.argv[1])
    work = sys.argv[2] if len(sys.argv) > 2 else tempfile.mkdtemp(prefix="flbench-sfx-")
    os.makedirs(work, exist_ok=True)
    try:
        large = bench(bin_dir, work, "large", 20, 64 * 1024 * 1024 // 20)
        small = bench(bin_dir, work, "small", 2000, 4096)
        print(f"\npeak memory of extraction: {large['extract'][1]:.1f} MiB with 3.2 MiB members, "
              f"{small['extract'][1]:.1f} MiB with 4 KiB members")
    finally:
        if len(sys.argv) <= 2:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
