#!/usr/bin/env python3
"""Seeds faults into the product one at a time and runs the tests against each.

Each fault of faults.txt replaces one exact snippet (unique in its file, or in
the files of its folder) by another. The runner applies it to the working
tree, rebuilds the presets that compile the file, runs their tests with
--stop-on-failure (the likeliest catchers first), writes one result line and
puts the file back, also when interrupted.

  tools/faults/seed-faults.py [--label NAME] [--only REGEX] [--presets native,win32]
  tools/faults/seed-faults.py --table before,after

Results go to tools/faults/results-NAME.tsv: fault, caught by (preset:test)
or "missed", seconds; --table writes results.md from runs side by side.
Build trees: build/<preset> (configured beforehand).
"""
import argparse
import os
import re
import signal
import subprocess
import sys
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
HERE = os.path.dirname(os.path.abspath(__file__))
# Sources that the native build compiles too: their faults run there first.
PORTABLE = re.compile(
    r"^(conduit/(messages|settings|records|report_writer|report_files|properties|session_log)"
    r"\.cpp|common/(texts\.cpp|registry_values\.h)|installer/text_rules\.cpp|report/\w+\.cpp)$")


def parse(path):
    faults, fault = [], None
    for raw in open(path, encoding="utf-8"):
        line = raw.rstrip("\n")
        if line.startswith("#") or not line.strip():
            continue
        word, _, rest = line.partition(" ")
        if word == "fault":
            fault = {"name": rest.strip(), "old": [], "new": [], "first": ""}
            faults.append(fault)
        elif word in ("file", "kind", "first"):
            fault[word] = rest.strip()
        elif line.startswith("-") or line.startswith("+"):
            fault["old" if line[0] == "-" else "new"].append(line[1:])
        else:
            sys.exit(f"{path}: cannot read: {line}")
    return faults


def locate(fault):
    """The file that holds the fault's snippet exactly once."""
    old = "\n".join(fault["old"])
    target = os.path.join(ROOT, fault["file"])
    files = [target] if os.path.isfile(target) else [
        os.path.join(target, f) for f in sorted(os.listdir(target))
        if f.endswith((".cpp", ".h"))]
    hits = [(f, open(f, encoding="latin-1", newline="").read()) for f in files]
    hits = [(f, t) for f, t in hits if t.count(old) > 0]
    if len(hits) != 1 or hits[0][1].count(old) != 1:
        raise LookupError(f"snippet of {fault['name']} is not unique in {fault['file']}")
    return hits[0][0], hits[0][1], old


def run(command, log):
    log.write("$ " + " ".join(command) + "\n")
    log.flush()
    result = subprocess.run(command, cwd=ROOT, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            text=True, errors="replace")
    log.write(result.stdout)
    return result


def first_failure(output):
    found = re.search(r"The following tests FAILED:\s*\n\s*\d+ - (\S+)", output)
    if found:
        return found.group(1)
    found = re.search(r"\*\*\*(?:Failed|Timeout|Exception)[^\n]*", output)
    return "?" if found else None


def test(preset, first, log):
    """The first failing test of the preset's tests, or None."""
    tree = os.path.join("build", preset)
    selections = [["-R", first], ["-E", first]] if first else [[]]
    for selection in selections:
        result = run(["ctest", "--test-dir", tree, "-j2", "--stop-on-failure", "--timeout", "300"]
                     + selection, log)
        failed = first_failure(result.stdout)
        if failed or (result.returncode != 0 and "No tests were found" not in result.stdout):
            return failed or "?"
    return None


def table(labels):
    """results.md: each fault with what caught it in each labelled run."""
    runs = []
    for label in labels:
        path = os.path.join(HERE, f"results-{label}.tsv")
        lines = [l.rstrip("\n").split("\t") for l in open(path)] if os.path.exists(path) else []
        runs.append({l[0]: l[1] for l in lines})
    out = ["# Seeded faults and the tests that caught them", "",
           "Written by `tools/faults/seed-faults.py --table " + ",".join(labels) + "`.", "",
           "| Fault | Kind | " + " | ".join(labels) + " |",
           "|---|---|" + "---|" * len(labels)]
    for fault in parse(os.path.join(HERE, "faults.txt")):
        cells = [r.get(fault["name"], "not run").replace("|", "\\|") for r in runs]
        out.append(f"| `{fault['name']}` ({fault['file']}) | {fault.get('kind', '')} | "
                   + " | ".join(cells) + " |")
    out.append("")
    for label, r in zip(labels, runs):
        caught = sum(1 for v in r.values() if v != "missed")
        out.append(f"- {label}: {caught} of {len(r)} caught")
    open(os.path.join(HERE, "results.md"), "w").write("\n".join(out) + "\n")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--label", default="run")
    parser.add_argument("--only", default="")
    parser.add_argument("--presets", default="native,win32")
    parser.add_argument("--table", help="write results.md from the runs LABEL,LABEL... and stop")
    args = parser.parse_args()
    if args.table:
        table(args.table.split(","))
        return
    presets = args.presets.split(",")
    faults = [f for f in parse(os.path.join(HERE, "faults.txt"))
              if re.search(args.only, f["name"])]
    results = os.path.join(HERE, f"results-{args.label}.tsv")
    log = open(os.path.join(ROOT, "build", f"seed-faults-{args.label}.log"), "a")
    signal.signal(signal.SIGTERM, lambda *_: (_ for _ in ()).throw(KeyboardInterrupt()))
    for fault in faults:
        start = time.time()
        path, text, old = locate(fault)
        relative = os.path.relpath(path, ROOT)
        order = [p for p in presets if p != "native" or PORTABLE.match(relative)]
        caught = None
        try:
            with open(path, "w", encoding="latin-1", newline="") as out:
                out.write(text.replace(old, "\n".join(fault["new"])))
            log.write(f"==== {fault['name']} in {relative}\n")
            for preset in order:
                build = run(["cmake", "--build", os.path.join("build", preset), "-j2"], log)
                if build.returncode != 0:
                    caught = f"{preset}:build-failed"
                    break
                failed = test(preset, fault["first"], log)
                if failed:
                    caught = f"{preset}:{failed}"
                    break
        finally:
            with open(path, "w", encoding="latin-1", newline="") as out:
                out.write(text)
        line = f"{fault['name']}\t{caught or 'missed'}\t{int(time.time() - start)}"
        print(line, flush=True)
        with open(results, "a") as out:
            out.write(line + "\n")
    for preset in presets:  # the trees built from the restored sources again
        run(["cmake", "--build", os.path.join("build", preset), "-j2"], log)


if __name__ == "__main__":
    try:
        main()
    except KeyboardInterrupt:
        sys.exit("interrupted: the file of the fault is restored")
