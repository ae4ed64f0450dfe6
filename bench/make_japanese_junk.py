#!/usr/bin/python3
"""Writes a Japanese mail set for the junk benchmark: good mail and junk, each message a file.

    make_japanese_junk.py OUT_DIR [--count N] [--seed S]

makes OUT_DIR/{train,test}/{ham,spam}/NNNNN.eml, N messages of each kind in each part.

Good mail: business mail (meetings, quotes, real invoices, reports), family and friends, shop
newsletters with links and campaigns, notices of shipping, logins and payments, clubs and schools.
Junk: phishing that copies business greetings, fake invoices and unpaid charges, prizes, dating,
missed deliveries, money-making offers. Both kinds come from the same ordinary domains and relays,
in ISO-2022-JP, Shift_JIS and UTF-8 alike, with and without HTML, so that the text decides.

To keep the figure honest the two parts do not share their sentences: every list of phrasings is
split in two, the training part draws from one half and the test part from the other, so a test
message says its thing in words the filter has not learnt as such. Good mail borrows the words of
junk (campaigns, points, "重要", login notices, invoices) and junk borrows business greetings and
seasonal small talk. Still, generated mail is far more regular than real mail: the figure shows
that the tokens work for Japanese, not how a real mailbox will fare.
"""

import argparse
import base64
import email.utils
import os
import quopri
import random

# --- People, places, domains -------------------------------------------------------------------

SURNAMES = "佐藤 鈴木 高橋 田中 伊藤 渡辺 山本 中村 小林 加藤 吉田 山田 佐々木 山口 松本 井上 木村 林 斎藤 清水 山崎 森 池田 橋本 阿部 石川 山下 中島 石井 小川 前田 岡田 長谷川 藤田 後藤 近藤 村上 遠藤 青木 坂本 斉藤 福田 太田 西村 藤井 金子 岡本 藤原 中野 三浦 原田 中川 松田 竹内 小野 田村 中山 和田 石田 森田".split()
GIVEN = "翔太 蓮 大輔 健太 拓也 直樹 誠 浩二 隆 亮 陽菜 美咲 結衣 葵 さくら 恵子 由美 直美 裕子 愛 真由美 香織 優子 明美 智子 大和 悠真 湊 美穂 彩".split()
ROMAN_SURNAMES = "sato suzuki takahashi tanaka ito watanabe yamamoto nakamura kobayashi kato yoshida yamada sasaki yamaguchi matsumoto inoue kimura hayashi saito shimizu".split()
COMPANY_WORDS = "東都 大和 光陽 新星 富士見 青葉 北斗 みらい 丸山 日の出 桜井 ひかり 中央 山手 若葉 朝日 三星 白鳥 東西 港北".split()
COMPANY_KINDS = "商事 工業 システム 物産 建設 印刷 電機 食品 運輸 ソリューションズ 不動産 設計 製作所 企画".split()
COMPANY_ROMAN = "toto yamato koyo shinsei fujimi aoba hokuto mirai maruyama hinode sakurai hikari chuo yamate wakaba asahi mitsuboshi hakucho tozai kohoku".split()
FREE_MAIL = "gmail.com yahoo.co.jp outlook.jp icloud.com docomo.ne.jp ezweb.ne.jp softbank.ne.jp nifty.com biglobe.ne.jp so-net.ne.jp ocn.ne.jp au.com".split()
SHOPS = [("楽天ショップ", "shop-rakuraku.jp"), ("ヨドバシ電器", "yododen.co.jp"), ("ユニクル", "uniqle.jp"),
         ("無地良品", "mujiryo.com"), ("ブックオン", "bookon.jp"), ("トラベルナビ", "travelnavi.jp"),
         ("ホットプレッパー", "hotprepper.jp"), ("カメラのキタザワ", "kitazawa-camera.jp"),
         ("イオンド", "ionde.co.jp"), ("ニトリア", "nitoria.jp")]
SERVICES = [("アマゾネス", "amazones.co.jp"), ("三井住之銀行", "smzbank.co.jp"), ("ゆうちょ銀", "yuucho-bank.jp"),
            ("エーユー", "au-mobile.jp"), ("ドコモン", "docomon.jp"), ("アップルID", "appleid-jp.com"),
            ("メルカル", "mercal.jp"), ("佐川配送", "sagawa-haiso.jp"), ("ヤマト運送", "yamato-unso.jp"),
            ("日本郵便局", "post-nihon.jp")]
RELAYS = ["mail.example-isp.ne.jp", "smtp.gmail.com", "mta-out.mail.yahoo.co.jp", "mx.biglobe.ne.jp",
          "smtp.nifty.com", "outbound.ocn.ne.jp", "mail.so-net.ne.jp", "smtp-relay.sendgrid.net",
          "mta.mailmag-cloud.jp", "mail.docomo.ne.jp"]
SHADY_TLDS = "xyz top icu shop online site work club info cn com net jp".split()
MAILERS = ["Microsoft Outlook 16.0", "Thunderbird 115.5.0", "Becky! ver. 2.81.04", "iPhone Mail (21A329)",
           "Shuriken 2024", "Gmail", "Sylpheed 3.7.0", "Android Mail", None, None, None]


def pick(rng, items):
    return items[rng.randrange(len(items))]


def person(rng):
    return pick(rng, SURNAMES), pick(rng, GIVEN)


def company(rng):
    i = rng.randrange(len(COMPANY_WORDS))
    kind = pick(rng, COMPANY_KINDS)
    return "株式会社" + COMPANY_WORDS[i] + kind, COMPANY_ROMAN[i] + rng.choice(["", "-corp", "-sys", "tec"]) + rng.choice([".co.jp", ".jp", ".com"])


def shady_domain(rng):
    syllables = "ka ki ku ke ko sa shi su se so ta chi tsu te to na ni nu ne no ma mi mu me mo ra ri ru re ro".split()
    word = "".join(pick(rng, syllables) for _ in range(rng.randint(2, 4)))
    return word + rng.choice(["", "-jp", "-info", "-support", "-secure"]) + "." + pick(rng, SHADY_TLDS)


