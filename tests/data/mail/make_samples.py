#!/usr/bin/python3
"""Writes the sample messages of this folder. Run again after changing it: ./make_samples.py"""
import base64
import os
import quopri

HERE = os.path.dirname(os.path.abspath(__file__))


def jis(text):
    """ISO-2022-JP as Windows mailers write it: code page 932 positions, NEC extensions included."""
    out = bytearray()
    kanji = False
    for ch in text:
        if ord(ch) < 0x80:
            if kanji:
                out += b"\x1b(B"
                kanji = False
            out.append(ord(ch))
            continue
        s1, s2 = ch.encode("cp932")
        if s1 >= 0xFA:  # IBM extension: use the NEC-selected twin
            s1, s2 = {"髙": (0xEE, 0xE0), "﨑": (0xED, 0x95)}[ch]
        if not kanji:
            out += b"\x1b$B"
            kanji = True
        s1 -= 0x40 if s1 >= 0xE0 else 0
        j1 = (s1 - 0x81) * 2 + 0x21
        if s2 >= 0x9F:
            j1 += 1
            j2 = s2 - 0x7E
        else:
            j2 = s2 - (0x20 if s2 >= 0x80 else 0x1F)
        out += bytes([j1, j2])
    if kanji:
        out += b"\x1b(B"
    return bytes(out)


def bword(charset, data):
    return b"=?" + charset + b"?B?" + base64.b64encode(data) + b"?="


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n"))


# ISO-2022-JP with NEC row 13 and IBM kanji; subject folded into two words, the first padded.
subject1 = jis("【重要】①㈱髙")
assert base64.b64encode(subject1).endswith(b"=")
write("iso2022jp_nec.eml", b"Return-Path: <sato@example.jp>\n"
      b"Received: from mx.example.jp by pop.example.jp; Wed, 01 May 2024 10:16:00 +0900\n"
      b"From: " + bword(b"ISO-2022-JP", jis("佐藤 花子")) + b" <sato@example.jp>\n"
      b"To: " + bword(b"iso-2022-jp", jis("山田")) + b" <yamada@example.jp>, kato@example.jp\n"
      b"Subject: " + bword(b"ISO-2022-JP", subject1) + b"\n\t" + bword(b"ISO-2022-JP", jis("﨑様の会議")) + b"\n"
      b"Date: Wed, 01 May 2024 10:15:00 +0900\n"
      b"Message-ID: <a1@example.jp>\n"
      b"MIME-Version: 1.0\n"
      b"Content-Type: text/plain; charset=ISO-2022-JP\n"
      b"Content-Transfer-Encoding: 7bit\n\n"
      + jis("お世話になります。\n①の件、㈱髙橋様より連絡がありました。\n～以上～\n"))

# Shift_JIS without any MIME labels, raw 8-bit subject.
write("sjis_undeclared.eml", b"From: tanaka@example.jp\n"
      b"To: yamada@example.jp\n"
      b"Subject: " + "見積もり①の件".encode("cp932") + b"\n"
      b"Date: Thu, 02 May 2024 09:00:00 +0900\n\n"
      + "田中です。\n金額は１２３円です。ﾃｽﾄ\n".encode("cp932"))

# Shift_JIS declared, quoted-printable body with half-width katakana and full-width letters.
write("sjis_qp.eml", b"From: " + bword(b"Shift_JIS", "伊藤".encode("cp932")) + b" <ito@example.jp>\n"
      b"To: yamada@example.jp\n"
      b"Subject: " + bword(b"Shift_JIS", "納品書の送付".encode("cp932")) + b"\n"
      b"Date: Thu, 09 May 2024 09:00:00 +0900\n"
      b"MIME-Version: 1.0\n"
      b"Content-Type: text/plain; charset=Shift_JIS\n"
      b"Content-Transfer-Encoding: quoted-printable\n\n"
      + quopri.encodestring("伊藤です。\nﾃﾞｰﾀは添付のとおりです。ＡＢＣ商事\n".encode("cp932")))

# EUC-JP, subject and body.
write("eucjp.eml", b"From: " + bword(b"EUC-JP", "鈴木".encode("euc_jp")) + b" <suzuki@example.jp>\n"
      b"To: yamada@example.jp\n"
      b"Subject: " + bword(b"EUC-JP", "ご案内".encode("euc_jp")) + b"\n"
      b"Date: Fri, 03 May 2024 12:00:00 +0000\n"
      b"MIME-Version: 1.0\n"
      b"Content-Type: text/plain; charset=EUC-JP\n"
      b"Content-Transfer-Encoding: 8bit\n\n" + "こんにちは、鈴木です。\n".encode("euc_jp"))

# UTF-8 base64 body, a character split across two encoded words, and a Q word.
utf8 = "日本語の件名です".encode("utf-8")
write("utf8_base64.eml", b"From: =?UTF-8?Q?=E9=AB=98=E6=A9=8B?= <takahashi@example.jp>\n"
      b"To: yamada@example.jp\n"
      b"Subject: " + bword(b"UTF-8", utf8[:10]) + b"\n " + bword(b"UTF-8", utf8[10:]) + b"\n"
      b"Date: Sat, 04 May 2024 08:30:00 +0900\n"
      b"MIME-Version: 1.0\n"
      b"Content-Type: text/plain; charset=UTF-8\n"
      b"Content-Transfer-Encoding: base64\n\n"
      + base64.encodebytes("本文です。\n絵文字😀もあります。\n".encode("utf-8")))

