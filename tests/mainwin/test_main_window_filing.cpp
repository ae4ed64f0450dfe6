// Filing from the main window, on the offscreen platform: the menus, 振り分け実行 and the rule makers.
#include "MainWindowFixture.h"

#include "filing/RuleFile.h"
#include "mainwin/MainViews.h"
#include "mainwin/MainWindow.h"
#include "mainwin/core/ManualFilingRunner.h"
#include "settings/FilingRulesDialog.h"
#include "settings/RuleEditDialog.h"
#include "storage/Paths.h"
#include "support/RecordingPrompts.h"
#include "support/TestFiles.h"

#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace fumibako;
using namespace fumibako::mainwin;
using fumibako::test::MainWindowData;

namespace {

filing::Rule trashMeetings()
{
    filing::Rule rule;
    rule.name = QStringLiteral("会議は捨てる");
    filing::Condition meeting;
    meeting.field = filing::ConditionField::Subject;
    meeting.keys = {QStringLiteral("会議")};
    rule.conditions = {meeting};
    rule.actions = {{filing::ActionKind::Trash, QString()}};
    return rule;
}

QAction* actionNamed(const QWidget& window, const QString& name)
{
    return window.findChild<QAction*>(name);
}

QAction* popupAction(const MainWindow& window, const QString& text)
{
    auto* popup = window.findChild<QMenu*>(QStringLiteral("POPUPlsvmail"));
    for (QAction* action : popup->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

} // namespace

class TestMainWindowFiling : public QObject {
    Q_OBJECT

    std::unique_ptr<MainWindowData> m_data;
    std::unique_ptr<test::RecordingPrompts> m_prompts;
    std::unique_ptr<MainWindow> m_window;

    storage::AccountPaths taro() const
    {
        return storage::AccountPaths::make(m_data->paths().programDir, QStringLiteral("taro"));
    }

private Q_SLOTS:
    void init()
    {
        m_data = std::make_unique<MainWindowData>();
        m_prompts = std::make_unique<test::RecordingPrompts>();
        QVERIFY(filing::writeRules(filing::rulesFile(taro()), {trashMeetings()}));
        test::openMainWindow(m_data->paths(), m_prompts.get(), m_window);
    }
    void cleanup() { m_window.reset(); }

    void toolMenuOffersFiling()
    {
        for (const QString& name : {QStringLiteral("mnuFiling"), QStringLiteral("mnuFileFolder"), QStringLiteral("mnuFilingLog")})
            QVERIFY2(actionNamed(*m_window, name), qPrintable(name));
        // "振り分け設定" shows the account's rules.
        int rows = -1;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = m_window->findChild<settings::FilingRulesDialog*>(QStringLiteral("frmFiling"));
            QVERIFY(dialog);
            rows = dialog->findChild<QTableView*>(QStringLiteral("lsvRules"))->model()->rowCount();
            dialog->reject();
        });
        actionNamed(*m_window, QStringLiteral("mnuFiling"))->trigger();
        QCOMPARE(rows, 1);
    }

    void filingTheShownFolder()
    {
        test::selectFolder(*m_window, QStringLiteral("標準BOX"));
        QCOMPARE(test::mailList(*m_window)->model()->rowCount(), 3);
        QSignalSpy finished(&m_window->controller().filingRunner(), &ManualFilingRunner::finished);
        actionNamed(*m_window, QStringLiteral("mnuFileFolder"))->trigger();
        QVERIFY(finished.wait(5000));
        QCOMPARE(test::mailList(*m_window)->model()->rowCount(), 2); // 会議の件 went to the trash
        QCOMPARE(MainWindowData::section(m_data->receivedIndex(), QStringLiteral("ごみ箱")).size(), 2);
        QCOMPARE(m_prompts->status[1], QStringLiteral("振り分け実行: 3 通のうち 1 通を振り分けました"));
    }

    void outgoingFoldersAreNotFiled()
    {
        test::selectFolder(*m_window, QStringLiteral("送信BOX"));
        actionNamed(*m_window, QStringLiteral("mnuFileFolder"))->trigger();
        QCOMPARE(m_prompts->messages.size(), 1);
        QVERIFY(m_prompts->messages[0].text.startsWith(QStringLiteral("振り分けるフォルダ")));
        QVERIFY(!m_window->controller().filingRunner().isRunning());
    }

    void ruleMakersFollowTheSelection()
    {
        const storage::AccountPaths paths = taro();
        test::writeBytes(paths.inputDir + QStringLiteral("m2.eml"),
                         "From: bot@lists.example.jp\r\nList-Id: <dev.lists.example.jp>\r\nSubject: x\r\n\r\nbody\r\n");
        test::selectFolder(*m_window, QStringLiteral("標準BOX"));
        MailListView* list = test::mailList(*m_window);
        auto* popup = m_window->findChild<QMenu*>(QStringLiteral("POPUPlsvmail"));
        const auto enabledFor = [&](const QString& key) {
            for (int row = 0; row < list->model()->rowCount(); ++row) {
                if (m_window->controller().folderView().rows().at(row).keyString() == key)
                    list->setCurrentIndex(list->model()->index(row, 0));
            }
            Q_EMIT popup->aboutToShow();
            return QStringList{popupAction(*m_window, QStringLiteral("振り分け実行（選択したメール）"))->isEnabled() ? "selected" : "",
                               popupAction(*m_window, QStringLiteral("この差出人で振り分け…"))->isEnabled() ? "sender" : "",
                               popupAction(*m_window, QStringLiteral("このメーリングリストで振り分け…"))->isEnabled() ? "list" : ""};
        };
        QCOMPARE(enabledFor(QStringLiteral("m2.eml")), (QStringList{"selected", "sender", "list"}));
        QCOMPARE(enabledFor(QStringLiteral("m1.eml")), (QStringList{"selected", "sender", ""}));

        // The list's rule opens in the rule dialog, over the rules, ready for a folder.
        QString ruleName;
        QTimer::singleShot(0, this, [&] {
            auto* rule = m_window->findChild<settings::RuleEditDialog*>(QStringLiteral("frmRule"));
            QVERIFY(rule);
            ruleName = rule->editor().name;
            QVERIFY(!rule->editor().canSave()); // the folder is to be chosen
            rule->reject();
            QTimer::singleShot(0, this, [&] { m_window->findChild<QDialog*>(QStringLiteral("frmFiling"))->reject(); });
        });
        enabledFor(QStringLiteral("m2.eml"));
        popupAction(*m_window, QStringLiteral("このメーリングリストで振り分け…"))->trigger();
        QCOMPARE(ruleName, QStringLiteral("メーリングリスト dev.lists.example.jp"));
    }
};

QTEST_MAIN(TestMainWindowFiling)
#include "test_main_window_filing.moc"
