#!/usr/bin/python3
"""The plainest POP3 receive: one connection, RETR every message, write each to its own file,
read Subject, From and Date with the email package.

    poplib_loop.py HOST PORT USER PASSWORD OUT_DIR
"""
import email.parser
import email.policy
import os
import poplib
import sys


def main():
    host, port, user, password, out_dir = sys.argv[1:6]
    parser = email.parser.BytesHeaderParser(policy=email.policy.compat32)
    pop = poplib.POP3(host, int(port))
    pop.user(user)
    pop.pass_(password)
    count, _ = pop.stat()
    for n in range(1, count + 1):
        _, lines, _ = pop.retr(n)
        data = b"\r\n".join(lines) + b"\r\n"
        with open(os.path.join(out_dir, "%06d.eml" % n), "wb") as f:
            f.write(data)
        headers = parser.parsebytes(data)
        _ = (headers["Subject"], headers["From"], headers["Date"])
    pop.quit()
    print(count)


if __name__ == "__main__":
    main()