# HTML only, quoted-printable.
html = ("<html><head><title>t</title><style>p {color:red}</style></head><body>"
        "<p>こんにちは&amp;ようこそ</p><script>alert(1)</script><div>二行目<br>三行目</div>"
        "<p>&lt;終わり&gt;&#x2460;</p></body></html>").encode("utf-8")
write("html_only.eml", b"From: news@example.com\nTo: yamada@example.jp\nSubject: HTML\n"
      b"Date: Sun, 05 May 2024 10:00:00 +0900\nMIME-Version: 1.0\n"
      b"Content-Type: text/html; charset=utf-8\nContent-Transfer-Encoding: quoted-printable\n\n"
      + quopri.encodestring(html))

# multipart/mixed: alternative body, then attachments with RFC 2231, encoded-word and hostile names.
rfc2231 = "".join("%%%02X" % b for b in jis("見積書①.txt"))
utf8_name = "".join("%%%02X" % b for b in "報告書（最終版）.pdf".encode("utf-8"))
write("multipart_attach.eml", b"From: sato@example.jp\nTo: yamada@example.jp\nSubject: files\n"
      b"Date: Mon, 06 May 2024 10:00:00 +0900\nMIME-Version: 1.0\n"
      b"Content-Type: multipart/mixed; boundary=\"OUTER\"\n\n"
      b"--OUTER\nContent-Type: multipart/alternative; boundary=\"ALT\"\n\n"
      b"--ALT\nContent-Type: text/html; charset=utf-8\n\n" + "<p>HTML版</p>\n".encode() +
      b"--ALT\nContent-Type: text/plain; charset=ISO-2022-JP\n\n" + jis("添付します。\n") + b"\n"
      b"--ALT--\n"
      b"--OUTER\nContent-Type: text/plain; name=\"x.txt\"\n"
      b"Content-Disposition: attachment; filename*=ISO-2022-JP''" + rfc2231.encode() + b"\n"
      b"Content-Transfer-Encoding: base64\n\n" + base64.encodebytes("中身".encode("cp932")) +
      b"--OUTER\nContent-Type: application/pdf\n"
      b"Content-Disposition: attachment;\n filename*0*=UTF-8''" + utf8_name[:40].encode() +
      b";\n filename*1*=" + utf8_name[40:].encode() + b"\n"
      b"Content-Transfer-Encoding: base64\n\n" + base64.encodebytes(b"%PDF-1.4 fake\n") +
      b"--OUTER\nContent-Type: application/octet-stream; name=\"" + bword(b"ISO-2022-JP", jis("資料")) +
      b" " + bword(b"ISO-2022-JP", jis("一覧.csv")) + b"\"\n"
      b"Content-Transfer-Encoding: base64\n\n" + base64.encodebytes(b"a,b\n1,2\n") +
      b"--OUTER\nContent-Type: application/octet-stream\n"
      b"Content-Disposition: attachment; filename=\"../../etc/x\"\n\n"
      b"evil\n"
      b"--OUTER\nContent-Type: application/octet-stream\n"
      b"Content-Disposition: attachment; filename=\"" + bword(b"UTF-8", b"..\\a\x01b\nc.txt") + b"\"\n\n"
      b"ctl\n"
      b"--OUTER--\n")

# A forwarded message inside a message; the inner one has an attachment of its own.
inner = (b"From: inner@example.jp\nTo: sato@example.jp\nSubject: " + bword(b"ISO-2022-JP", jis("元のメール")) + b"\n"
         b"Date: Tue, 30 Apr 2024 18:00:00 +0900\nMIME-Version: 1.0\n"
         b"Content-Type: multipart/mixed; boundary=\"IN\"\n\n"
         b"--IN\nContent-Type: text/plain; charset=us-ascii\n\ninner body\n"
         b"--IN\nContent-Type: application/octet-stream\nContent-Disposition: attachment; filename=\"inner.bin\"\n\n"
         b"data\n--IN--\n")
write("nested_rfc822.eml", b"From: sato@example.jp\nTo: yamada@example.jp\nSubject: Fwd\n"
      b"Date: Tue, 07 May 2024 10:00:00 +0900\nMIME-Version: 1.0\n"
      b"Content-Type: multipart/mixed; boundary=\"OUT\"\n\n"
      b"--OUT\nContent-Type: text/plain; charset=us-ascii\n\nsee attached\n"
      b"--OUT\nContent-Type: message/rfc822\n\n" + inner + b"\n--OUT--\n")

# Base64 made of separately padded chunks, and no Date field (the Received time is used).
write("chunked_base64.eml", b"Received: from a by b; Wed, 08 May 2024 01:02:03 +0000\n"
      b"From: x@example.jp\nTo: y@example.jp\nSubject: chunks\nMIME-Version: 1.0\n"
      b"Content-Type: text/plain; charset=UTF-8\nContent-Transfer-Encoding: base64\n\n"
      + base64.b64encode("前半".encode()) + b"\n" + base64.b64encode("と後半".encode()) + b"\n")

write("empty.eml", b"")
with open(os.path.join(HERE, "garbage.eml"), "wb") as f:
    f.write(bytes((i * 37 + 11) % 256 for i in range(600)))
