#pragma once

#include "settings/core/FontChoice.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QListView;
class QStringListModel;

namespace fumibako::settings {

/**
 * @short `frmFont` "フォント": the face and size of the preview. Not modal; the main window keeps
 * one and refills it each time it is opened.
 */
class FontChooserDialog : public QDialog {
    Q_OBJECT
public:
    FontChooserDialog(const QString& registryFile, QWidget* parent);

    /** Opening: lists the fonts and selects the stored "MainName" and "MainSize". */
    void reload(const QString& storedName, const QString& storedSize);

Q_SIGNALS:
    /** "OK" stored a new choice ("MainName", "MainSize"). */
    void previewFontChosen(const QString& name, const QString& size);

private:
    QWidget* createLists();
    QWidget* createSamples();
    void relist();
    void faceSelected();
    void sizeSelected();
    int selectedSize() const;
    void okClicked();

    QString m_registryFile;
    QList<FontFamilyInfo> m_families;
    bool m_pitchKnown = false; ///< m_families' fixedPitch was measured
    QStringListModel* m_faces = nullptr;
    QListView* m_faceList = nullptr;
    QListView* m_sizeList = nullptr;
    QCheckBox* m_noSymbol = nullptr;
    QCheckBox* m_fixedOnly = nullptr;
    QLabel* m_current = nullptr; ///< `lblFont1`
    QLabel* m_chosen = nullptr;  ///< `lblFont2`
};

} // namespace fumibako::settings
