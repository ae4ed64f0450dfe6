#!/usr/bin/python3
"""Receive and send timings against local Dovecot (POP3) and aiosmtpd (SMTP) servers.

Compares fumibako-tool with fetchmail (MDA to one file per message) and with the plainest
poplib / smtplib loops, on the same mailbox, re-seeded before every run. Prints
RESULT <name> <value> <unit> lines. Needs root (Dovecot runs its mail processes as 'mail').
With FUMIBAKO_BENCH_SMOKE=1 (bench/run-all --smoke) a few messages and one round, under the same names.

    transfer_bench.py --tool FUMIBAKO_TOOL --account TRANSFER_ACCOUNT --fixtures DIR [--small N] [--large N] [--rounds N]
"""
import argparse
import os
import poplib
import random
import shutil
import socket
import subprocess
import sys
import tempfile
import time
from email.header import Header
from email.mime.application import MIMEApplication
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText
from email.utils import formatdate, make_msgid

PYTHON = "/usr/bin/python3"
HERE = os.path.dirname(os.path.abspath(__file__))
MAIL_UID = 8
# A smoke run (bench/run-all --smoke): tiny data, one run each, the figures named as in a full run.
SMOKE = os.environ.get("FUMIBAKO_BENCH_SMOKE") == "1"


def sized(full, smoke):
    """A size of the benchmark's data: @p full, or @p smoke in a smoke run."""
    return smoke if SMOKE else full


def result(name, value, unit):
    print("RESULT %s %.2f %s" % (name, value, unit), flush=True)


def free_ports(count):
    sockets = [socket.socket() for _ in range(count)]
    for s in sockets:
        s.bind(("127.0.0.1", 0))
    ports = [s.getsockname()[1] for s in sockets]
    for s in sockets:
        s.close()
    return ports


def wait_for_port(port, seconds=15):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            socket.create_connection(("127.0.0.1", port), 0.2).close()
            return True
        except OSError:
            time.sleep(0.05)
    return False


