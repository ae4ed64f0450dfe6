#include "compose/RecipientPickerDialog.h"

#include "compose/ComposeFields.h"
#include "widgets/FileDialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace fumibako::compose {

namespace {

// `lstFile`: takes files dropped on it.
class FileList : public QListWidget {
public:
    FileList(std::function<void(const QStringList&)> dropped, QWidget* parent)
        : QListWidget(parent), m_dropped(std::move(dropped))
    {
        setAcceptDrops(true);
        setDragDropMode(QAbstractItemView::DropOnly);
    }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override { acceptFiles(event); }
    void dragMoveEvent(QDragMoveEvent* event) override { acceptFiles(event); }
    void dropEvent(QDropEvent* event) override
    {
        const QStringList paths = droppedFiles(event->mimeData());
        if (paths.isEmpty())
            return;
        event->acceptProposedAction();
        m_dropped(paths);
    }

private:
    void acceptFiles(QDropEvent* event)
    {
        if (droppedFiles(event->mimeData()).isEmpty())
            event->ignore();
        else
            event->acceptProposedAction();
    }

    std::function<void(const QStringList&)> m_dropped;
};

const std::array<const char*, 3> kListNames{"lstTo", "lstCc", "lstBcc"};
const std::array<const char*, 3> kListCaptions{"To", "CC", "BCC"};

} // namespace

RecipientPickerDialog::RecipientPickerDialog(const QList<addressbook::AddressEntry>& table,
                                             const ComposeContent& content, QWidget* parent)
    : QDialog(parent), m_picker(table, content)
{
    setObjectName(QStringLiteral("frmAddress"));
    setWindowTitle(QStringLiteral("アドレス帳"));
    setModal(true);
    createWidgets();
    for (const AddressGroup& group : m_picker.groups())
        m_groups->addItem(group.label);
    connect(m_groups, &QComboBox::currentIndexChanged, this, &RecipientPickerDialog::groupChosen);
    if (!m_picker.groups().isEmpty())
        groupChosen(0);
    showLists();
    resize(620, 520);
}

