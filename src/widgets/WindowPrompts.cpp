#include "widgets/WindowPrompts.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>

namespace fumibako::widgets {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

namespace {

QMessageBox::Icon boxIcon(Icon icon)
{
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons boxButtons(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok:
        return QMessageBox::Ok;
    case Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::SaveDiscardCancel:
        return QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

Answer answerOf(int button)
{
    switch (button) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Save:
        return Answer::Save;
    case QMessageBox::Discard:
        return Answer::Discard;
    default:
        return Answer::Ok;
    }
}

} // namespace

WindowPrompts::WindowPrompts(QWidget* window, platform::UserPrompts* scripted) : m_window(window), m_scripted(scripted)
{
}

void WindowPrompts::createPanels(QStatusBar* bar)
{
    for (int i = 0; i < 2; ++i) {
        auto* label = new QLabel(bar);
        label->setMinimumWidth(i == 0 ? 160 : 120);
        bar->addWidget(label, i == 0 ? 1 : 0);
        m_panels.append(label);
    }
}

QString WindowPrompts::statusText(int panel) const
{
    return panel >= 1 && panel <= m_panels.size() ? m_panels.at(panel - 1)->text() : QString();
}

Answer WindowPrompts::message(const QString& text, const QString& title, Icon icon, Buttons buttons)
{
    if (m_scripted)
        return m_scripted->message(text, title, icon, buttons);
    // Over the window the user works in: the compose window's messages go through here too.
    QWidget* owner = QApplication::activeWindow() ? QApplication::activeWindow() : m_window;
    QMessageBox box(boxIcon(icon), title.isEmpty() ? platform::kProgramTitle : title, text, boxButtons(buttons),
                    owner);
    if (buttons == Buttons::SaveDiscardCancel) {
        // Fixed words, whatever Qt's translation calls these buttons.
        box.button(QMessageBox::Save)->setText(QStringLiteral("保存"));
        box.button(QMessageBox::Discard)->setText(QStringLiteral("破棄"));
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("キャンセル"));
        box.setDefaultButton(QMessageBox::Save);
    }
    return answerOf(box.exec());
}

void WindowPrompts::setStatus(int panel, const QString& text)
{
    if (panel >= 1 && panel <= m_panels.size())
        m_panels.at(panel - 1)->setText(text);
    if (m_scripted)
        m_scripted->setStatus(panel, text);
}

} // namespace fumibako::widgets
