#!/usr/bin/python3
"""The compose window's figures: opening it, and sending a message with a 10 MB attachment to a
local aiosmtpd server beside the plainest Python smtplib send of the same bytes.

    compose_bench.py --bench COMPOSE_BENCH --fixtures DIR

Ours and smtplib run twice each, in the order ours, smtplib, smtplib, ours; the faster run of each
counts. Prints RESULT <name> <value> <unit> lines. With FUMIBAKO_BENCH_SMOKE=1 the attachment is
small (the figures keep their names).
"""
import argparse
import os
import random
import shutil
import smtplib
import subprocess
import sys
import tempfile
import time

from transfer_bench import PYTHON, free_ports, result, sized, wait_for_port

ATTACHMENT_BYTES = sized(10 * 1024 * 1024, 64 * 1024)


def run_bench(argv, env):
    """The RESULT figures one compose_bench run printed, as a dict."""
    out = subprocess.run(argv, env=env, capture_output=True, text=True)
    if out.returncode != 0:
        sys.stderr.write(out.stderr[-2000:])
        raise RuntimeError("%s exited with %d" % (" ".join(argv[:2]), out.returncode))
    figures = {}
    for line in out.stdout.splitlines():
        parts = line.split()
        if len(parts) == 4 and parts[0] == "RESULT":
            figures[parts[1]] = float(parts[2])
    return figures


def smtplib_send(port, data):
    """Seconds for one plain smtplib session sending @p data: connect, AUTH, DATA, QUIT."""
    start = time.monotonic()
    smtp = smtplib.SMTP("127.0.0.1", port)
    smtp.login("taro", "secret")
    smtp.sendmail("taro@example.jp", ["sato@example.com"], data)
    smtp.quit()
    return time.monotonic() - start


def received(outdir):
    names = sorted(n for n in os.listdir(outdir) if n.endswith(".eml"))
    return [os.path.join(outdir, n) for n in names]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bench", required=True)
    ap.add_argument("--fixtures", required=True)
    args = ap.parse_args()
    run = tempfile.mkdtemp(prefix="fumibako-compose-bench-")
    outdir = os.path.join(run, "smtp-mail")
    plain, auth = free_ports(2)
    server = subprocess.Popen([PYTHON, os.path.join(args.fixtures, "smtp_server.py"), "--port", str(plain),
                               "--auth-port", str(auth), "--user", "taro:secret", "--outdir", outdir],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, stdin=subprocess.PIPE)
    try:
        if not wait_for_port(auth):
            raise RuntimeError("the SMTP server did not come up")
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=run)
        opened = run_bench([args.bench, "open", os.path.join(run, "open")], env)
        result("compose_open", opened["compose_open"], "ms")
        result("compose_open_first", opened["compose_open_first"], "ms")

        attachment = os.path.join(run, "資料.bin")
        with open(attachment, "wb") as f:
            f.write(random.Random(10).randbytes(ATTACHMENT_BYTES))
        ours, loop = [], []

        def send_ours():
            ours.append(run_bench([args.bench, "send", os.path.join(run, "send%d" % len(ours)), str(auth), attachment], env))

        send_ours()
        with open(received(outdir)[0], "rb") as f:
            data = f.read()
        loop.append(smtplib_send(auth, data))
        loop.append(smtplib_send(auth, data))
        send_ours()
        if len(received(outdir)) != 4:
            raise RuntimeError("the server got %d messages, not 4" % len(received(outdir)))
        best = min(run["send_compose_10mb_s"] for run in ours)
        result("send_compose_10mb", best, "s")
        result("smtplib_send_10mb", min(loop), "s")
        result("send_compose_10mb_ratio", best / min(loop), "x")
        result("rss_send_10mb", max(run["rss_send_10mb"] for run in ours), "MB")
        result("rss_compose_idle", ours[0]["rss_compose_idle"], "MB")
    finally:
        server.terminate()
        try:
            server.wait(10)
        except subprocess.TimeoutExpired:
            server.kill()
        shutil.rmtree(run, ignore_errors=True)


if __name__ == "__main__":
    main()
