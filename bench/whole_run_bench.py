#!/usr/bin/env python3
"""Whole-run benchmark: a full update by the real patch executable of a
server that is not HTTP-based (no console running, NoRestart, so no wait of
the run is ever taken) into all six of its component directories, against a
baseline that does the least I/O the same job needs, in the same run:

  - the payload bytes extracted with cat (into one file of the working
    directory: a lower bound of the patch's one file per member),
  - the replaced files moved aside into FLBak with mv where the directory
    keeps backups,
  - the new files copied into the six directories with cp.

The baseline is one sh script, so its process starts (about a dozen) are
counted like the patch's one. Every directory holds an older version of every
member (4 KiB or less) and "KsUpdate.dll" 1.30, which makes the update needed.
Prints both times, their ratio, and how the time grows with the members.

usage: whole_run_bench.py BIN_DIR [WORK_DIR]
  BIN_DIR holds P_FL132.exe, sfxpack.exe and mkverdll.exe (a Linux build).
"""
import os
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

REPEATS = 3
TARGET_RATIO = 1.5
OLD_SIZE = 4096

# The component directories of a server that is not HTTP-based, and whether
# each keeps backups of the files it replaces.
ROWS = [
    ("console", True),
    ("Console/Tools/Refresher", True),
    ("Console/Tools/TimedRefresh", True),
    ("Console/Tools/Relay_en/RelayLib", False),
    ("Console/Tools/RelayAgent/RelayLib", False),
    ("Console/Tools/Relay_jp/RelayLib", False),
]


class Payload:
    """count members of size random bytes, the patch that carries them, and
    their concatenation for the baseline's cat."""

    def __init__(self, bin_dir, work, title, count, size):
        self.title, self.count, self.size = title, count, size
        self.src = os.path.join(work, title + "-payload")
        os.makedirs(self.src)
        self.names = [f"member{i:04d}.bin" for i in range(count)]
        for name in self.names:
            with open(os.path.join(self.src, name), "wb") as f:
                f.write(os.urandom(size))
        self.patch = os.path.join(work, title + ".exe")
        subprocess.run([os.path.join(bin_dir, "sfxpack.exe"), "create",
                        os.path.join(bin_dir, "P_FL132.exe"), self.patch]
                       + [os.path.join(self.src, n) for n in self.names],
                       check=True, stdout=subprocess.DEVNULL)
        self.blob = os.path.join(work, title + ".cat")
        with open(self.blob, "wb") as out:
            for name in self.names:
                with open(os.path.join(self.src, name), "rb") as f:
                    shutil.copyfileobj(f, out)


