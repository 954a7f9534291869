#!/usr/bin/env python3
"""Runs one end-to-end case of routesift or meshprobe and compares every result.

A case is a folder:
  cmd       the command line, run by bash in a fresh work folder whose PATH starts
            with the build folder (so `meshprobe -f script.msp` names the built program)
  stdin     bytes given as standard input (absent: /dev/null, which the programs
            treat as a terminal)
  in/       files copied into the work folder before the run
  stdout    expected standard output  (absent: must be empty)
  stderr    expected standard error   (absent: must be empty)
  status    expected exit status      (absent: 0)
  out/      files that must exist in the work folder afterwards, byte for byte
  timeout   seconds before the run counts as a hang (absent: 60)
  no-sanitizer  present: the case runs in the normal build only (memory limits
            through ulimit -v, which the sanitizers' address space cannot meet)
  needs-libedit present: the case runs only in builds with line editing
  stdout.libedit, stderr.libedit
            what a terminal shows in builds with line editing, where it differs:
            the editor echoes the typed line itself (even under stty -echo) and
            writes ^D at the end of input (run with --libedit)

With --accept, the observed stdout, stderr, status and the files already named
in out/ are written into the case instead of compared: review them before
committing, they become the truth.
"""
import argparse
import difflib
import os
import shutil
import signal
import subprocess
import sys
import tempfile


def show(data: bytes) -> list:
    text = data.decode("utf-8", errors="backslashreplace")
    lines = text.split("\n")
    out = [repr(line)[1:-1] + "\n" for line in lines[:-1]]
    if lines[-1]:
        out.append(repr(lines[-1])[1:-1] + "  [no newline at end]\n")
    return out


def compare(what: str, expected: bytes, actual: bytes) -> bool:
    if expected == actual:
        return True
    sys.stdout.write(f"--- {what} differs (expected -, actual +)\n")
    diff = difflib.unified_diff(show(expected), show(actual), "expected", "actual", n=2)
    for i, line in enumerate(diff):
        if i > 400:
            sys.stdout.write("... (diff cut)\n")
            break
        sys.stdout.write(line)
    return False


def read(path: str, default: bytes = b"") -> bytes:
    if os.path.exists(path):
        with open(path, "rb") as f:
            return f.read()
    return default


def expected_path(case: str, name: str, libedit: bool) -> str:
    variant = os.path.join(case, name + ".libedit")
    return variant if libedit and os.path.exists(variant) else os.path.join(case, name)


def main() -> int:
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin-dir", required=True)
    ap.add_argument("--accept", action="store_true")
    ap.add_argument("--libedit", action="store_true", help="the build has line editing")
    ap.add_argument("case")
    args = ap.parse_args()
    case = os.path.abspath(args.case)
    cmd = read(os.path.join(case, "cmd")).decode().strip()
    if not cmd:
        print(f"{case}: empty or missing cmd")
        return 1
    timeout = float(read(os.path.join(case, "timeout"), b"60").decode().strip())

    work = tempfile.mkdtemp(prefix="e2e-")
    home = tempfile.mkdtemp(prefix="e2e-home-")
    try:
        indir = os.path.join(case, "in")
        if os.path.isdir(indir):
            shutil.copytree(indir, work, dirs_exist_ok=True)
        env = dict(os.environ)
        env["PATH"] = os.path.abspath(args.bin_dir) + os.pathsep + env.get("PATH", "")
        env["LC_ALL"] = "C"
        # A home of its own: nothing a case does (a prompt's history) reaches
        # the real one.
        env["HOME"] = home
        env.setdefault("TERM", "xterm")
        stdin_path = os.path.join(case, "stdin")
        stdin = open(stdin_path, "rb") if os.path.exists(stdin_path) else open(os.devnull, "rb")
        # The case runs in a session of its own, so that a hang is ended whole:
        # killing only the shell would leave the program under test running.
        child = subprocess.Popen(["bash", "-c", cmd], cwd=work, env=env, stdin=stdin,
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, start_new_session=True)
        try:
            out, err = child.communicate(timeout=timeout)
            proc = subprocess.CompletedProcess(child.args, child.returncode, out, err)
        except subprocess.TimeoutExpired:
            os.killpg(child.pid, signal.SIGKILL)
            child.communicate()
            print(f"{case}: timed out after {timeout} s (a hang?)")
            return 1
        finally:
            stdin.close()

        outdir = os.path.join(case, "out")
        expected = {name: expected_path(case, name, args.libedit) for name in ("stdout", "stderr")}
        if args.accept:
            for name, data in (("stdout", proc.stdout), ("stderr", proc.stderr)):
                path = expected[name]
                if data:
                    with open(path, "wb") as f:
                        f.write(data)
                elif os.path.exists(path):
                    os.remove(path)
            status_path = os.path.join(case, "status")
            if proc.returncode != 0:
                with open(status_path, "w") as f:
                    f.write(f"{proc.returncode}\n")
            elif os.path.exists(status_path):
                os.remove(status_path)
            if os.path.isdir(outdir):
                for root, _, files in os.walk(outdir):
                    for name in files:
                        rel = os.path.relpath(os.path.join(root, name), outdir)
                        shutil.copyfile(os.path.join(work, rel), os.path.join(outdir, rel))
            print(f"accepted {case}")
            return 0

        ok = compare("stdout", read(expected["stdout"]), proc.stdout)
        ok = compare("stderr", read(expected["stderr"]), proc.stderr) and ok
        want = int(read(os.path.join(case, "status"), b"0").decode().strip())
        if want != proc.returncode:
            print(f"--- exit status: expected {want}, actual {proc.returncode}")
            ok = False
        if os.path.isdir(outdir):
            for root, _, files in os.walk(outdir):
                for name in sorted(files):
                    rel = os.path.relpath(os.path.join(root, name), outdir)
                    got = os.path.join(work, rel)
                    if not os.path.exists(got):
                        print(f"--- output file {rel} was not written")
                        ok = False
                        continue
                    ok = compare(f"file {rel}", read(os.path.join(root, name)), read(got)) and ok
        print(("PASS " if ok else "FAIL ") + os.path.basename(case))
        return 0 if ok else 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