def lookalike(rng, domain):
    base = domain.split(".")[0]
    return rng.choice([base + "-" + pick(rng, ["secure", "login", "verify", "account", "support"]) + "." + pick(rng, SHADY_TLDS),
                       pick(rng, ["www", "id", "my"]) + "." + base + "-jp." + pick(rng, SHADY_TLDS),
                       base + "." + shady_domain(rng)])


def address(rng, domain=None, roman=None):
    user = (roman or pick(rng, ROMAN_SURNAMES)) + rng.choice([".", "_", ""]) + pick(rng, ["taro", "hanako", "k", "m", "y", "office", "info"]) + str(rng.randint(1, 999) if rng.random() < 0.5 else "")
    return user + "@" + (domain or pick(rng, FREE_MAIL))


def url(rng, host):
    path = "/".join(rng.choice(["", "campaign", "login", "item", "news", "mypage", "c", "r", "info", "detail"]) for _ in range(rng.randint(1, 3))).strip("/")
    query = "?id=" + "".join(rng.choice("abcdefghijk0123456789") for _ in range(rng.randint(4, 12))) if rng.random() < 0.6 else ""
    return "https://" + host + "/" + path + query


def amount(rng):
    return "{:,}".format(rng.choice([1, 2, 3, 5, 8, 12, 15, 24, 39, 48, 98, 120]) * rng.choice([100, 1000, 10000]) + rng.choice([0, 0, 80, 500]))


def date_words(rng):
    return "{}月{}日（{}）".format(rng.randint(1, 12), rng.randint(1, 28), pick(rng, "月火水木金土日"))


def time_words(rng):
    return "{}時{}".format(rng.randint(9, 19), rng.choice(["", "半", "30分", "15分"]))


def fill(rng, text, ctx):
    """Fills {slot} markers: the context's own values, else fresh ones."""
    values = dict(ctx)
    values.setdefault("date", date_words(rng))
    values.setdefault("time", time_words(rng))
    values.setdefault("amount", amount(rng))
    values.setdefault("num", str(rng.randint(2, 30)))
    values.setdefault("code", "".join(rng.choice("ABCDEFGHJKLMNPQRSTUVWXYZ0123456789") for _ in range(8)))
    values.setdefault("shop", pick(rng, SHOPS)[0])
    values.setdefault("other", pick(rng, SURNAMES))
    values.setdefault("n4", str(rng.randint(1000, 9999)))
    values.setdefault("n4b", str(rng.randint(1000, 9999)))
    values.setdefault("n3", str(rng.randint(100, 999)))
    values.setdefault("n3b", str(rng.randint(100, 999)))
    return text.format(**values)


# --- Phrasings ------------------------------------------------------------------------------------
# Each entry is "training wording|test wording": the two parts say the same things in other words,
# so a test message is never a sentence the filter has learnt whole.

def half(items, part):
    """The wordings of one part."""
    return [item.split("|")[part] if "|" in item else item for item in items]


SEASONS = ["暑い日が続いておりますが、いかがお過ごしでしょうか。|厳しい暑さが続いておりますが、お変わりありませんか。",
           "朝晩すっかり涼しくなりましたね。|朝夕はめっきり涼しくなってきましたね。",
           "寒さが厳しくなってまいりました。|寒さが一段と身にしみる頃となりました。",
           "桜の便りが聞こえる季節になりました。|桜の花がほころぶ季節となりました。",
           "梅雨に入り、すっきりしない天気が続いています。|梅雨空が続き、うっとうしい毎日ですね。",
           "急に冷え込んでまいりましたが、お元気でしょうか。|めっきり冷え込むようになりましたが、お元気ですか。",
           "新緑がまぶしい季節となりました。|若葉の緑が美しい季節になりました。",
           "年の瀬も押し迫ってまいりました。|今年も残りわずかとなりました。"]
BUSINESS_OPEN = ["いつもお世話になっております。{company}の{sur}です。|いつも大変お世話になっております。{company}、{sur}でございます。",
                 "お世話になっております。{company}営業部の{sur}でございます。|お世話になります。{company}営業部、{sur}です。",
                 "{to_sur}様\n\nいつも大変お世話になっております。{company}の{sur}です。|{to_sur}様\n\n平素よりお世話になっております。{company}の{sur}と申します。",
                 "平素より格別のご高配を賜り、厚く御礼申し上げます。{company}の{sur}です。|日頃より格別のお引き立てをいただき、誠にありがとうございます。{company}の{sur}です。",
                 "お疲れ様です。{sur}です。|お疲れさまです、{sur}です。",
                 "{to_sur}さん\n\nお疲れ様です。{company}の{sur}です。|{to_sur}さん\n\nいつもありがとうございます。{sur}です。"]