def run_timed(argv, env=None, stdout=subprocess.DEVNULL):
    """Wall seconds, CPU seconds, peak RSS (MB) and exit status of one child."""
    start = time.monotonic()
    child = subprocess.Popen(argv, env=env, stdout=stdout, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.monotonic() - start
    child.returncode = os.waitstatus_to_exitcode(status)
    err = child.stderr.read().decode(errors="replace")
    if child.returncode != 0:
        sys.stderr.write("%s exited with %d: %s\n" % (argv[0], child.returncode, err[-2000:]))
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024.0, child.returncode


# --- messages ---------------------------------------------------------------------------------

SENTENCES = ["明日の打ち合わせは十時から第二会議室で行います。", "資料は前日までに共有フォルダへ置いてください。",
             "ご不明な点がありましたらお知らせください。", "よろしくお願いいたします。"]


def japanese_text(rng, target_bytes):
    lines = []
    size = 0
    while size < target_bytes:
        line = "".join(rng.choice(SENTENCES) for _ in range(2))
        lines.append(line)
        size += len(line.encode("iso-2022-jp")) + 1
    return "\n".join(lines) + "\n"


def message(i, rng, body_bytes, attachment_bytes):
    text = MIMEText(japanese_text(rng, body_bytes), "plain", "iso-2022-jp")
    if attachment_bytes:
        msg = MIMEMultipart()
        msg.attach(text)
        part = MIMEApplication(rng.randbytes(attachment_bytes), "octet-stream")
        part.add_header("Content-Disposition", "attachment", filename=Header("資料%d.bin" % i, "iso-2022-jp").encode())
        msg.attach(part)
    else:
        msg = text
    msg["From"] = "%s <yamada%d@example.jp>" % (Header("山田 太郎", "iso-2022-jp").encode(), i % 13)
    msg["To"] = "taro@example.jp"
    msg["Subject"] = Header("定例会議のお知らせ 第%d回" % i, "iso-2022-jp")
    msg["Date"] = formatdate(1764900000 + i * 60, localtime=False)
    msg["Message-ID"] = make_msgid(idstring=str(i), domain="example.jp")
    return msg.as_bytes()


def make_pool(folder, count, large):
    """@p count messages of about 8 KB (every fifth with a small attachment) or about 1 MB."""
    os.makedirs(folder)
    rng = random.Random(count)
    for i in range(count):
        if large:
            data = message(i, rng, 4000, 760 * 1024)
        elif i % 5 == 0:
            data = message(i, rng, 3800, 3000)
        else:
            data = message(i, rng, 7900, 0)
        with open(os.path.join(folder, "%06d" % i), "wb") as f:
            f.write(data)


# --- servers ----------------------------------------------------------------------------------

class Servers:
    def __init__(self, fixtures):
        self.fixtures = fixtures
        self.run = tempfile.mkdtemp(prefix="fumibako-transfer-")
        os.chmod(self.run, 0o755)
        self.pop3, self.pop3s, self.smtp, self.smtp_auth = free_ports(4)
        self.processes = []

    def start(self):
        key, crt = os.path.join(self.run, "server.key"), os.path.join(self.run, "server.crt")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-keyout", key,
                        "-out", crt, "-subj", "/CN=localhost",
                        "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1"], check=True, capture_output=True)
        subprocess.run([PYTHON, os.path.join(self.fixtures, "dovecot_config.py"), self.run, str(self.pop3),
                        str(self.pop3s), "--user", "taro:secret"], check=True)
        for sub in ("home/taro", "smtp-mail"):
            os.makedirs(os.path.join(self.run, sub), exist_ok=True)
        self.seed([])
        self.processes.append(subprocess.Popen(["/usr/sbin/dovecot", "-F", "-c", os.path.join(self.run, "dovecot.conf")]))
        self.processes.append(subprocess.Popen(
            [PYTHON, os.path.join(self.fixtures, "smtp_server.py"), "--port", str(self.smtp), "--auth-port",
             str(self.smtp_auth), "--user", "taro:secret", "--outdir", self.smtp_dir()],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, stdin=subprocess.PIPE))
        if not (wait_for_port(self.pop3) and wait_for_port(self.smtp_auth)):
            raise RuntimeError("the mail servers did not come up")

    def stop(self):
        for p in self.processes:
            p.terminate()
        for p in self.processes:
            try:
                p.wait(10)
            except subprocess.TimeoutExpired:
                p.kill()
        shutil.rmtree(self.run, ignore_errors=True)

    def smtp_dir(self):
        return os.path.join(self.run, "smtp-mail")

    def seed(self, pool_files):
        """A fresh Maildir (Dovecot's index files too) holding @p pool_files in order."""
        maildir = os.path.join(self.run, "home/taro/Maildir")
        shutil.rmtree(maildir, ignore_errors=True)
        for sub in ("cur", "new", "tmp"):
            os.makedirs(os.path.join(maildir, sub))
        uidlist = ["3 V1714500000 N%d" % (len(pool_files) + 1)]
        for i, path in enumerate(pool_files):
            base = "%d.M%dP1.bench,S=%d" % (1714500000 + i, i + 1, os.path.getsize(path))
            target = os.path.join(maildir, "cur", base + ":2,")
            os.link(path, target)
            os.chown(target, MAIL_UID, MAIL_UID)
            uidlist.append("%d :%s" % (i + 1, base))
        with open(os.path.join(maildir, "dovecot-uidlist"), "w") as f:
            f.write("\n".join(uidlist) + "\n")
        for root, dirs, files in os.walk(os.path.join(self.run, "home/taro")):
            os.chown(root, MAIL_UID, MAIL_UID)
            for name in files:
                os.chown(os.path.join(root, name), MAIL_UID, MAIL_UID)
        # Dovecot indexes the mailbox at the first login; none of the timed clients pays for it.
        pop = poplib.POP3("127.0.0.1", self.pop3) if self.processes else None
        if pop:
            pop.user("taro")
            pop.pass_("secret")
            pop.list()
            pop.uidl()
            pop.quit()


# --- the clients ------------------------------------------------------------------------------

def count_files(folder, suffix=""):
    return sum(1 for n in os.listdir(folder) if n.endswith(suffix) and not n.startswith("."))


