#!/usr/bin/python3
"""The plainest SMTP send: one connection, AUTH, then every .eml file of a folder in name order.

    smtplib_loop.py HOST PORT USER PASSWORD IN_DIR
"""
import os
import smtplib
import sys


def main():
    host, port, user, password, in_dir = sys.argv[1:6]
    names = sorted(n for n in os.listdir(in_dir) if n.endswith(".eml"))
    smtp = smtplib.SMTP(host, int(port))
    smtp.login(user, password)
    for name in names:
        with open(os.path.join(in_dir, name), "rb") as f:
            data = f.read()
        smtp.sendmail("taro@example.jp", ["sato@example.com"], data)
    smtp.quit()
    print(len(names))


if __name__ == "__main__":
    main()
