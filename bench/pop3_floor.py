#!/usr/bin/python3
"""The floor of a POP3 receive over a slow link: log in, then send every RETR (and QUIT) at
once, without waiting for any answer, and only write each message to a file of its own. No
client can be faster on the same link; a client that waits for each answer pays a round trip a
message. With CA_FILE it upgrades the connection with STLS first, as fumibako does when the
server offers it.

    pop3_floor.py HOST PORT USER PASSWORD OUT_DIR [CA_FILE]
"""
import os
import socket
import ssl
import sys


class Lines:
    def __init__(self, sock):
        self.sock = sock
        self.buffer = b""

    def fill(self):
        data = self.sock.recv(1024 * 1024)
        if not data:
            raise ConnectionError("the server closed the connection")
        self.buffer += data

    def line(self):
        while b"\r\n" not in self.buffer:
            self.fill()
        line, self.buffer = self.buffer.split(b"\r\n", 1)
        return line

    def ok(self):
        line = self.line()
        if not line.startswith(b"+OK"):
            raise RuntimeError(line.decode(errors="replace"))
        return line

    def until_dot(self):
        """A multi-line answer after its status line, dot-stuffing removed."""
        start = 0
        while True:
            if self.buffer.startswith(b".\r\n"):
                end = 0
                break
            end = self.buffer.find(b"\r\n.\r\n", start)
            if end >= 0:
                end += 2
                break
            start = max(0, len(self.buffer) - 4)
            self.fill()
        data, self.buffer = self.buffer[:end], self.buffer[end + 3:]
        if data.startswith(b".."):
            data = data[1:]
        return data.replace(b"\r\n..", b"\r\n.")


def main():
    host, port, user, password, out_dir = sys.argv[1:6]
    sock = socket.create_connection((host, int(port)))
    sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    lines = Lines(sock)
    lines.ok()
    if len(sys.argv) > 6:
        sock.sendall(b"STLS\r\n")
        lines.ok()
        sock = ssl.create_default_context(cafile=sys.argv[6]).wrap_socket(sock, server_hostname=host)
        lines = Lines(sock)
    for command in (b"USER " + user.encode(), b"PASS " + password.encode(), b"STAT"):
        sock.sendall(command + b"\r\n")
        status = lines.ok()
    count = int(status.split()[1])
    # A few kilobytes of commands fit into the socket buffers: one write, then only reading.
    sock.sendall(b"".join(b"RETR %d\r\n" % n for n in range(1, count + 1)) + b"QUIT\r\n")
    for n in range(1, count + 1):
        lines.ok()
        with open(os.path.join(out_dir, "%06d.eml" % n), "wb") as f:
            f.write(lines.until_dot())
    lines.ok()
    sock.close()
    print(count)


if __name__ == "__main__":
    main()