void RecipientPickerDialog::createWidgets()
{
    auto* layout = new QVBoxLayout(this);
    m_groups = new QComboBox(this);
    m_groups->setObjectName(QStringLiteral("cmbGroup"));
    layout->addWidget(m_groups);
    m_entries = new QTreeView(this);
    m_entries->setObjectName(QStringLiteral("lsvNandA"));
    m_entries->setModel(&m_model);
    m_entries->setRootIsDecorated(false);
    m_entries->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_entries->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_entries->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_entries->viewport()->installEventFilter(this);
    connect(m_entries, &QTreeView::doubleClicked, this, &RecipientPickerDialog::entryDoubleClicked);
    layout->addWidget(m_entries, 2);

    // The three "Default" options sit in three columns: only a group makes them one choice.
    m_defaults = new QButtonGroup(this);
    connect(m_defaults, &QButtonGroup::idToggled, this, [this](int list, bool on) {
        if (on)
            m_picker.defaultList = static_cast<RecipientPicker::List>(list);
    });
    auto* columns = new QHBoxLayout;
    for (int list = 0; list < 3; ++list)
        columns->addWidget(createRecipientColumn(list, this));
    layout->addLayout(columns, 2);
    m_withName = new QCheckBox(QStringLiteral("表示名を付加する"), this);
    m_withName->setObjectName(QStringLiteral("chkHyouji"));
    connect(m_withName, &QCheckBox::toggled, this, [this](bool on) { m_picker.withDisplayName = on; });
    layout->addWidget(m_withName);
    layout->addWidget(createFileRow(this), 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cmdCan"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QWidget* RecipientPickerDialog::createRecipientColumn(int list, QWidget* parent)
{
    auto* column = new QWidget(parent);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout;
    auto* add = new QPushButton(QLatin1String(kListCaptions.at(list)), column);
    add->setObjectName(QStringLiteral("cmdTo%1").arg(list));
    add->setAutoDefault(false);
    connect(add, &QPushButton::clicked, this, [this, list] { addSelected(list); });
    auto* option = new QRadioButton(QStringLiteral("Default"), column);
    option->setObjectName(QStringLiteral("opDefault%1").arg(list));
    m_defaults->addButton(option, list);
    option->setChecked(list == 0);
    row->addWidget(add);
    row->addWidget(option);
    layout->addLayout(row);
    m_lists[list] = new QListWidget(column);
    m_lists[list]->setObjectName(QLatin1String(kListNames.at(list)));
    m_lists[list]->installEventFilter(this);
    layout->addWidget(m_lists[list]);
    return column;
}

QWidget* RecipientPickerDialog::createFileRow(QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* head = new QHBoxLayout;
    // Without a buddy the label shows "&" as it is: the caption's doubled ampersand shows as one.
    auto* label = new QLabel(QStringLiteral("添付ファイル　D&Dに対応しています"), box);
    label->setObjectName(QStringLiteral("lblFile"));
    auto* browse = new QPushButton(QStringLiteral("参照"), box);
    browse->setObjectName(QStringLiteral("cmdFile"));
    browse->setAutoDefault(false);
    connect(browse, &QPushButton::clicked, this, &RecipientPickerDialog::chooseFile);
    head->addWidget(label, 1);
    head->addWidget(browse);
    layout->addLayout(head);
    m_lists[RecipientPicker::Files] = new FileList([this](const QStringList& paths) { addFiles(paths); }, box);
    m_lists[RecipientPicker::Files]->setObjectName(QStringLiteral("lstFile"));
    m_lists[RecipientPicker::Files]->installEventFilter(this);
    layout->addWidget(m_lists[RecipientPicker::Files]);
    return box;
}

void RecipientPickerDialog::groupChosen(int index)
{
    if (index < 0 || index >= m_picker.groups().size())
        return;
    m_model.showGroup(m_picker.entries(), m_picker.groups().at(index));
    m_entries->clearSelection();
    m_entries->setCurrentIndex(QModelIndex());
}

void RecipientPickerDialog::addSelected(int list)
{
    QList<int> rows;
    for (const QModelIndex& index : m_entries->selectionModel()->selectedRows())
        rows.append(index.row());
    m_picker.addEntries(static_cast<RecipientPicker::List>(list), m_groups->currentIndex(), rows);
    showLists();
}

void RecipientPickerDialog::entryDoubleClicked(const QModelIndex& index)
{
    if (!index.isValid() || !m_entries->selectionModel()->isRowSelected(index.row(), QModelIndex()))
        return;
    m_picker.addToDefault(m_groups->currentIndex(), index.row());
    showLists();
}

void RecipientPickerDialog::chooseFile()
{
    // Qt shows the filter without its last parenthesised pattern, "*", which it applies: the
    // list reads "すべてのファイル(*.*)" and still shows files without a dot in their names.
    const QString path = widgets::chooseOpenFile(this, QStringLiteral("添付ファイル"), QString(),
                                                 QStringLiteral("すべてのファイル(*.*) (*)"), QFileDialog::HideNameFilterDetails);
    if (!path.isEmpty())
        addFiles({path});
}

void RecipientPickerDialog::addFiles(const QStringList& paths)
{
    m_picker.addFiles(paths);
    showLists();
}

void RecipientPickerDialog::showLists()
{
    for (int list = 0; list < 4; ++list) {
        QListWidget* widget = m_lists.at(list);
        widget->clear();
        widget->addItems(m_picker.items(static_cast<RecipientPicker::List>(list)));
    }
}

bool RecipientPickerDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_entries->viewport() && event->type() == QEvent::MouseButtonRelease) {
        // A click on empty space leaves no entry selected.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (!m_entries->indexAt(mouse->position().toPoint()).isValid())
            m_entries->clearSelection();
    }
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        for (int list = 0; list < 4; ++list) {
            QListWidget* widget = m_lists.at(list);
            const int row = widget->currentRow();
            if (watched == widget && row >= 0) {
                m_picker.removeItem(static_cast<RecipientPicker::List>(list), row);
                showLists();
                widget->setCurrentRow(std::min(row, widget->count() - 1));
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace fumibako::compose