BUSINESS_BODY = [
    "先日はお忙しいところお時間をいただき、ありがとうございました。打ち合わせの議事録を添付いたしますので、ご確認いただけますと幸いです。|先日はご多忙の中、打ち合わせの機会をいただきありがとうございました。議事録をお送りしますので、お目通しください。",
    "次回の定例会議ですが、{date}の{time}からでいかがでしょうか。ご都合が悪いようでしたら、候補日をいくつかお知らせください。|次の定例会は{date}の{time}開始を考えております。難しいようでしたら、ご都合のよい日時を教えてください。",
    "ご依頼いただいておりました見積書を作成しましたので、お送りいたします。金額は税込{amount}円となっております。|お問い合わせいただいた件のお見積りを添付いたします。合計は税込{amount}円です。",
    "今月分の請求書をお送りいたします。お支払い期日は月末となっておりますので、よろしくお願いいたします。|{date}締め分の請求書を添付しました。お支払いは翌月末までにお願いいたします。",
    "プロジェクトの進捗についてご報告いたします。設計はほぼ完了しており、来週から試験に入る予定です。|案件の進み具合をご報告します。設計作業は九割がた終わり、来週から検証を始めます。",
    "資料の件、承知いたしました。修正版を本日中にお送りいたします。|資料の修正の件、かしこまりました。本日中に差し替え版をお送りします。",
    "来月の展示会の件でご相談があります。ブースの配置について、一度お電話でお話しできればと思います。|展示会の出展について、ブースのレイアウトを一度ご相談させてください。お電話でも構いません。",
    "先ほどお電話した件ですが、担当の{other}から改めてご連絡いたします。|お電話でお話しした件は、後ほど担当の{other}よりご連絡差し上げます。",
    "納期について確認させてください。当初の予定どおり{date}で問題ないでしょうか。|納品日の件ですが、予定どおり{date}で進めてよろしいでしょうか。",
    "契約書の原本を郵送いたしました。ご確認のうえ、ご捺印をお願いいたします。|契約書を二部郵送しました。内容をご確認いただき、押印のうえ一部ご返送ください。",
    "新しい担当者をご紹介させていただきます。来週、{other}と一緒にご挨拶に伺います。|このたび担当が{other}に替わりました。来週、改めてご挨拶に伺います。",
    "社内で検討した結果、今回はA案で進めることになりました。詳細は追ってご連絡します。|社内検討の結果、A案を採用することになりました。詳しくは改めてご連絡いたします。",
    "会議室の予約ですが、第二会議室を押さえました。プロジェクターも使えます。|会議室は第二会議室を予約しました。プロジェクターとホワイトボードが使えます。",
    "出張の日程が決まりました。{date}に大阪支店へ伺う予定です。|{date}から大阪支店へ出張することになりました。",
    "アンケート結果を集計しましたので、共有いたします。回答数は{num}件でした。|お客様アンケートの集計がまとまりました。回答は{num}件です。",
    "システムの定期メンテナンスのため、{date}の夜間はサーバーが停止します。ご注意ください。|{date}の夜は定期保守作業のため、社内システムが使えません。",
    "添付の図面をご確認いただき、修正点があればご指摘ください。|図面を添付しましたので、お気づきの点があればお知らせください。",
    "お支払いの件、経理担当に確認いたしました。{date}にお振込みの予定です。|ご入金の件は経理に確認済みです。{date}に振り込む予定とのことです。",
]
BUSINESS_CLOSE = ["何卒よろしくお願いいたします。|どうぞよろしくお願い申し上げます。",
                  "引き続きよろしくお願いいたします。|今後ともよろしくお願いいたします。",
                  "ご確認のほど、よろしくお願い申し上げます。|お手すきの際にご確認ください。",
                  "お手数をおかけしますが、よろしくお願いいたします。|ご面倒をおかけしますが、よろしくお願いします。",
                  "以上、よろしくお願いします。|取り急ぎご連絡まで。",
                  "ご不明な点がございましたら、お気軽にお問い合わせください。|何かございましたら、いつでもご連絡ください。"]
FAMILY_OPEN = ["{to_given}へ|{to_given}、", "お母さん、元気？|母さん、変わりない？", "おつかれ〜|おつかれさま！",
               "久しぶり！|ひさしぶり〜", "{to_given}ちゃん、こんばんは。|{to_given}ちゃん、おはよう。", "お父さんへ|父さん、",
               "もしもし、{given}だよ。|{given}です。"]
FAMILY_BODY = [
    "今度の週末、そっちに帰ろうと思うんだけど、都合どうかな？|週末にそっちへ顔を出そうかと思ってるけど、大丈夫？",
    "子どもの運動会の写真を送るね。かけっこで二位だったよ。|運動会の写真できたよ。リレーでがんばってた！",
    "晩ご飯は何がいい？カレーかハンバーグにしようと思ってる。|今日の夕飯、肉じゃがと焼き魚どっちがいい？",
    "おばあちゃんの誕生日プレゼント、何にするか一緒に考えてくれない？|おばあちゃんの誕生日に何を贈るか、相談させて。",
    "駅前に新しいパン屋さんができたんだって。今度行ってみよう。|商店街に新しいケーキ屋さんができたみたい。行ってみない？",
    "旅行の写真、アルバムにまとめておいたよ。見てみてね。|この前の旅行の写真、共有フォルダに入れておいたよ。",
    "風邪ひいてない？最近寒いから気をつけてね。|体調どう？無理しないでね。",
    "来月の法事の件、叔父さんから連絡があったよ。{date}だって。|法事の日取りが{date}に決まったって、叔母さんから電話があった。",
    "帰りに牛乳と卵を買ってきてもらえると助かります。|帰りにスーパーでお豆腐とネギを買ってきて〜",
    "この前借りた本、すごく面白かった！続きも貸してね。|借りてたマンガ読み終わった！今度返すね。",
    "お盆は混むから、少し早めに帰ることにしたよ。|連休は道が混むから、一日早く出ることにした。",
    "犬の散歩、今日はお願いしてもいい？ちょっと遅くなりそう。|今日残業になりそうだから、ポチの散歩頼める？",
    "同窓会の案内が来てたよ。{date}だって、行く？|高校の同窓会、{date}にやるらしいよ。一緒に行こうよ。",
    "野菜たくさんもらったから、少し送るね。|畑でとれたじゃがいも、段ボールで送っておいたよ。",
]
FAMILY_CLOSE = ["じゃあまたね。|またね〜", "よろしく〜|よろしくね。", "また連絡するね。|また電話する。",
                "返事待ってます。|返信ちょうだいね。", "体に気をつけてね。|元気でね。", "おやすみ。|じゃあおやすみ〜"]
NEWS_OPEN = ["{shop}をご利用いただきありがとうございます。|いつも{shop}をご愛顧いただき、ありがとうございます。",
             "いつも{shop}メールマガジンをご購読いただき、ありがとうございます。|{shop}メールマガジンをお読みいただきありがとうございます。",
             "【{shop}】今週のおすすめ情報をお届けします。|【{shop}】今月の注目アイテムをご紹介します。",
             "{to_sur}様、こんにちは。{shop}です。|{to_sur}様、{shop}からのお知らせです。"]
