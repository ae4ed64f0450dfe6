#include "JapaneseMail.h"

#include "platform/mail/Charsets.h"
#include "storage/FolderTree.h"
#include "storage/ProfileStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStringList>

#include <cmath>
#include <vector>

namespace fumibako::bench {

namespace {

const char16_t* const kWords[] = {
    u"会議", u"資料", u"確認", u"予定", u"お願い", u"連絡", u"担当", u"今週", u"来週", u"提出", u"見積", u"請求書",
    u"打ち合わせ", u"お世話", u"よろしく", u"株式会社", u"営業", u"部長", u"課長", u"報告", u"案件", u"対応", u"検討",
    u"ご確認", u"いただき", u"ありがとう", u"ございます", u"申し訳", u"変更", u"日程", u"調整", u"添付", u"ファイル",
    u"メール", u"システム", u"サーバー", u"プロジェクト", u"スケジュール", u"お客様", u"契約", u"納品", u"作業", u"進捗",
    u"問題", u"障害", u"修正", u"テスト", u"環境", u"設定", u"手順", u"東京", u"大阪", u"京都", u"名古屋", u"福岡",
    u"札幌", u"本社", u"支店", u"会社", u"社員", u"研修", u"年末", u"年始", u"休暇", u"出張", u"経費", u"精算", u"申請",
    u"承認", u"決裁", u"予算", u"売上", u"利益", u"計画", u"目標", u"結果", u"分析", u"データ", u"レポート", u"説明",
    u"質問", u"回答", u"返信", u"送付", u"受領", u"発送", u"配送", u"在庫", u"注文", u"発注", u"価格", u"金額", u"税込",
    u"合計", u"明細", u"期限", u"締切", u"至急", u"重要", u"参考", u"詳細", u"内容", u"以下", u"以上", u"本日", u"明日",
    u"昨日", u"午前", u"午後", u"時間", u"場所", u"会議室", u"参加", u"出席", u"欠席", u"準備", u"開始", u"終了", u"完了",
    u"継続", u"中止", u"延期", u"再開", u"お知らせ", u"ご案内", u"ご連絡", u"ご相談", u"ご依頼", u"お問い合わせ",
    u"担当者", u"責任者", u"関係者", u"皆様", u"各位", u"田中", u"佐藤", u"鈴木", u"高橋", u"渡辺", u"伊藤", u"山本",
    u"中村", u"小林", u"加藤"};
const char16_t* const kParticles[] = {u"の", u"は", u"を", u"に", u"が", u"で", u"と", u"も", u"です。", u"ます。",
                                       u"、", u"しました。", u"について", u"として", u"します。", u"ください。"};
// Kanji for the compounds of the long tail: common ones, all in JIS X 0208.
const char16_t kKanji[] =
    u"一二三四五六七八九十百千万円年月日時分人名前後上下左右中大小高安新古長多少早明暗春夏秋冬朝昼夜"
    u"東西南北山川田町村市県国都道府区森林海空雨雪風花草木石金土水火電車駅道店社会議資料理科学校"
    u"先生徒友家族父母子兄弟姉妹手足目耳口心体力気元天地世界言語文字書読聞見話行来出入売買作使用"
    u"食飲休走歩立座開閉始終発着送受計画設定変更確認検討報告連絡相談依頼返答質問説明理解判断決定"
    u"実施準備完了開始継続中止延期再開予約注文在庫価格品質安全管理運用保守障害修正対応調査分析結果"
    u"経営営業企画総務人事経理財務法務広報技術開発製造生産販売購入契約納品請求支払領収見積提案資格";

struct Vocabulary {
    std::vector<QString> words;
    std::discrete_distribution<int> rank;
};

const Vocabulary& vocabulary()
{
    static const Vocabulary table = [] {
        Vocabulary vocabulary;
        for (const char16_t* word : kWords)
            vocabulary.words.push_back(QString::fromUtf16(word));
        std::mt19937 random(7);
        const int kanjiCount = int(std::char_traits<char16_t>::length(kKanji));
        std::uniform_int_distribution<int> kanji(0, kanjiCount - 1), length(2, 3);
        for (int i = 0; i < 6000; ++i) {
            QString word;
            for (int n = length(random); n > 0; --n)
                word += QChar(kKanji[kanji(random)]);
            vocabulary.words.push_back(word);
        }
        std::vector<double> weights;
        for (size_t i = 0; i < vocabulary.words.size(); ++i)
            weights.push_back(1.0 / double(i + 5)); // Zipf's law
        vocabulary.rank = std::discrete_distribution<int>(weights.begin(), weights.end());
        return vocabulary;
    }();
    return table;
}

const char* const kSurnames[] = {"山田", "佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "中村", "小林", "加藤"};
const char* const kGivenNames[] = {"太郎", "花子", "一郎", "美咲", "健太", "陽子", "大輔", "由美"};

QByteArray encodedWord(const QString& text)
{
    const QByteArray bytes = platform::mail::encodeIso2022Jp(text).value_or(QByteArray());
    return "=?ISO-2022-JP?B?" + bytes.toBase64() + "?=";
}

} // namespace

JapaneseMail::JapaneseMail(unsigned seed) : m_random(seed), m_rank(vocabulary().rank) {}

QString JapaneseMail::word()
{
    return vocabulary().words[size_t(m_rank(m_random))];
}

QString JapaneseMail::text(int characters)
{
    std::uniform_int_distribution<int> particle(0, int(std::size(kParticles)) - 1), latin(0, 40);
    QString text;
    int lineStart = 0;
    while (text.size() < characters) {
        const int pick = latin(m_random);
        if (pick == 0)
            text += QStringLiteral(" Release %1.%2 ").arg(m_random() % 10).arg(m_random() % 20);
        else if (pick == 1)
            text += QString::number(m_random() % 100000);
        else
            text += word();
        text += QString::fromUtf16(kParticles[particle(m_random)]);
        if (text.size() - lineStart > 35) {
            text += QStringLiteral("\r\n");
            lineStart = int(text.size());
        }
    }
    return text;
}

QString JapaneseMail::subject()
{
    return QStringLiteral("【%1】%2の%3").arg(word(), word(), word());
}

QString JapaneseMail::sender(int i)
{
    return QStringLiteral("%1 %2 <user%3@example.co.jp>")
        .arg(QString::fromUtf8(kSurnames[i % 10]), QString::fromUtf8(kGivenNames[i % 8]))
        .arg(i % 997);
}

QString JapaneseMail::vocabularyWord(int rank)
{
    return vocabulary().words.at(size_t(rank));
}

QString JapaneseMail::dateText(int i)
{
    return QDateTime(QDate(2026, 1, 1), QTime(0, 0)).addSecs(-3600LL * i).toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

QByteArray JapaneseMail::message(int i, int bodyBytes)
{
    QByteArray body;
    while (body.size() < bodyBytes)
        body += platform::mail::encodeIso2022Jp(text(400)).value_or(QByteArray()) + "\r\n";
    const QString from = sender(i);
    const qsizetype angle = from.indexOf(QLatin1Char('<'));
    const QDateTime date = QDateTime::fromString(dateText(i), QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    return "From: " + encodedWord(from.left(angle - 1)) + " " + from.mid(angle).toLatin1() + "\r\n"
        + "To: taro@example.jp\r\nSubject: " + encodedWord(subject()) + "\r\n"
        + "Date: " + date.toString(Qt::RFC2822Date).toLatin1() + "\r\n"
        + "Message-ID: <" + QByteArray::number(i) + "@bench.example.jp>\r\nMIME-Version: 1.0\r\n"
          "Content-Type: text/plain; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: 7bit\r\n\r\n"
        + body;
}

bool writeJapaneseMailbox(const storage::AccountPaths& paths, int count, int bodyBytes)
{
    QDir().mkpath(paths.inputDir);
    JapaneseMail mail(1);
    QStringList lines;
    lines.reserve(count);
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("m%1.eml").arg(i, 6, 10, QLatin1Char('0'));
        QFile file(paths.inputDir + name);
        if (!file.open(QIODevice::WriteOnly) || file.write(mail.message(i, bodyBytes)) < 0)
            return false;
        lines.append(name + QStringLiteral("=000\t") + mail.sender(i) + QLatin1Char('\t') + mail.subject()
                     + QLatin1Char('\t') + JapaneseMail::dateText(i));
    }
    storage::IniWriteSection(storage::FixedFolder::Standard, paths.receivedIndexFile, lines);
    return true;
}

} // namespace fumibako::bench