class Bench:
    """The timed clients. What they write stays until the end: on an ext4 file system without a
    journal (as on the benchmark machines) every new file costs a scan over the inodes freed in
    the last minute, so deleting one client's 5,000 files would slow down the next client."""

    def __init__(self, args, servers):
        self.args = args
        self.servers = servers
        self.scratch = tempfile.mkdtemp(prefix="fumibako-transfer-out-")
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.scratch,
                        FUMIBAKO_CA_FILE=os.path.join(servers.run, "server.crt"))
        self.serial = 0

    def fresh(self, name):
        self.serial += 1
        folder = os.path.join(self.scratch, "%s-%d" % (name, self.serial))
        os.makedirs(folder)
        return folder

    def account(self, outbox=0):
        data = self.fresh("data")
        subprocess.run([self.args.account, data, str(self.servers.pop3), str(self.servers.smtp_auth), str(outbox)],
                       check=True)
        return data

    def receive_tool(self, expected, data=None):
        data = data or self.account()
        wall, cpu, rss, _ = run_timed([self.args.tool, "--data-dir", data, "receive", "taro", "--method", "1"],
                                      env=self.env)
        saved = self.count_eml(os.path.join(data, "MailBox/taro/input"))
        if saved != expected:
            raise RuntimeError("fumibako-tool saved %d of %d messages" % (saved, expected))
        return wall, cpu, rss

    def receive_nothing_new(self, expected):
        """A second receive of a mailbox whose messages were all received: UIDL and the record only."""
        data = self.account()
        self.receive_tool(expected, data)
        return min(self.receive_tool(expected, data)[0] for _ in range(3))

    @staticmethod
    def count_eml(data):
        return sum(1 for _, _, files in os.walk(data) for n in files if n.endswith(".eml"))

    def receive_poplib(self, expected, tls=True):
        out = self.fresh("poplib")
        # With the certificate the loop upgrades to TLS, as our client does when the server offers it.
        argv = [PYTHON, os.path.join(HERE, "poplib_loop.py"), "127.0.0.1", str(self.servers.pop3), "taro", "secret", out]
        if tls:
            argv.append(os.path.join(self.servers.run, "server.crt"))
        wall, cpu, rss, _ = run_timed(argv)
        if count_files(out) != expected:
            raise RuntimeError("poplib loop saved %d of %d messages" % (count_files(out), expected))
        return wall, cpu, rss

    def receive_fetchmail(self, expected):
        out = self.fresh("fetchmail")
        home = self.fresh("fetchmail-home")
        mda = os.path.join(home, "mda.sh")
        with open(mda, "w") as f:
            f.write('#!/bin/sh\nf=$(mktemp "$1/m.XXXXXXXXXX") && exec cat > "$f"\n')
        os.chmod(mda, 0o755)
        rc = os.path.join(home, "fetchmailrc")
        with open(rc, "w") as f:
            f.write('set no syslog\nset idfile "%s/ids"\n' % home)
            f.write('poll 127.0.0.1 service %d protocol pop3 auth password timeout 120\n' % self.servers.pop3)
            f.write('  user "taro" there with password "secret" is "root" here\n')
            f.write('  options keep fetchall no rewrite sslproto "" mda "%s %s"\n' % (mda, out))
        os.chmod(rc, 0o600)
        env = dict(os.environ, FETCHMAILHOME=home, HOME=home)
        wall, cpu, rss, _ = run_timed(["fetchmail", "-f", rc, "-N", "--nosyslog"], env=env)
        if count_files(out) != expected:
            raise RuntimeError("fetchmail delivered %d of %d messages" % (count_files(out), expected))
        return wall, cpu, rss

    def send(self, count):
        data = self.account(outbox=count)
        smtp_dir = self.servers.smtp_dir()
        for name in os.listdir(smtp_dir):
            os.unlink(os.path.join(smtp_dir, name))
        tool = run_timed([self.args.tool, "--data-dir", data, "send", "taro"], env=self.env)
        sent = self.fresh("sent")
        for name in os.listdir(smtp_dir):
            if name.endswith(".eml"):
                shutil.move(os.path.join(smtp_dir, name), os.path.join(sent, name))
        if count_files(sent) != count:
            raise RuntimeError("fumibako-tool sent %d of %d messages" % (count_files(sent), count))
        loop = run_timed([PYTHON, os.path.join(HERE, "smtplib_loop.py"), "127.0.0.1", str(self.servers.smtp_auth),
                          "taro", "secret", sent])
        return tool, loop