NEWS_BODY = [
    "今週末限定でポイント10倍キャンペーンを開催中です。この機会にぜひご利用ください。|週末だけのポイント5倍セールを実施しています。ぜひこの機会にお買い物をお楽しみください。",
    "新商品が入荷しました。数量限定のため、お早めにチェックしてください。|話題の新作が入荷しました。なくなり次第終了です。",
    "会員様限定のクーポンをお届けします。{date}まで使えます。|会員の皆さまに割引クーポンをプレゼント。有効期限は{date}です。",
    "秋の新作コレクションを公開しました。詳しくは特設ページをご覧ください。|冬の新作が特設ページに登場しました。",
    "先月ご購入いただいた商品のレビューを書いていただくと、{num}ポイントをプレゼントします。|お買い上げ商品の感想をお寄せいただくと、{num}ポイント差し上げます。",
    "店舗でのイベントのお知らせです。{date}に試食会を開催します。|{date}、各店舗で試食イベントを行います。",
    "送料無料キャンペーンは今月末までです。|今月いっぱい、全品送料無料です。",
    "人気ランキングを更新しました。第1位はあの定番商品です。|今週の売れ筋ランキングを発表します。",
    "年末年始の営業時間についてお知らせします。|連休中の営業日と配送についてご案内します。",
    "アプリからのご注文で、さらにお得になります。|公式アプリならクーポンがもう一枚もらえます。",
]
NEWS_CLOSE = ["配信停止をご希望の方はこちらから手続きをお願いします。|メールの配信を停止する場合は、下記のページから設定してください。",
              "このメールは配信専用です。ご返信いただいてもお答えできません。|本メールは送信専用アドレスからお送りしています。",
              "メールマガジンの配信先の変更・停止はマイページから行えます。|配信設定の変更は会員ページからどうぞ。"]
NOTICE_BODY = [
    "ご注文いただいた商品を発送いたしました。お届け予定日は{date}です。お問い合わせ番号は{code}です。|ご注文の品を本日出荷しました。{date}頃のお届け予定です。伝票番号：{code}",
    "新しい端末からのログインがありました。お心当たりがない場合は、パスワードを変更してください。|普段と異なる環境からサインインがありました。ご自身の操作でなければ、設定画面からパスワードを変更してください。",
    "{date}にお振込みを受け付けました。金額は{amount}円です。|{amount}円のご入金を{date}に確認いたしました。",
    "ご予約を承りました。ご来店日時は{date} {time}です。|ご予約ありがとうございます。{date}の{time}にお待ちしております。",
    "パスワードの変更が完了しました。|登録メールアドレスの変更手続きが完了しました。",
    "今月のご利用明細が確定しました。マイページからご確認いただけます。|{date}締めのご請求額が確定しました。会員ページでご確認ください。",
    "定期便のお届け日が近づいています。内容の変更は{date}まで可能です。|次回の定期お届けの内容は{date}まで変更できます。",
    "ポイントの有効期限が近づいています。{num}ポイントが今月末で失効します。|お持ちの{num}ポイントの期限が今月末に切れます。",
]
CLUB_BODY = [
    "次回の練習は{date}の{time}から、市民体育館で行います。|今度の練習は{date}、{time}から公民館です。",
    "PTAの会議の議事録を回覧します。ご意見があればお知らせください。|先日の役員会の記録をお送りします。",
    "町内会の清掃活動のお知らせです。{date}の朝9時に公園に集合してください。|{date}は地域の一斉清掃です。軍手をお持ちください。",
    "合唱団の皆さま、発表会の衣装の件でご連絡します。|発表会の衣装は各自でご用意をお願いします。",
    "読書会の次回の課題本が決まりました。|来月の読書会は、図書館の会議室で行います。",
    "今年の忘年会は{date}に決まりました。出欠のご返信をお願いします。|新年会を{date}に行います。参加の可否をお知らせください。",
]

PHISH_SUBJECT = ["【重要】アカウントが一時停止されました|【重要】お客様のアカウントを一時的に制限しました",
                 "【{service}】ご本人確認のお願い|【{service}】本人確認手続きのお願い",
                 "【緊急】お支払い方法の確認が必要です|【至急】お支払い情報を更新してください",
                 "お客様のアカウントに不正アクセスの可能性があります|不審なサインインを検知しました",
                 "【{service}】セキュリティ警告|【{service}】セキュリティに関する重要なお知らせ",
                 "【重要なお知らせ】ご利用制限のお知らせ|ご利用停止のお知らせ",
                 "{service}アカウント情報の更新|{service}会員情報の再登録のお願い",
                 "【再送】カード情報の有効期限が切れています|登録カードの有効期限について"]
PHISH_OPEN = ["いつも{service}をご利用いただきありがとうございます。|平素より{service}をご利用いただき、誠にありがとうございます。",
              "いつもお世話になっております。{service}カスタマーサポートです。|いつもお世話になっております。{service}サポートセンターでございます。",
              "{service}をご利用のお客様へ|{service}会員の皆様へ",
              "平素は{service}をご愛顧いただき、誠にありがとうございます。|日頃より{service}をお引き立ていただきありがとうございます。",
              "お客様各位|親愛なるお客様"]
PHISH_BODY = [
    "お客様のアカウントに対して、第三者による不正なログインが検出されました。安全のため、アカウントを一時的に停止しております。|第三者がお客様のアカウントにアクセスしようとした形跡がありました。保護のため、ご利用を一時停止しています。",
    "ご登録のクレジットカード情報に問題が発生したため、ご利用を制限させていただきました。|登録されたカードの情報を確認できなかったため、サービスを制限しております。",
    "24時間以内に以下のリンクからご本人確認を行ってください。確認が取れない場合、アカウントは削除されます。|48時間以内に下記URLより本人確認をお願いします。期限を過ぎるとアカウントは永久に凍結されます。",
    "セキュリティ強化のため、すべてのお客様に登録情報の再確認をお願いしております。|安全性向上のため、全会員様にお客様情報の再登録をお願いしています。",
    "お支払い方法が承認されませんでした。お手数ですが、以下より情報を更新してください。|ご請求の決済ができませんでした。下記よりお支払い情報を再入力してください。",
    "このメールに心当たりがない場合でも、必ず手続きを完了してください。|お心当たりのない場合も、念のため手続きをお願いいたします。",
    "ログインIDとパスワードを入力し、画面の指示に従って手続きを完了してください。|IDとパスワード、カード番号をご入力のうえ、確認ボタンを押してください。",
    "期限までにご対応いただけない場合、サービスのご利用ができなくなります。|ご対応がない場合、すべての機能が使えなくなりますのでご注意ください。",
    "現在、お客様のアカウントはロックされています。解除するには本人認証が必要です。|お客様のアカウントは凍結中です。ロック解除には認証手続きが必要です。",
    "ご不便をおかけして申し訳ございませんが、ご理解とご協力をお願いいたします。|ご迷惑をおかけしますが、何卒ご理解のほどお願い申し上げます。",
]
INVOICE_SUBJECT = ["未払い料金のお知らせ|未納料金についてのご連絡", "【最終通告】ご請求金額のお支払いについて|【最終警告】お支払いのお願い",
                   "ご利用料金のお支払いが確認できません|お支払いが確認できておりません", "【至急】未納料金について|【至急ご確認ください】未払い金について",
                   "請求書送付のお知らせ（再送）|請求書のご確認（再送）", "お支払い期限超過のお知らせ|支払期限を過ぎております"]
