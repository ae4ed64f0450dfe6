#include "mainwin/core/MainWindowRules.h"

#include "platform/UserPrompts.h"
#include "storage/FolderTree.h"

#include <cmath>

namespace fumibako::mainwin {

using storage::FixedFolder::Drafts;
using storage::FixedFolder::Outbox;
using storage::FixedFolder::SentBox;
using storage::FixedFolder::Trash;

namespace {
constexpr double kTwipsPerInch = 1440.0;
constexpr int kSideMargin = 500;
constexpr int kTopMargin = 1500;
constexpr int kBottomMargin = 2000;
} // namespace

void ListSortState::columnClicked(int column)
{
    if (column == key) {
        order = order == 0 ? 1 : 0;
    } else {
        key = column;
        order = 1;
    }
    changed = true;
}

int twipsToPixels(double twips, double dpi)
{
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

double pixelsToTwips(int pixels, double dpi)
{
    return dpi > 0 ? std::round(pixels * kTwipsPerInch / dpi) : 0;
}

bool acceptsVerticalSplitter(int x, int formWidth)
{
    return x > kSideMargin && x < formWidth - kSideMargin;
}

bool acceptsHorizontalSplitter(int y, int formHeight)
{
    return y > kTopMargin && y < formHeight - kBottomMargin;
}

SplitterPositions fitSplittersToForm(SplitterPositions positions, int formWidth, int formHeight)
{
    if (positions.left > formWidth)
        positions.left = formWidth / 3;
    if (positions.listBottom > formHeight)
        positions.listBottom = formHeight * 2 / 3;
    if (positions.treeBottom > formHeight)
        positions.treeBottom = formHeight * 2 / 3;
    return positions;
}

std::optional<int> accountForDigitKey(const QString& keyText, int accountCount)
{
    if (keyText.size() != 1)
        return std::nullopt;
    const QChar c = keyText.at(0);
    if (c < QLatin1Char('1') || c > QLatin1Char('9'))
        return std::nullopt;
    const int n = c.unicode() - '0';
    if (n > accountCount)
        return std::nullopt;
    return n - 1;
}

DeleteAction deleteActionFor(const QString& folderKey, bool shift)
{
    if (shift || folderKey == Trash || folderKey == Drafts || folderKey == Outbox || folderKey == SentBox)
        return DeleteAction::DeletePermanently;
    return DeleteAction::MoveToTrash;
}

TreePopupEnabling treePopupFor(int nodeIndex)
{
    using namespace storage;
    if (nodeIndex < kInboxNode || (nodeIndex >= kOutboxNode && nodeIndex <= kDraftsNode))
        return {};
    return {true, true, nodeIndex > kTrashNode};
}

QString mainWindowTitle(const QString& version)
{
    return platform::kProgramTitle + QLatin1Char(' ') + version;
}

QList<addressbook::AddressEntry> addressPaneEntries(const QList<addressbook::AddressEntry>& table)
{
    QList<addressbook::AddressEntry> rows;
    for (const addressbook::AddressEntry& entry : table) {
        if (entry.path == QLatin1String("Root"))
            rows.append(entry);
    }
    return rows;
}

} // namespace fumibako::mainwin
