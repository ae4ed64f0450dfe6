#include "settings/FontChooserDialog.h"

#include "settings/FontFamilies.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>
#include <QVBoxLayout>

namespace fumibako::settings {

FontChooserDialog::FontChooserDialog(const QString& registryFile, QWidget* parent)
    : QDialog(parent), m_registryFile(registryFile)
{
    setObjectName(QStringLiteral("frmFont"));
    setWindowTitle(QStringLiteral("フォント"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(createLists());
    layout->addWidget(createSamples());
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cancel->setObjectName(QStringLiteral("cmdCan"));
    cancel->setAutoDefault(false);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &FontChooserDialog::okClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QWidget* FontChooserDialog::createLists()
{
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    auto* faceLabel = new QLabel(QStringLiteral("フォントの種類"), box);
    m_faces = new QStringListModel(this);
    m_faceList = new QListView(box);
    m_faceList->setObjectName(QStringLiteral("List1"));
    m_faceList->setModel(m_faces);
    m_faceList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_faceList->setMinimumSize(240, 200);
    faceLabel->setBuddy(m_faceList);
    auto* sizeLabel = new QLabel(QStringLiteral("フォントサイズ"), box);
    m_sizeList = new QListView(box);
    m_sizeList->setObjectName(QStringLiteral("lstSize"));
    m_sizeList->setModel(new QStringListModel(sizeEntries(), this));
    m_sizeList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_sizeList->setMinimumWidth(150);
    sizeLabel->setBuddy(m_sizeList);
    m_noSymbol = new QCheckBox(QStringLiteral("シンボルフォントは取得しない"), box);
    m_noSymbol->setObjectName(QStringLiteral("chkNosymbol"));
    m_fixedOnly = new QCheckBox(QStringLiteral("等幅フォントのみ取得"), box);
    m_fixedOnly->setObjectName(QStringLiteral("chkTT"));
    grid->addWidget(faceLabel, 0, 0);
    grid->addWidget(sizeLabel, 0, 1);
    grid->addWidget(m_faceList, 1, 0);
    grid->addWidget(m_sizeList, 1, 1);
    grid->addWidget(m_noSymbol, 2, 0, 1, 2);
    grid->addWidget(m_fixedOnly, 3, 0, 1, 2);
    connect(m_noSymbol, &QCheckBox::clicked, this, &FontChooserDialog::relist);
    connect(m_fixedOnly, &QCheckBox::clicked, this, &FontChooserDialog::relist);
    connect(m_faceList->selectionModel(), &QItemSelectionModel::currentChanged, this, &FontChooserDialog::faceSelected);
    connect(m_sizeList->selectionModel(), &QItemSelectionModel::currentChanged, this, &FontChooserDialog::sizeSelected);
    return box;
}

QWidget* FontChooserDialog::createSamples()
{
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(0, 0, 0, 0);
    m_current = new QLabel(QStringLiteral("デフォルト"), box);
    m_current->setObjectName(QStringLiteral("lblFont1"));
    m_chosen = new QLabel(box);
    m_chosen->setObjectName(QStringLiteral("lblFont2"));
    for (QLabel* sample : {m_current, m_chosen}) {
        sample->setMinimumHeight(60);
        sample->setFrameShape(QFrame::StyledPanel);
    }
    grid->addWidget(new QLabel(QStringLiteral("現在の"), box), 0, 0);
    grid->addWidget(m_current, 0, 1);
    grid->addWidget(m_chosen, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("に変更"), box), 1, 2);
    grid->setColumnStretch(1, 1);
    return box;
}

void FontChooserDialog::reload(const QString& storedName, const QString& storedSize)
{
    if (m_families.isEmpty()) {
        m_families = installedJapaneseFamilies();
        m_pitchKnown = false;
    }
    // Each opening lists every face, so that the stored one is found whatever filter was left
    // ticked when the dialog was last closed.
    m_noSymbol->setChecked(false);
    m_fixedOnly->setChecked(false);
    relist();
    m_faceList->setCurrentIndex(m_faces->index(initialFaceIndex(m_faces->stringList(), storedName)));
    m_sizeList->setCurrentIndex(m_sizeList->model()->index(initialSizeIndex(storedSize), 0));
    faceSelected();
    sizeSelected();
    m_current->setFont(m_chosen->font());
    m_current->setText(m_chosen->text());
}

void FontChooserDialog::relist()
{
    if (m_fixedOnly->isChecked() && !m_pitchKnown) {
        markFixedPitch(m_families);
        m_pitchKnown = true;
    }
    m_faces->setStringList(listedFaces(m_families, m_fixedOnly->isChecked(), m_noSymbol->isChecked()));
    m_faceList->clearSelection();
}

void FontChooserDialog::faceSelected()
{
    const QModelIndex index = m_faceList->currentIndex();
    if (!index.isValid())
        return;
    const QString face = index.data().toString();
    QFont font = m_chosen->font();
    font.setFamily(face);
    m_chosen->setFont(font);
    m_chosen->setText(face);
}

int FontChooserDialog::selectedSize() const
{
    const QModelIndex index = m_sizeList->currentIndex();
    return index.isValid() ? index.row() : 0;
}

void FontChooserDialog::sizeSelected()
{
    if (const std::optional<int> points = samplePointSize(selectedSize())) {
        QFont font = m_chosen->font();
        font.setPointSize(*points);
        m_chosen->setFont(font);
    }
}

void FontChooserDialog::okClicked()
{
    const QString name = m_chosen->text();
    const QString size = storedSize(selectedSize());
    storePreviewFont(m_registryFile, name, size);
    Q_EMIT previewFontChosen(name, size);
    accept();
}

} // namespace fumibako::settings