INVOICE_BODY = [
    "ご利用料金{amount}円のお支払いが確認できておりません。本日中にお支払いください。|{amount}円の未払いがございます。本日中にご入金ください。",
    "このままお支払いがない場合、法的手続きに移行させていただきます。|お支払いがない場合は、訴訟の準備に入らせていただきます。",
    "請求書を添付ファイルにてお送りしますので、ご確認のうえ至急お振込みをお願いします。|添付の請求書をご確認いただき、直ちにお振込みください。",
    "有料サイトのご利用料金が未払いとなっております。退会手続きも下記よりお願いします。|有料動画サイトの登録料金が未納です。解約は下記からどうぞ。",
    "お支払いはコンビニ払い、またはクレジットカードでお願いいたします。|お支払いは電子マネーでも受け付けております。",
    "ご連絡がない場合は、ご登録の住所へ回収担当者が伺います。|ご連絡なき場合、勤務先へ確認のお電話をさせていただきます。",
    "延滞金が日ごとに加算されますので、お早めにお手続きください。|遅延損害金が毎日加算されます。早急にご対応ください。",
    "お問い合わせは下記窓口までお電話ください。受付時間は{time}までです。TEL: 03-{n4}-{n4b}|ご不明な点はお客様相談窓口（0120-{n3}-{n3b}）へお問い合わせください。",
]
PRIZE_SUBJECT = ["【当選】おめでとうございます！|【当選通知】おめでとうございます", "抽選結果のお知らせ：1等に当選しました|【抽選結果】特賞に選ばれました",
                 "賞金{amount}円の受け取りについて|{amount}円分のギフト券のお受け取り", "【ご当選】特別プレゼントのご案内|【当選者様限定】プレゼントのお届け",
                 "あなたが選ばれました！|おめでとうございます、あなたが当選者です", "キャンペーン当選者様へ|ご当選のお知らせ"]
PRIZE_BODY = [
    "厳正なる抽選の結果、あなたが1等に当選されました。賞金{amount}円をお受け取りください。|公正な抽選により、お客様が特賞に選ばれました。{amount}円分の賞品をご用意しています。",
    "賞品の受け取りには、下記ページから必要事項をご入力ください。|お受け取りには、お名前とご住所の登録が必要です。",
    "当選の権利は{date}までとなっております。お早めにお手続きください。|{date}を過ぎますと当選は無効となります。",
    "手数料のみで、最新のスマートフォンを無料でお届けします。|送料のみのご負担で、最新のタブレットを差し上げます。",
    "今だけの特別なチャンスです。この機会をお見逃しなく！|二度とないチャンスです。今すぐお申し込みください！",
    "受け取り手続きは簡単、わずか1分で完了します。|手続きはたったの3ステップで終わります。",
    "ご当選者様だけの限定特典をご用意しております。|当選された方だけの特別なご案内です。",
]
DATING_SUBJECT = ["はじめまして、{given}です|こんにちは、{given}といいます", "プロフィールを見てメールしました|あなたのプロフィールが気になって",
                  "会えませんか？|一度お会いしたいです", "今夜ひま？|今日の夜あいてますか？",
                  "{given}からメッセージが届いています|{given}さんから新着メッセージ", "突然のメールごめんなさい|いきなりすみません"]
DATING_BODY = [
    "突然のメールごめんなさい。プロフィールを見て、素敵な人だなと思ってメールしました。|いきなりごめんなさい。写真を見て、優しそうな人だなと思って連絡しました。",
    "最近こっちに引っ越してきたばかりで、友達がいなくて寂しいです。|転勤でこの街に来たばかりで、知り合いがいなくて心細いです。",
    "よかったらお茶でもしませんか？近くに住んでいるみたいなので。|もしよければ、今度ご飯でも行きませんか？",
    "写真を送りたいので、こちらのサイトに登録してもらえますか？無料です。|私の写真はこちらのページで見られます。登録は無料です。",
    "普段はOLをしています。週末はいつもひまなので、誰かと話したいです。|看護師をしています。夜勤明けはさみしくて、話し相手がほしいです。",
    "メッセージの続きはこちらから読めます。|続きのメッセージはこちらでご確認ください。",
    "連絡先を交換したいので、返事待ってます。|LINEを交換したいです。お返事ください。",
    "既婚者でも大丈夫です。秘密は守ります。|割り切った関係でも構いません。",
]
DELIVERY_SUBJECT = ["お荷物お届けのお知らせ|お荷物の配達について", "【{service}】不在のため持ち帰りました|【{service}】ご不在連絡票",
                    "配達日時のご確認をお願いします|お届け日時の指定をお願いします", "お届け先住所の確認|宛先不明のお荷物について",
                    "【再配達】お荷物のお預かりについて|【保管期限】お荷物をお預かりしています"]
DELIVERY_BODY = [
    "お客様宛にお荷物のお届けにあがりましたが、不在の為持ち帰りました。|お荷物をお届けに伺いましたが、ご不在でしたので持ち帰りました。",
    "再配達のご依頼は下記URLよりお願いいたします。|再配達の受付はこちらのページから行えます。",
    "お届け先の住所に不備があるため、お荷物をお届けできません。住所の確認をお願いします。|宛先の番地が不明のため、配達できませんでした。住所を更新してください。",
    "保管期限を過ぎますと、お荷物は差出人へ返送されます。|保管期間が終わると、荷物は返送されますのでご注意ください。",
    "配送料の未払いがあるため、お荷物を保管しております。|関税の支払いが必要なため、配達を保留しています。",
]
MONEY_SUBJECT = ["【副業】スマホだけで月収{amount}円|スマホで月{amount}円稼ぐ方法", "誰でも簡単に稼げる方法|初心者でも確実に稼げる",
                 "資産運用のご案内|高利回り投資のご案内", "仮想通貨で人生が変わりました|暗号資産で資産が10倍に",
                 "【限定{num}名】在宅ワーク募集|【先着{num}名】在宅で高収入"]