class Installation:
    """A master directory laid out afresh before every timed run."""

    def __init__(self, bin_dir, work, payload, label):
        self.bin_dir, self.payload = bin_dir, payload
        self.master = os.path.join(work, f"{payload.title}-{label}", "Guardpost")
        self.dll = os.path.join(work, "KsUpdate-1.30.dll")
        if not os.path.exists(self.dll):
            subprocess.run([os.path.join(bin_dir, "mkverdll.exe"), self.dll, "1.30.0.0"],
                           check=True, stdout=subprocess.DEVNULL)

    def lay_out(self, with_patch):
        shutil.rmtree(os.path.dirname(self.master), ignore_errors=True)
        os.makedirs(self.master)
        with open(os.path.join(self.master, "gdpost.ini"), "wb") as f:
            f.write(b"[INI_SERVER_SECTION]\r\nSetupType=0\r\n")
        old = b"old version\n" * (OLD_SIZE // 12)
        for row, _ in ROWS:
            directory = os.path.join(self.master, row)
            os.makedirs(directory)
            shutil.copyfile(self.dll, os.path.join(directory, "KsUpdate.dll"))
            for name in self.payload.names:
                with open(os.path.join(directory, name), "wb") as f:
                    f.write(old[:min(OLD_SIZE, self.payload.size)])
        if with_patch:
            # The patch only reads itself: a link saves copying it each time.
            os.link(self.payload.patch, os.path.join(self.master, "P_FL132.exe"))

    def check(self, expect_log):
        """The new bytes in every directory, the old ones in each FLBak."""
        for row, backup in ROWS:
            directory = os.path.join(self.master, row)
            for name in self.payload.names:
                if os.path.getsize(os.path.join(directory, name)) != self.payload.size:
                    sys.exit(f"{self.payload.title}: {row}/{name} was not updated")
                if backup and not os.path.isfile(os.path.join(directory, "FLBak", name)):
                    sys.exit(f"{self.payload.title}: {row}/FLBak/{name} is missing")
        first = self.payload.names[0]
        with open(os.path.join(self.payload.src, first), "rb") as a:
            new = a.read()
        for row, _ in ROWS:
            with open(os.path.join(self.master, row, first), "rb") as b:
                if b.read() != new:
                    sys.exit(f"{self.payload.title}: {row}/{first} differs from the payload")
        if expect_log:
            with open(os.path.join(self.master, "GDPX_PATCH.ini"), "rb") as f:
                record = f.read().replace(b"\r", b"")
            if b"Result=1" not in record:
                sys.exit(f"{self.payload.title}: the run failed:\n{record.decode(errors='replace')}")


def baseline_script(inst):
    """The least I/O of the update, as one sh script run in the master directory."""
    p = inst.payload
    q = shlex.quote
    lines = ["set -e", f"cd {q(inst.master)}", "mkdir FL132Ext",
             f"cat {q(p.blob)} > FL132Ext/payload.cat"]
    for row, backup in ROWS:
        if backup:
            lines.append(f"mkdir {q(row)}/FLBak")
            lines.append(f"(cd {q(row)} && printf '%s\\0' member*.bin | xargs -0 mv -t FLBak)")
        lines.append(f"(cd {q(p.src)} && printf '%s\\0' member*.bin | xargs -0 cp -t {q(os.path.join(inst.master, row))})")
    return "\n".join(lines) + "\n"


def best(prepare, argv, env, cwd):
    times = []
    for _ in range(REPEATS):
        prepare()
        start = time.perf_counter()
        code = subprocess.call(argv, env=env, cwd=cwd)
        times.append(time.perf_counter() - start)
        if code != 0:
            sys.exit(f"{argv[0]}: exit code {code}")
    return min(times)


def measure(bin_dir, work, payload, env):
    patch_inst = Installation(bin_dir, work, payload, "patch")
    base_inst = Installation(bin_dir, work, payload, "baseline")
    exe = os.path.join(patch_inst.master, "P_FL132.exe")
    t_patch = best(lambda: patch_inst.lay_out(True), [exe, "NoRestart"], env, work)
    patch_inst.check(True)
    script = os.path.join(work, payload.title + "-baseline.sh")
    with open(script, "w") as f:
        f.write(baseline_script(base_inst))
    t_base = best(lambda: base_inst.lay_out(False), ["sh", script], env, work)
    base_inst.check(False)
    shutil.rmtree(os.path.dirname(patch_inst.master), ignore_errors=True)
    shutil.rmtree(os.path.dirname(base_inst.master), ignore_errors=True)
    return t_patch, t_base


def report(title, payload, t_patch, t_base):
    mb = payload.count * payload.size / 1e6
    copies = payload.count * len(ROWS)
    print(f"\n{title}: {payload.count} members of {payload.size} bytes ({mb:.1f} MB), "
          f"{copies} files written into {len(ROWS)} directories")
    print(f"  patch run:  {t_patch:8.3f} s")
    print(f"  baseline:   {t_base:8.3f} s  (cat + mv + cp)")
    print(f"  ratio:      {t_patch / t_base:8.2f}x the baseline's time (target at most {TARGET_RATIO}x)")


def sweep(bin_dir, work, env):
    counts = [1, 10, 100, 1000, 2000]
    rows = []
    for count in counts:
        payload = Payload(bin_dir, work, f"sweep{count}", count, 4096)
        rows.append((count,) + measure(bin_dir, work, payload, env))
    print("\nsweep: members of 4 KiB")
    print(f"  {'members':>7} {'patch s':>9} {'base s':>9} {'ratio':>6} {'patch ms/member':>16} "
          f"{'base ms/member':>15}")
    t1_patch, t1_base = rows[0][1], rows[0][2]
    for count, t_patch, t_base in rows:
        per_patch = per_base = "-"
        if count > 1:
            # The cost of a member above the fixed cost of a one-member run.
            per_patch = f"{(t_patch - t1_patch) * 1000 / (count - 1):.3f}"
            per_base = f"{(t_base - t1_base) * 1000 / (count - 1):.3f}"
        print(f"  {count:7d} {t_patch:9.3f} {t_base:9.3f} {t_patch / t_base:6.2f} {per_patch:>16} "
              f"{per_base:>15}")
    # Linear growth: a member costs the same at 2000 as at 1000 members.
    step_low = (rows[3][1] - rows[2][1]) / (counts[3] - counts[2])
    step_high = (rows[4][1] - rows[3][1]) / (counts[4] - counts[3])
    growth = step_high / step_low if step_low > 0 else float("inf")
    verdict = "linear" if 0.67 <= growth <= 1.5 else "NOT linear"
    print(f"  patch: {step_low * 1e6:.0f} us a member from 100 to 1000, {step_high * 1e6:.0f} us "
          f"from 1000 to 2000 ({growth:.2f}x): {verdict} in the members")


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    bin_dir = os.path.abspath(sys.argv[1])
    work = os.path.abspath(sys.argv[2]) if len(sys.argv) > 2 else tempfile.mkdtemp(prefix="flbench-run-")
    os.makedirs(work, exist_ok=True)
    env = dict(os.environ)
    env.setdefault("W32_STATE_DIR", os.path.join(work, "state"))
    try:
        for title, count, size in (("large", 20, 64 * 1024 * 1024 // 20), ("small", 2000, 4096)):
            payload = Payload(bin_dir, work, title, count, size)
            report(title, payload, *measure(bin_dir, work, payload, env))
            shutil.rmtree(payload.src, ignore_errors=True)
        sweep(bin_dir, work, env)
    finally:
        if len(sys.argv) <= 2:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
