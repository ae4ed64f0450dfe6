#!/usr/bin/python3
"""The plainest POP3 receive: one connection, RETR every message, write each to its own file,
read Subject, From and Date with the email package. With CA_FILE it upgrades the connection
with STLS when the server offers it, as fumibako does.

    poplib_loop.py HOST PORT USER PASSWORD OUT_DIR [CA_FILE]
"""
import email.parser
import email.policy
import os
import poplib
import ssl
import sys


def main():
    host, port, user, password, out_dir = sys.argv[1:6]
    parser = email.parser.BytesHeaderParser(policy=email.policy.compat32)
    pop = poplib.POP3(host, int(port))
    if len(sys.argv) > 6 and "STLS" in pop.capa():
        pop.stls(ssl.create_default_context(cafile=sys.argv[6]))
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