MONEY_BODY = [
    "スマホ1台で、1日たった10分の作業で月収{amount}円を達成した方法をお教えします。|スキマ時間のスマホ作業だけで、毎月{amount}円の収入を得る方法です。",
    "元本保証で、毎月確実に利益が出る投資案件です。|損をしない仕組みの、確実に増える資産運用です。",
    "今なら参加費無料。先着{num}名様限定です。|今月は無料でご参加いただけます。残り{num}名です。",
    "この方法を知ってから、会社を辞めて自由な生活を送っています。|このノウハウのおかげで、仕事を辞めて毎日好きなことをしています。",
    "詳しくはLINEでご説明します。お気軽に登録してください。|詳細は公式LINEでお伝えします。まずは友だち追加を。",
    "リスクはありません。実績多数の安心のサービスです。|危険は一切ありません。多くの方が成功しています。",
]
# Subjects of good mail, in both wordings.
BUSINESS_SUBJECT = ["先日はありがとうございました|昨日はありがとうございました", "至急ご確認ください|急ぎご確認をお願いします",
                    "お支払いについて|ご入金の件", "打ち合わせの件|お打ち合わせについて", "お見積りの送付|お見積書送付のご連絡", "{date}の会議について|{date}の定例会の件",
                    "資料送付のご連絡|資料をお送りします", "請求書送付のご案内|請求書のご送付について", "Re: プロジェクトの進捗|Re: 進捗のご報告",
                    "ご挨拶|担当者変更のご挨拶", "納期のご確認|納品日の確認", "【重要】契約書について|【ご確認】契約書の送付", "出張の件|出張日程のご連絡"]
FAMILY_SUBJECT = ["週末のこと|今度の土日", "写真送るね|写真だよ", "Re: 今度の旅行|Re: 旅行の件", "買い物お願い|おつかい頼める？",
                  "元気？|最近どう？", "お盆の予定|連休の予定", "|", "運動会|発表会"]
NEWS_SUBJECT = ["【{shop}】ポイント10倍キャンペーン開催中！|【{shop}】週末限定ポイントアップ！", "【{shop}】今週のおすすめ|【{shop}】今月の注目アイテム",
                "会員様限定クーポンのお知らせ|会員様へ割引クーポンをお届け", "【{shop}】新商品入荷のお知らせ|【{shop}】新作入荷しました",
                "【重要】{shop}からのお知らせ|【重要】{shop}会員規約改定のお知らせ", "★送料無料キャンペーン★|☆全品送料無料☆"]
NOTICE_SUBJECT = ["ご注文ありがとうございます|ご購入ありがとうございます", "【{service}】ご登録ありがとうございます|【{service}】会員登録完了のお知らせ",
                  "【{service}】お支払い完了のお知らせ|【{service}】決済完了のご連絡", "【{service}】発送のお知らせ|【{service}】商品出荷のご連絡", "【{service}】ログインのお知らせ|【{service}】新しい端末からのサインイン",
                  "お振込み受付のお知らせ|ご入金確認のお知らせ", "ご予約確認|ご予約ありがとうございます",
                  "【{service}】パスワード変更完了のお知らせ|【{service}】登録情報変更のお知らせ", "ご利用明細確定のお知らせ|ご請求額確定のお知らせ"]
CLUB_SUBJECT = ["次回の練習について|練習日程のお知らせ", "PTA会議の議事録|役員会の記録", "清掃活動のお知らせ|地域清掃のご案内",
                "忘年会のご案内|新年会のお知らせ", "読書会のお知らせ|読書会の次回予定"]



# Everyday words for sentences of no particular kind: both kinds of mail carry some (good mail is
# about everything, junk pads itself with harmless text), drawn alike in both parts.
NOUNS = ("天気 会社 電車 駅 学校 仕事 週末 料理 旅行 写真 映画 音楽 本 雑誌 新聞 公園 病院 銀行 郵便局 図書館 "
         "買い物 散歩 運動 健康 季節 景色 地域 家族 友人 近所 子ども 先生 先輩 後輩 お店 値段 予定 時間 場所 "
         "話題 番組 試合 準備 連休 年末 夏休み 大雨 台風 花火 紅葉 温泉 お土産 お弁当 コーヒー ケーキ パソコン "
         "スマホ アプリ ニュース テレビ ドラマ サッカー 野球 マラソン イベント セール レストラン ホテル").split()
VERBS = ("行きました 見ました 楽しみです 話しました 考えています 始めました 終わりました 決まりました 変わりました "
         "続いています 増えています 少なくなりました 気になります 助かりました 驚きました 迷っています 探しています "
         "並んでいました 混んでいました 空いていました").split()
ADJECTIVES = "大きな 小さな 新しい 古い 近くの 遠くの 有名な 静かな にぎやかな いつもの 久しぶりの 最近の".split()


def filler_sentence(rng):
    shape = rng.randrange(4)
    if shape == 0:
        return "{}の{}は{}{}。".format(pick(rng, NOUNS), pick(rng, NOUNS), pick(rng, ADJECTIVES), pick(rng, NOUNS) + "でした")
    if shape == 1:
        return "{}{}に{}。".format(pick(rng, ADJECTIVES), pick(rng, NOUNS), pick(rng, VERBS))
    if shape == 2:
        return "{}と{}のことで{}。".format(pick(rng, NOUNS), pick(rng, NOUNS), pick(rng, VERBS))
    return "{}、{}が{}。".format(pick(rng, ["昨日", "今日", "先週", "この前", "今朝", "週末に"]), pick(rng, NOUNS), pick(rng, VERBS))


def with_filler(rng, lines):
    """Adds a few everyday sentences at random places to most messages."""
    if rng.random() < 0.6:
        for _ in range(rng.randint(1, 3)):
            lines.insert(rng.randint(0, len(lines)), filler_sentence(rng))
    return lines

# --- One message --------------------------------------------------------------------------------

