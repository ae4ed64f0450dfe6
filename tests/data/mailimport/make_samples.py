#!/usr/bin/python3
"""Writes the sample mail stores of the import tests: mbox files in both quotings, a
Thunderbird-style folder tree, a Maildir with flags and Maildir++ subfolders, an MH folder with
its sequences, single message files, and broken input. Run from this folder."""
import base64
import os
import shutil

def jis(text):
    """An ISO-2022-JP encoded word, as Japanese mail carries its subjects."""
    return "=?ISO-2022-JP?B?" + base64.b64encode(text.encode("iso-2022-jp")).decode() + "?="

def message(n, subject, extra="", body=None, sender="taro@example.jp", nl="\n"):
    lines = [
        f"Message-ID: <sample-{n}@example.jp>",
        f"From: {sender}",
        "To: hanako@example.jp",
        f"Subject: {subject}",
        f"Date: {n % 28 + 1} Jan 2024 09:00:00 +0900",
    ]
    if extra:
        lines += extra.split("\n")
    lines += ["MIME-Version: 1.0", "Content-Type: text/plain; charset=ISO-2022-JP", ""]
    text = body if body is not None else f"本文 {n}\n"
    return nl.join(lines).encode() + nl.encode() + text.replace("\n", nl).encode("iso-2022-jp")

def write(path, data):
    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)

def mbox(messages, marker="From taro@example.jp Mon Jan  1 09:00:00 2024\n"):
    return b"".join(marker.encode() + m + b"\n" for m in messages)

for d in ["thunderbird", "maildir", "mh", "files"]:
    shutil.rmtree(d, ignore_errors=True)

# mboxrd: every line that is ">"* + "From " got one more ">".
write("mboxrd.mbox", mbox([
    message(1, jis("会議のお知らせ"), "Status: RO", "本文です\n>From the start of a line\n>>From a quoted one\n"),
    message(2, "plain", "Status: O"),
    message(3, "third"),
]))
# mboxo, as Thunderbird writes it: "From - " markers, only "From " itself quoted, and a "From "
# line in a body that nobody quoted (not after an empty line: it stays in its message).
write("mboxo.mbox", mbox([
    message(4, "mboxo one", "", "line\n>From quoted by the writer\nFrom not quoted at all\nend\n"),
    message(5, "mboxo two"),
], marker="From - Tue Jan  2 10:00:00 2024\n"))
# The file ends in the middle of the second message.
write("truncated.mbox", mbox([message(6, "whole"), message(7, "cut short")])[:-12])

# A Thunderbird profile's "Local Folders": mbox files without an extension, their summaries
# (.msf), subfolders in "<name>.sbd", flags in X-Mozilla-Status (1 read, 4 flagged, 8 deleted).
write("thunderbird/Inbox", mbox([
    message(11, "tb read", "X-Mozilla-Status: 0001\nX-Mozilla-Status2: 00000000"),
    message(12, "tb unread", "X-Mozilla-Status: 0000"),
    message(13, "tb flagged", "X-Mozilla-Status: 0005"),
    message(14, "tb deleted", "X-Mozilla-Status: 0009"),
], marker="From - Wed Jan  3 10:00:00 2024\n"))
write("thunderbird/Inbox.msf", b"// <!-- <mdb:mork:z v=\"1.4\"/> -->\n< <(a=c)> // (f=iso-8859-1)\n")
write("thunderbird/Inbox.sbd/" + "仕事", mbox([message(15, jis("仕事のメール"), "X-Mozilla-Status: 0001")],
                                             marker="From - Wed Jan  3 11:00:00 2024\n"))
write("thunderbird/Inbox.sbd/仕事.msf", b"// <!-- <mdb:mork:z v=\"1.4\"/> -->\n")
write("thunderbird/Trash", b"")
write("thunderbird/Trash.msf", b"// <!-- <mdb:mork:z v=\"1.4\"/> -->\n")
write("thunderbird/msgFilterRules.dat", b"version=\"9\"\nlogging=\"no\"\n")

# A Maildir: the flags after ":2," (S seen, F flagged, T trashed); "new" has not been seen.
write("maildir/cur/1704067200.M1P100.host:2,S", message(21, "md seen"))
write("maildir/cur/1704067201.M2P100.host:2,FS", message(22, "md flagged"))
write("maildir/cur/1704067202.M3P100.host:2,", message(23, "md unseen"))
write("maildir/cur/1704067203.M4P100.host:2,ST", message(24, "md trashed"))
write("maildir/new/1704067204.M5P100.host", message(25, "md new"))
write("maildir/dovecot-uidlist", b"3 V1704067200 N6\n")
write("maildir/.Work/cur/1704067205.M6P100.host:2,S", message(26, "md work"))
write("maildir/.Work/new/.keep", b"")
write("maildir/.Work.2024/cur/1704067206.M7P100.host:2,S", message(27, "md work 2024"))
write("maildir/.Work.2024/new/.keep", b"")
write("maildir/.&TtVOiw-/cur/1704067207.M8P100.host:2,", message(28, "md in mUTF-7"))
write("maildir/.&TtVOiw-/new/.keep", b"")

# An MH folder, as light-weight clients keep it: numbered files and the sequences file.
write("mh/1", message(31, "mh one"))
write("mh/2", message(32, "mh two"))
write("mh/3", message(33, "mh three"))
write("mh/10", message(34, "mh ten"))
write("mh/.mh_sequences", b"unseen: 2-3\nflagged: 10\n")
write("mh/sub/1", message(35, "mh in sub"))

# Single files: a message with CR LF line ends and none of its own id, one whose MIME is broken
# (a multipart without its last boundary), and files that are no mail.
write("files/crlf.eml", message(41, "crlf", nl="\r\n").replace(b"Message-ID: <sample-41@example.jp>\r\n", b""))
write("files/broken-mime.eml", (
    "From: taro@example.jp\nSubject: broken mime\nMessage-ID: <sample-42@example.jp>\nMIME-Version: 1.0\n"
    "Content-Type: multipart/mixed; boundary=\"zzz\"\n\n--zzz\nContent-Type: text/plain\n\nhello\n--zzz\n"
    "Content-Type: application/octet-stream\nContent-Transfer-Encoding: base64\n\nAAAA!!!not base64\n").encode())
write("files/notes.txt", "ただのメモです。メールではありません。\n".encode())
write("files/picture.png", b"\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR")