def pool_files(folder):
    return [os.path.join(folder, n) for n in sorted(os.listdir(folder))]


def median(values):
    ordered = sorted(values)
    middle = len(ordered) // 2
    return ordered[middle] if len(ordered) % 2 else (ordered[middle - 1] + ordered[middle]) / 2


def receive_round(bench, servers, pool, label, with_fetchmail, rounds):
    """Ours and the poplib loop in turn (ours, loop, ours, loop, ...), @p rounds times each, every
    run on a freshly seeded mailbox and into a folder of its own. A single pair moves with
    whatever else the machine does (the loop alone was seen to read 1.9 s and 3.2 s within half an
    hour), so the figures are medians, the ratio is the median of the ratios of each pair, and its
    spread is printed beside it. Both upgrade the connection with STLS, which the server offers;
    fetchmail and the loop without TLS run once each for reference."""
    files = pool_files(pool)
    runs = {"receive": [], "poplib": []}

    def timed(name, client):
        servers.seed(files)
        # Written-back inode tables let the file system reuse freed inodes after one minute
        # instead of six: neither client should pay for what ran before it.
        os.sync()
        runs.setdefault(name, []).append(client(len(files)))

    for _ in range(rounds):
        timed("receive", bench.receive_tool)
        timed("poplib", bench.receive_poplib)
    if with_fetchmail:
        servers.seed(files)
        runs["fetchmail"] = [bench.receive_fetchmail(len(files))]
    timed("poplib_plain", lambda expected: bench.receive_poplib(expected, tls=False))
    figures = {name: tuple(median(column) for column in zip(*results)) for name, results in runs.items()}
    for name, (wall, cpu, rss) in figures.items():
        result("%s_%s" % (name, label), wall, "s")
        result("cpu_%s_%s" % (name, label), cpu, "s")
    ratios = [ours[0] / loop[0] for ours, loop in zip(runs["receive"], runs["poplib"])]
    result("receive_%s_ratio" % label, median(ratios), "x")
    result("receive_%s_ratio_min" % label, min(ratios), "x")
    result("receive_%s_ratio_max" % label, max(ratios), "x")
    sys.stderr.write("receive_%s: ours %s s, poplib loop %s s\n" % (
        label, " ".join("%.2f" % r[0] for r in runs["receive"]), " ".join("%.2f" % r[0] for r in runs["poplib"])))
    return figures


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--tool", required=True)
    ap.add_argument("--account", required=True)
    ap.add_argument("--fixtures", required=True)
    ap.add_argument("--small", type=int, default=5000)
    ap.add_argument("--large", type=int, default=200)
    ap.add_argument("--send", type=int, default=500)
    ap.add_argument("--only", default="small,large,send")
    ap.add_argument("--rounds", type=int, default=5, help="runs of each receiving client, taken in turn")
    args = ap.parse_args()
    servers = Servers(args.fixtures)
    bench = None
    try:
        servers.start()
        bench = Bench(args, servers)
        only = args.only.split(",")
        rounds = sized(args.rounds, 1)
        if "small" in only:
            pool = os.path.join(servers.run, "pool-small")
            make_pool(pool, sized(args.small, 20), large=False)
            receive_round(bench, servers, pool, "%dx8k" % args.small, True, rounds)
            servers.seed(pool_files(pool))
            result("receive_nothing_new_%d" % args.small, bench.receive_nothing_new(len(pool_files(pool))) * 1000, "ms")
        if "large" in only:
            pool = os.path.join(servers.run, "pool-large")
            make_pool(pool, sized(args.large, 2), large=True)
            figures = receive_round(bench, servers, pool, "%dx1m" % args.large, False, rounds)
            result("rss_receive_%dx1m" % args.large, figures["receive"][2], "MB")
        if "send" in only:
            tool, loop = bench.send(sized(args.send, 5))
            result("send_%d" % args.send, tool[0], "s")
            result("cpu_send_%d" % args.send, tool[1], "s")
            result("smtp_loop_%d" % args.send, loop[0], "s")
        sys.stderr.write("load average: %s\n" % " ".join(open("/proc/loadavg").read().split()[:3]))
    finally:
        servers.stop()
        if bench:
            shutil.rmtree(bench.scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