def sentences(rng, pool, part, count, ctx):
    chosen = half(pool, part)
    return [fill(rng, pick(rng, chosen), ctx) for _ in range(count)]


def ham_message(rng, part):
    kind = rng.choices(["business", "family", "news", "notice", "club"], [4, 3, 2, 2, 1])[0]
    sur, given = person(rng)
    to_sur, to_given = person(rng)
    comp, comp_domain = company(rng)
    shop, shop_domain = pick(rng, SHOPS)
    ctx = {"sur": sur, "given": given, "to_sur": to_sur, "to_given": to_given, "company": comp, "shop": shop}
    links, html = [], False
    if kind == "business":
        name, sender = sur + " " + given, address(rng, comp_domain if rng.random() < 0.6 else None)
        subject = pick(rng, half(BUSINESS_SUBJECT, part))
        lines = sentences(rng, BUSINESS_OPEN, part, 1, ctx)
        if rng.random() < 0.4:
            lines += [pick(rng, half(SEASONS, part))]
        lines += sentences(rng, BUSINESS_BODY, part, rng.randint(2, 5), ctx) + sentences(rng, BUSINESS_CLOSE, part, 1, ctx)
        lines += ["", "--", comp, sur + " " + given, "TEL: 03-{}-{}".format(rng.randint(1000, 9999), rng.randint(1000, 9999)),
                  "https://www." + comp_domain + "/"]
    elif kind == "family":
        name, sender = given if rng.random() < 0.5 else sur + " " + given, address(rng)
        subject = pick(rng, half(FAMILY_SUBJECT, part))
        lines = sentences(rng, FAMILY_OPEN, part, 1, ctx) + sentences(rng, FAMILY_BODY, part, rng.randint(1, 4), ctx)
        lines += sentences(rng, FAMILY_CLOSE, part, 1, ctx)
    elif kind == "news":
        name, sender = shop, "news@" + ("mail." if rng.random() < 0.5 else "") + shop_domain
        subject = pick(rng, half(NEWS_SUBJECT, part))
        lines = sentences(rng, NEWS_OPEN, part, 1, ctx) + sentences(rng, NEWS_BODY, part, rng.randint(2, 4), ctx)
        links = [url(rng, "www." + shop_domain), url(rng, rng.choice(["click.mlsend.com", "t.mailmag-cloud.jp", "www." + shop_domain]))]
        lines += ["▼詳しくはこちら", links[0], ""] + sentences(rng, NEWS_CLOSE, part, 1, ctx) + [links[1]]
        html = rng.random() < 0.6
    elif kind == "notice":
        service, service_domain = pick(rng, SERVICES + SHOPS)
        ctx["service"] = service
        name, sender = service, rng.choice(["no-reply@", "info@", "support@"]) + service_domain
        subject = pick(rng, half(NOTICE_SUBJECT, part))
        lines = ["{}をご利用いただきありがとうございます。".format(service)] + sentences(rng, NOTICE_BODY, part, rng.randint(1, 3), ctx)
        links = [url(rng, "www." + service_domain)]
        lines += ["", "マイページ: " + links[0], "※このメールは送信専用です。"]
        html = rng.random() < 0.3
    else:
        name, sender = sur + " " + given, address(rng)
        subject = pick(rng, half(CLUB_SUBJECT, part))
        lines = ["皆さま", ""] + sentences(rng, CLUB_BODY, part, rng.randint(1, 3), ctx) + ["", sur]
    return fill(rng, subject, dict(ctx, service=ctx.get("service", shop))), name, sender, lines, links, html


def spam_message(rng, part):
    kind = rng.choices(["phish", "invoice", "prize", "dating", "delivery", "money"], [4, 2, 2, 2, 2, 1])[0]
    sur, given = person(rng)
    service, service_domain = pick(rng, SERVICES)
    host = lookalike(rng, service_domain) if rng.random() < 0.6 else shady_domain(rng)
    ctx = {"sur": sur, "given": given, "to_sur": pick(rng, SURNAMES), "to_given": pick(rng, GIVEN), "service": service,
           "company": company(rng)[0]}
    # Junk comes from ordinary free mail as often as from made-up domains or spoofed services.
    sender = rng.choice([address(rng), address(rng, shady_domain(rng)), rng.choice(["info@", "support@", "no-reply@"]) + service_domain])
    links = [url(rng, host)]
    html = rng.random() < 0.5
    if kind == "phish":
        name, subject = service, pick(rng, half(PHISH_SUBJECT, part))
        lines = sentences(rng, PHISH_OPEN, part, 1, ctx) + sentences(rng, PHISH_BODY, part, rng.randint(2, 5), ctx)
        lines += ["", "▼ご本人確認はこちら", links[0], "", "※本メールは送信専用です。", service]
    elif kind == "invoice":
        name, subject = rng.choice([service + " 料金センター", "債権回収センター", "お客様サポート", sur]), pick(rng, half(INVOICE_SUBJECT, part))
        lines = ["{}様".format(ctx["to_sur"]), ""]
        if rng.random() < 0.5:
            lines += sentences(rng, BUSINESS_OPEN, part, 1, ctx)
        lines += sentences(rng, INVOICE_BODY, part, rng.randint(2, 5), ctx) + ["", links[0], ""] + sentences(rng, BUSINESS_CLOSE, part, 1, ctx)
    elif kind == "prize":
        name, subject = rng.choice(["抽選事務局", "キャンペーン事務局", service]), pick(rng, half(PRIZE_SUBJECT, part))
        lines = ["おめでとうございます！", ""] + sentences(rng, PRIZE_BODY, part, rng.randint(2, 4), ctx) + ["", "▼受け取りはこちら", links[0]]
    elif kind == "dating":
        name, subject = given, pick(rng, half(DATING_SUBJECT, part))
        lines = sentences(rng, FAMILY_OPEN[2:], part, 1, ctx) + sentences(rng, DATING_BODY, part, rng.randint(2, 4), ctx)
        lines += [links[0], given]
    elif kind == "delivery":
        name, subject = service, pick(rng, half(DELIVERY_SUBJECT, part))
        lines = sentences(rng, DELIVERY_BODY, part, rng.randint(2, 3), ctx) + ["", "お問い合わせ番号：{}".format(fill(rng, "{code}", {})), links[0]]
    else:
        name, subject = rng.choice([sur + " " + given, "在宅ワーク事務局", "投資サポート"]), pick(rng, half(MONEY_SUBJECT, part))
        lines = sentences(rng, MONEY_BODY, part, rng.randint(2, 4), ctx) + ["", links[0]]
    # Small talk copied from good mail, so the greetings alone decide nothing.
    if rng.random() < 0.4:
        lines.insert(rng.randint(0, 2), pick(rng, half(SEASONS, part)))
    if rng.random() < 0.25:
        lines.insert(rng.randint(1, len(lines)), fill(rng, pick(rng, half(BUSINESS_BODY, part)), ctx))
    return fill(rng, subject, ctx), name, sender, lines, links, html


