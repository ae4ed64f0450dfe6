#!/usr/bin/python3
"""Receiving and sending over a slow link: the local servers of transfer_bench.py behind the
delay proxy (delay_proxy.py), fumibako-tool beside the floor client (pop3_floor.py) in the
same run, taken in turn. Prints RESULT lines; each ratio with the smallest and largest of its
rounds beside it.

    link_bench.py --tool FUMIBAKO_TOOL --account TRANSFER_ACCOUNT --fixtures DIR
                  [--messages N] [--send N] [--rtt MS,MS] [--rounds N]

receive_<N>x8k_rtt<MS>_ratio  fumibako-tool's receive time over the floor's (the floor logs in
                               and sends every RETR at once)
send_<N>x8k_rtt<MS>_<server>_round_trips_per_message
                               the time of sending N queued messages, less the time of sending
                               one, in round trips per further message; <server> is "lockstep"
                               (an SMTP server without PIPELINING), "pipelined" (PIPELINING) or
                               "chunked" (PIPELINING and CHUNKING)
send_<N>x8k_local_ms_per_message
                               the same without delay, in milliseconds: what a message costs
                               here (composing, files, index) whatever the link
With FUMIBAKO_BENCH_SMOKE=1 (bench/run-all --smoke) a few messages and one round, under the same
names.
"""
import argparse
import os
import shutil
import subprocess
import sys

import transfer_bench as tb
from delay_proxy import DelayProxy

HERE = os.path.dirname(os.path.abspath(__file__))


SMTP_SERVERS = {"lockstep": "", "pipelined": "PIPELINING", "chunked": "PIPELINING,CHUNKING"}


class SmtpServer:
    """smtp_server.py with AUTH and no TLS, offering @p extensions."""

    def __init__(self, fixtures, run, name, extensions):
        self.port = tb.free_ports(1)[0]
        self.outdir = os.path.join(run, "smtp-" + name)
        os.makedirs(self.outdir)
        self.process = subprocess.Popen(
            [tb.PYTHON, os.path.join(fixtures, "smtp_server.py"), "--port", "0", "--auth-port", str(self.port),
             "--user", "taro:secret", "--outdir", self.outdir, "--extensions", extensions],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, stdin=subprocess.PIPE)
        if not tb.wait_for_port(self.port):
            raise RuntimeError("the SMTP server did not come up")

    def stop(self):
        self.process.terminate()
        self.process.wait(10)


