require ["fileinto", "copy", "imap4flags", "body", "regex", "comparator-i;unicode-casemap"];
# rule:[メーリングリスト]
if allof (header :contains :comparator "i;unicode-casemap" "list-id" "<ml.example.jp>",
          not size :over 1M, exists "X-ML-Name") {
    addflag "\\Seen"; fileinto :copy "受信BOX/写し"; fileinto "受信BOX/ML"; stop; }
if body :text :regex "請求書[0-9]+" { if header :is "subject" text:
件名
.
 { discard; } }
/* comment */ if allof (false, true) { keep; }