# --- Writing it out -----------------------------------------------------------------------------

HALF_WIDTH = str.maketrans("アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワンー",
                           "ｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝｰ")
FULL_DIGITS = str.maketrans("0123456789", "０１２３４５６７８９")


def noise(rng, text):
    """What mail writers do to text: half-width katakana, full-width digits, doubled marks."""
    if rng.random() < 0.15:
        text = text.translate(HALF_WIDTH)
    if rng.random() < 0.2:
        text = text.translate(FULL_DIGITS)
    if rng.random() < 0.15:
        text = text.replace("。", "！", 1)
    return text


def encoded_word(text, charset):
    return "=?{}?B?{}?=".format(charset, base64.b64encode(text.encode(charset)).decode("ascii"))


def body_part(text, charset, rng):
    data = text.encode(charset)
    if charset == "iso-2022-jp":
        return data, "7bit"
    encoding = rng.choice(["base64", "8bit", "quoted-printable"] if charset == "utf-8" else ["base64", "8bit"])
    if encoding == "base64":
        return base64.encodebytes(data), encoding
    if encoding == "quoted-printable":
        return quopri.encodestring(data), encoding
    return data, encoding


def html_of(lines, links):
    body = []
    for line in lines:
        if line in links:
            body.append('<p><a href="{0}">{1}</a></p>'.format(line, "こちらをクリック" if line == links[0] else line))
        else:
            body.append("<p>{}</p>".format(line))
    return "<html><head><meta charset=\"utf-8\"></head><body>" + "".join(body) + "</body></html>"


def received(rng, spam):
    relay = pick(rng, RELAYS)
    if spam and rng.random() < 0.5:
        relay = rng.choice(["unknown", shady_domain(rng), "mail{}.{}".format(rng.randint(1, 99), shady_domain(rng))])
    ip = "{}.{}.{}.{}".format(rng.randint(11, 222), rng.randint(0, 255), rng.randint(0, 255), rng.randint(1, 254))
    return "from {0} ({0} [{1}])\r\n\tby mx.home-isp.ne.jp (Postfix) with ESMTPS id {2}\r\n\tfor <me@home-isp.ne.jp>; {3}".format(
        relay, ip, "".join(rng.choice("0123456789ABCDEF") for _ in range(10)), email.utils.formatdate(localtime=False))


def message(rng, spam, part, index):
    subject, name, sender, lines, links, html = (spam_message if spam else ham_message)(rng, part)
    lines = with_filler(rng, lines)
    text = "\r\n".join(noise(rng, line) for line in lines) + "\r\n"
    subject = noise(rng, subject)
    charset = rng.choice(["iso-2022-jp", "shift_jis", "utf-8"])
    try:
        (subject + name + text).encode(charset)
    except UnicodeEncodeError:
        charset = "utf-8"  # half-width katakana has no ISO-2022-JP form
    headers = ["Received: " + received(rng, spam), "Received: " + received(rng, spam)]
    headers += ["From: {} <{}>".format(encoded_word(name, charset), sender) if name else "From: " + sender,
                "To: me@home-isp.ne.jp", "Subject: " + encoded_word(subject, charset) if subject else "Subject: ",
                "Date: " + email.utils.formatdate(1700000000 + index * 3607 + rng.randint(0, 3600), localtime=False),
                "Message-ID: <{}.{}@{}>".format(index, rng.randint(10000, 99999), sender.split("@")[1]), "MIME-Version: 1.0"]
    mailer = pick(rng, MAILERS)
    if mailer:
        headers.append("X-Mailer: " + mailer)
    if html:
        boundary = "==b{}==".format(rng.randint(100000, 999999))
        plain, plain_encoding = body_part(text, charset, rng)
        markup, markup_encoding = body_part(html_of(lines, links), "utf-8", rng)
        headers.append('Content-Type: multipart/alternative; boundary="{}"'.format(boundary))
        parts = []
        if not spam or rng.random() < 0.5:  # junk is often HTML only
            parts.append((b"Content-Type: text/plain; charset=" + charset.encode() + b"\r\nContent-Transfer-Encoding: "
                          + plain_encoding.encode() + b"\r\n\r\n" + plain))
        parts.append(b"Content-Type: text/html; charset=utf-8\r\nContent-Transfer-Encoding: " + markup_encoding.encode()
                     + b"\r\n\r\n" + markup)
        body = b"".join(b"--" + boundary.encode() + b"\r\n" + part + b"\r\n" for part in parts) + b"--" + boundary.encode() + b"--\r\n"
    else:
        data, encoding = body_part(text, charset, rng)
        headers += ["Content-Type: text/plain; charset=" + charset, "Content-Transfer-Encoding: " + encoding]
        body = data
    return ("\r\n".join(headers) + "\r\n\r\n").encode("ascii") + body.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("out")
    parser.add_argument("--count", type=int, default=1000, help="messages of each kind in each part")
    parser.add_argument("--seed", type=int, default=26)
    args = parser.parse_args()
    for part_index, part in enumerate(["train", "test"]):
        for spam in (False, True):
            folder = os.path.join(args.out, part, "spam" if spam else "ham")
            os.makedirs(folder, exist_ok=True)
            rng = random.Random(args.seed * 1000 + part_index * 10 + spam)
            for i in range(args.count):
                with open(os.path.join(folder, "{:05d}.eml".format(i)), "wb") as out:
                    out.write(message(rng, spam, part_index, i))


if __name__ == "__main__":
    main()
