// Qt's own texts (message box buttons, context menus) are Japanese whatever the user's locale,
// and the main window shows no internal names.
#include "MainWindowFixture.h"

#include "mainwin/MainViews.h"
#include "mainwin/MainWindow.h"
#include "mainwin/QtTranslations.h"
#include "widgets/FileDialogs.h"
#include "widgets/WindowPrompts.h"
#include "support/RecordingPrompts.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QAbstractProxyModel>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <memory>

using namespace fumibako;

namespace {

QStringList actionTexts(const QMenu& menu)
{
    QStringList texts;
    for (const QAction* action : menu.actions()) {
        if (!action->isSeparator())
            texts.append(action->text());
    }
    return texts;
}

bool allJapanese(const QStringList& texts)
{
    for (const QString& text : texts) {
        bool japanese = false;
        for (QChar c : text)
            japanese = japanese || c.unicode() >= 0x3000;
        if (!japanese)
            return false;
    }
    return !texts.isEmpty();
}

} // namespace

class TestQtTexts : public QObject {
    Q_OBJECT

    std::unique_ptr<test::MainWindowData> m_data;
    test::RecordingPrompts m_prompts;
    std::unique_ptr<mainwin::MainWindow> m_window;

    void openWindow()
    {
        m_data = std::make_unique<test::MainWindowData>();
        test::openMainWindow(m_data->paths(), &m_prompts, m_window);
    }

private Q_SLOTS:
    void cleanup()
    {
        m_window.reset();
        m_data.reset();
    }

    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); // a user in another locale
        QVERIFY(mainwin::installJapaneseQtTexts(*qApp));
        QCOMPARE(QLocale().language(), QLocale::Japanese);
    }

    void messageBoxButtons_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("text");
        QTest::newRow("yes") << int(QMessageBox::Yes) << QStringLiteral("はい(&Y)");
        QTest::newRow("no") << int(QMessageBox::No) << QStringLiteral("いいえ(&N)");
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << QStringLiteral("キャンセル");
        QTest::newRow("ok") << int(QMessageBox::Ok) << QStringLiteral("OK");
    }
    void messageBoxButtons()
    {
        QFETCH(int, button);
        QFETCH(QString, text);
        QMessageBox box(QMessageBox::Question, QStringLiteral("題"), QStringLiteral("本文"),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Ok);
        QCOMPARE(box.button(QMessageBox::StandardButton(button))->text(), text);
    }

    // The question before closing a changed compose window names its buttons itself.
    void saveDiscardCancelButtons_data()
    {
        QTest::addColumn<QString>("clicked");
        QTest::addColumn<int>("answer");
        QTest::newRow("保存") << QStringLiteral("保存") << int(platform::Answer::Save);
        QTest::newRow("破棄") << QStringLiteral("破棄") << int(platform::Answer::Discard);
        QTest::newRow("キャンセル") << QStringLiteral("キャンセル") << int(platform::Answer::Cancel);
    }
    void saveDiscardCancelButtons()
    {
        QFETCH(QString, clicked);
        QFETCH(int, answer);
        QWidget owner;
        widgets::WindowPrompts prompts(&owner, nullptr);
        QStringList captions;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            QAbstractButton* chosen = nullptr;
            for (QAbstractButton* button : box->buttons()) {
                captions.append(button->text());
                if (button->text() == clicked)
                    chosen = button;
            }
            if (chosen)
                chosen->click();
        });
        QCOMPARE(int(prompts.message(QStringLiteral("本文"), QString(), platform::Icon::Question,
                                     platform::Buttons::SaveDiscardCancel)),
                 answer);
        captions.sort();
        QCOMPARE(captions, (QStringList{"キャンセル", "保存", "破棄"}));
    }

    void textFieldContextMenu()
    {
        QLineEdit field(QStringLiteral("文字"));
        field.selectAll();
        const std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
        const QStringList texts = actionTexts(*menu);
        QVERIFY2(allJapanese(texts), qPrintable(texts.join(QLatin1String(" | "))));
    }

    void previewContextMenu()
    {
        openWindow();
        const std::unique_ptr<QMenu> menu(test::preview(*m_window)->createStandardContextMenu());
        const QStringList texts = actionTexts(*menu);
        QVERIFY2(allJapanese(texts), qPrintable(texts.join(QLatin1String(" | "))));
    }

    // Qt's own file dialog: the folder's type, a file's size and the dates in Japanese (the
    // system's locale of the test is not).
    void fileDialogList()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        QFile file(dir.filePath(QStringLiteral("a.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("hello") == 5);
        file.close();
        QFileDialog dialog(nullptr, QStringLiteral("保存"), dir.path());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setViewMode(QFileDialog::Detail);
        widgets::showFileListInProgramLocale(dialog);
        dialog.show();
        QAbstractProxyModel* list = dialog.proxyModel();
        QVERIFY(list);
        const auto* files = qobject_cast<QFileSystemModel*>(list->sourceModel());
        QVERIFY(files);
        const QModelIndex root = list->mapFromSource(files->index(dir.path()));
        QTRY_COMPARE(list->rowCount(root), 2);
        QStringList shown;
        for (int row = 0; row < 2; ++row) {
            for (int column = 1; column <= 3; ++column)
                shown.append(list->index(row, column, root).data().toString());
        }
        QVERIFY2(shown.contains(QStringLiteral("フォルダ")), qPrintable(shown.join(" | ")));
        QVERIFY2(shown.contains(QStringLiteral("5 バイト")), qPrintable(shown.join(" | ")));
        for (const QString& text : std::as_const(shown)) {
            for (QChar c : text)
                QVERIFY2(!c.isLetter() || c.unicode() >= 0x3000, qPrintable(text)); // no English word
        }
    }

    // A right click on the tool bar or the menu bar opens no menu that would offer to hide the
    // tool bar under an internal name.
    void toolBarHasNoContextMenu()
    {
        openWindow();
        QToolBar* toolBar = m_window->findChild<QToolBar*>(QStringLiteral("tlbMain"));
        QVERIFY(toolBar);
        for (QWidget* target : {static_cast<QWidget*>(toolBar), static_cast<QWidget*>(m_window->menuBar())}) {
            QStringList shown;
            QTimer::singleShot(0, [&shown] { // a menu runs its own loop: look at it, then close it
                if (auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                    shown = actionTexts(*popup);
                    popup->close();
                }
            });
            const QPoint inside(target->width() - 4, target->height() / 2);
            QContextMenuEvent event(QContextMenuEvent::Mouse, inside, target->mapToGlobal(inside));
            QApplication::sendEvent(target, &event);
            QApplication::processEvents();
            QVERIFY2(shown.isEmpty(), qPrintable(shown.join(QLatin1String(" | "))));
        }
    }
};

QTEST_MAIN(TestQtTexts)
#include "test_qt_texts.moc"
