#!/usr/bin/python3
"""Writes the seed corpora of the fuzz targets into corpus/<target>/ (run once; the files are
committed). Mail seeds are the sample messages of the tests."""
import os
import shutil

HERE = os.path.dirname(os.path.abspath(__file__))
MAIL_SAMPLES = os.path.join(HERE, "..", "tests", "data", "mail")
MAILBOX_SAMPLES = os.path.join(HERE, "..", "tests", "data", "mailimport")


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("cp932")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main():
    for name in sorted(os.listdir(MAIL_SAMPLES)):
        if name.endswith(".eml"):
            with open(os.path.join(MAIL_SAMPLES, name), "rb") as f:
                write("mail_reader", name, f.read())
    write("mail_reader", "attachment_path.eml",
          b"From: a@example.jp\r\nSubject: x\r\nMIME-Version: 1.0\r\n"
          b"Content-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\nbody\r\n"
          b"--b\r\nContent-Type: application/octet-stream\r\n"
          b"Content-Disposition: attachment; filename*=UTF-8''..%2F..%2Fescape.txt\r\n"
          b"Content-Transfer-Encoding: base64\r\n\r\naGVsbG8=\r\n--b--\r\n")

    # The junk classifier reads every message; its own seeds are what only it looks at.
    for name in ("html_only.eml", "iso2022jp_nec.eml", "garbage.eml", "sjis_undeclared.eml"):
        with open(os.path.join(MAIL_SAMPLES, name), "rb") as f:
            write("junk_tokens", name, f.read())
    write("junk_tokens", "relays_and_links.eml",
          "Received: from mail.example.top (unknown [192.0.2.7])\r\n\tby mx.example.jp; Mon\r\n"
          "Received: from [203.0.113.9] by relay\r\nX-Spam-Flag: YES\r\nX-Mailer: ｓｐａｍ 1.0\r\n"
          "From: \"当選事務局\" <win@prize.example.top>\r\nSubject: 【当選】ｱｶｳﾝﾄ★確認\r\n"
          "Content-Type: text/html; charset=utf-8\r\n\r\n<a href='https://u:p@a.b.c.example.co.jp:8080/x'>こちら</a>"
          "<img src=http://192.0.2.1/p.gif> https://www.ex.jp/ 12345678 ００１２０\r\n".encode("utf-8"))
    for name in ["mboxrd.mbox", "mboxo.mbox", "truncated.mbox", "thunderbird/Inbox"]:
        with open(os.path.join(MAILBOX_SAMPLES, name), "rb") as f:
            write("mailbox_import", name.replace("/", "_"), f.read())
    write("mailbox_import", "crlf.mbox", b"From a\r\nA: 1\r\n\r\n>From x\r\n\r\nFrom b\r\nB: 2\r\n\r\n")
    write("mailbox_import", "mozilla_status", b"X-Mozilla-Status: 0009\nStatus: RO\nX-Status: F\n\n")
    write("mailbox_import", "maildir_name", b"1704067200.M1P100.host:2,FST")
    write("mailbox_import", "mh_sequences", b"unseen: 2-4 9 3-6\n 20-22\nflagged: 9\nbroken: x-1 0 5-3\n")
    write("mailbox_import", "utf7_name", b"&TtVOiw-.Work.&-")

    write("profile_file", "account.ini",
          "[Property]\r\nAccName=taro\r\nMailAddress=taro@example.jp\r\nName=山田太郎\r\n"
          "[Folder]\r\nCount=2\r\n0=受信BOX\\仕事\r\n1=受信BOX\\家族\r\n")
    write("profile_file", "index.ini",
          "[標準BOX]\r\n20261208-120000.eml=010\t山田 <y@ex.jp>\t会議\t2026/12/08 12:00:00\r\n"
          "; comment\r\n\r\n[ごみ箱]\r\nnot a key line\r\n")
    write("profile_file", "utf8.ini", "\ufeff[AName]\nCount=1\n0=デモ\n".encode("utf-8"))
    write("profile_file", "odd.ini", b"[unclosed\r\n=value\r\n[ ]\r\nkey\r\n\x81\r\n")

    for name, header in [("iso2022jp", b"=?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?="),
                         ("sjis_q", b"=?Shift_JIS?Q?=93=FA=96=7B=8C=EA?= plain"),
                         ("utf8_split", b"=?UTF-8?B?5pel5pys?= =?UTF-8?B?6Kqe?="),
                         ("broken", b"=?UTF-8?B?5pel5p?=?= =?x?Q?=ZZ?="),
                         ("raw_sjis", "日本語の件名".encode("cp932"))]:
        for charset in range(3):
            write("encoded_words", "%s_%d" % (name, charset), bytes([charset]) + header)

    write("preview", "quote", "> 引用です\r\n本文 https://example.jp/a?b=c&d mailto:a@example.jp\r\n<b>&amp;</b>\r\n"
          .encode("utf-8"))
    write("preview", "long", ("長い行" * 500 + "\r\n").encode("utf-8"))

    write("address_book", "book.txt", "1.1\r\nRoot\\仕事\t山田\ty@ex.jp\tメモ\r\nRoot\tA\ta@b\t\r\n")
    write("address_book", "oe.csv", "名前,電子メール アドレス\r\n山田,y@ex.jp\r\n\"佐藤, 花子\",s@ex.jp\r\n")
    write("address_book", "almail.txt", "山田: y@ex.jp\r\n会社: 営業: e@ex.jp\r\n")
    write("address_book", "becky.txt", "山田 <y@ex.jp>\r\n".encode("utf-8"))
    write("address_book", "utf16.txt", "\ufeff1.1\r\nRoot\tA\ta@b\tc\r\n".encode("utf-16-le"))

    for i, line in enumerate(["mailto:a@example.jp",
                              "mailto:%E5%B1%B1%E7%94%B0%3Cyamada@example.jp%3E?subject=%E4%BC%9A&cc=b@x&bcc=c@x",
                              "mailto:?to=a@x&body=line%0D%0Anext", "to a@x cc b@x bcc c@x",
                              "mailto:a@x?subject=%93%FA%96%7B"]):
        write("mailto", "line%d" % i, line.encode("utf-8"))

    # The first byte chooses how the rest is cut into pieces.
    for name, reply in [("retr", b"+OK 120 octets\r\nSubject: a\r\n\r\n..dot\r\n.\r\n+OK next\r\n"),
                        ("uidl", b"+OK\r\n1 000000016b170d34\r\n2 x\r\nbad\r\n.\r\n"),
                        ("list", b"+OK 2 messages\r\n1 942\r\n2 -3\r\n.\r\n"),
                        ("capa", b"+OK\r\nTOP\r\nUIDL\r\nPIPELINING\r\n.\r\n"),
                        ("ehlo", b"250-smtp.test\r\n250-PIPELINING\r\n250-CHUNKING\r\n250 SIZE 100\r\n"),
                        ("refused", b"550-5.1.1 first\r\n550 5.1.1 <a@x>: rejected\r\n354 go\r\n"),
                        ("dot_edges", b".\r..\r\n.\n.x\r\n\r\n.\r\n"),
                        ("no_end", b"+OK\r\nline without end\r")]:
        for cut in (0, 3):
            write("server_replies", "%s_%d" % (name, cut), bytes([cut]) + reply)
    write("sieve", "rfc5228.sieve", (
        'require ["fileinto"];\r\n'
        'if header :is "Sender" "owner-ietf-mta-filters@imc.org" { fileinto "filter"; }\r\n'
        'elsif address :DOMAIN :is ["From", "To"] "example.com" { keep; }\r\n'
        'elsif anyof (NOT address :all :contains ["To", "Cc", "Bcc"] "me@example.com",\r\n'
        '             header :matches "subject" ["*make*money*fast*", "*university*dipl*mas*"]) {\r\n'
        '    fileinto "spam"; }\r\n'
        'else { fileinto "personal"; }\r\n').encode("utf-8"))
    write("sieve", "extensions.sieve", (
        'require ["fileinto", "copy", "imap4flags", "body", "regex", "comparator-i;unicode-casemap"];\n'
        '# rule:[メーリングリスト]\n'
        'if allof (header :contains :comparator "i;unicode-casemap" "list-id" "<ml.example.jp>",\n'
        '          not size :over 1M, exists "X-ML-Name") {\n'
        '    addflag "\\\\Seen"; fileinto :copy "受信BOX/写し"; fileinto "受信BOX/ML"; stop; }\n'
        'if body :text :regex "請求書[0-9]+" { if header :is "subject" text:\n件名\n.\n { discard; } }\n'
        '/* comment */ if allof (false, true) { keep; }\n').encode("utf-8"))
    write("sieve", "broken.sieve", b'if header :is "a" {\n  "unclosed\n')
    write("rule_lines", "rule.txt", (
        "Name=メーリングリスト\nEnabled=1\nJoin=any\nChained=0\n"
        "If1=Header\tcontains\tfolded\tnot\tList-Id,X-ML\t<ml.example.jp>\t50%25\n"
        "If2=Address\tis\tascii\tdomain\tFrom\texample.jp\n"
        "If3=SizeOver\tis\tfolded\t-\t-\t1048576\n"
        "Do1=MarkRead\nDo2=Move\t受信BOX\\仕事\n").encode("utf-8"))
    write("rule_lines", "broken.txt", "Name=壊れた\nIf1=Colour\tcontains\n".encode("utf-8"))


if __name__ == "__main__":
    shutil.rmtree(os.path.join(HERE, "corpus"), ignore_errors=True)
    main()