class LinkBench:
    def __init__(self, args, servers):
        self.args = args
        self.servers = servers
        self.bench = tb.Bench(args, servers)

    def account(self, pop3_port, smtp_port, outbox=0):
        data = self.bench.fresh("data")
        subprocess.run([self.args.account, data, str(pop3_port), str(smtp_port), str(outbox)], check=True)
        return data

    def receive_ours(self, port, expected):
        data = self.account(port, self.servers.smtp_auth)
        wall, _, _, status = tb.run_timed(
            [self.args.tool, "--data-dir", data, "receive", "taro", "--method", "1"], env=self.bench.env)
        saved = self.bench.count_eml(os.path.join(data, "MailBox/taro/input"))
        if status != 0 or saved != expected:
            raise RuntimeError("fumibako-tool saved %d of %d messages" % (saved, expected))
        return wall

    def receive_floor(self, port, expected):
        out = self.bench.fresh("floor")
        wall, _, _, status = tb.run_timed(
            [tb.PYTHON, os.path.join(HERE, "pop3_floor.py"), "127.0.0.1", str(port), "taro", "secret", out,
             os.path.join(self.servers.run, "server.crt")])
        if status != 0 or tb.count_files(out) != expected:
            raise RuntimeError("the floor client saved %d of %d messages" % (tb.count_files(out), expected))
        return wall

    def receive(self, pool, rtt, label):
        files = tb.pool_files(pool)
        proxy = DelayProxy("127.0.0.1", self.servers.pop3, rtt)
        ours, floor = [], []
        try:
            for _ in range(self.args.rounds):
                for runs, client in ((ours, self.receive_ours), (floor, self.receive_floor)):
                    self.servers.seed(files)
                    runs.append(client(proxy.port, len(files)))
        finally:
            proxy.stop()
        ratios = [a / b for a, b in zip(ours, floor)]
        tb.result(label, tb.median(ours), "s")
        tb.result(label + "_floor", tb.median(floor), "s")
        tb.result(label + "_ratio", tb.median(ratios), "x")
        tb.result(label + "_ratio_min", min(ratios), "x")
        tb.result(label + "_ratio_max", max(ratios), "x")
        sys.stderr.write("%s: ours %s s, floor %s s\n" % (
            label, " ".join("%.2f" % t for t in ours), " ".join("%.2f" % t for t in floor)))

    def send_once(self, smtp, port, count):
        data = self.account(self.servers.pop3, port, outbox=count)
        for name in os.listdir(smtp.outdir):
            os.unlink(os.path.join(smtp.outdir, name))
        wall, _, _, status = tb.run_timed([self.args.tool, "--data-dir", data, "send", "taro"], env=self.bench.env)
        sent = tb.count_files(smtp.outdir, ".eml")
        if status != 0 or sent != count:
            raise RuntimeError("fumibako-tool sent %d of %d messages" % (sent, count))
        return wall

    def per_further_message(self, smtp, port, count):
        """Seconds of each message after the first, the median of the rounds, with the spread."""
        runs = []
        for _ in range(self.args.rounds):
            one = self.send_once(smtp, port, 1)
            many = self.send_once(smtp, port, count)
            runs.append((many - one) / (count - 1))
        return tb.median(runs), min(runs), max(runs)

    def send(self, count, rtt, label):
        for name, extensions in SMTP_SERVERS.items():
            smtp = SmtpServer(self.args.fixtures, self.servers.run, name, extensions)
            proxy = DelayProxy("127.0.0.1", smtp.port, rtt)
            try:
                if name == "lockstep":
                    local = self.per_further_message(smtp, smtp.port, count)
                    tb.result("%s_local_ms_per_message" % label, local[0] * 1000, "ms")
                seconds = self.per_further_message(smtp, proxy.port, count)
            finally:
                proxy.stop()
                smtp.stop()
            for suffix, value in zip(("", "_min", "_max"), seconds):
                tb.result("%s_rtt%d_%s_round_trips_per_message%s" % (label, rtt, name, suffix), value / (rtt / 1000.0),
                          "rtt")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--tool", required=True)
    ap.add_argument("--account", required=True)
    ap.add_argument("--fixtures", required=True)
    ap.add_argument("--messages", type=int, default=tb.sized(500, 20))
    ap.add_argument("--send", type=int, default=tb.sized(50, 5))
    ap.add_argument("--rtt", default="20,100")
    ap.add_argument("--rounds", type=int, default=tb.sized(3, 1))
    ap.add_argument("--only", default="receive,send")
    args = ap.parse_args()
    servers = tb.Servers(args.fixtures)
    bench = None
    try:
        servers.start()
        bench = LinkBench(args, servers)
        rtts = [int(v) for v in args.rtt.split(",")]
        if "receive" in args.only:
            pool = os.path.join(servers.run, "pool-link")
            tb.make_pool(pool, args.messages, large=False)
            # Named after the full run's data, whatever was given: a smoke run prints the same names.
            for rtt in rtts:
                bench.receive(pool, rtt, "receive_500x8k_rtt%d" % rtt)
        if "send" in args.only:
            bench.send(args.send, rtts[0], "send_50x8k")
        sys.stderr.write("load average: %s\n" % " ".join(open("/proc/loadavg").read().split()[:3]))
    finally:
        servers.stop()
        if bench:
            shutil.rmtree(bench.bench.scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
