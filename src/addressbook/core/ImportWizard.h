#pragma once

#include "addressbook/AddressImport.h"
#include "addressbook/core/ImportPreviewModel.h"

#include <functional>
#include <optional>

namespace fumibako::platform {
class UserPrompts;
}

namespace fumibako::addressbook {

/** The file dialog of the browse button for one import kind. */
struct ImportFileDialog {
    QString title;
    QString filter; ///< as Qt's file dialogs take it: "Outlook形式(*csv)"
};

/** The file dialog for @p format. */
ImportFileDialog fileDialogFor(ImportFormat format);

/**
 * @short The rules of the import wizard (`frmIm`): page 1 picks the kind and the file, page 2
 * previews the parsed rows for correction, "完了" hands them to the manager.
 */
class ImportWizard {
public:
    explicit ImportWizard(platform::UserPrompts& prompts) : m_prompts(prompts) {}

    enum class Page { ChooseFile, Preview };
    Page page() const { return m_page; }
    bool backEnabled() const { return m_page == Page::Preview; }
    bool nextEnabled() const { return m_page == Page::ChooseFile; }

    ImportFormat format() const { return m_format; }
    void setFormat(ImportFormat format) { m_format = format; }

    /** The file dialog for the browse button: that of the chosen kind. */
    ImportFileDialog browseDialog() const { return fileDialogFor(m_format); }

    /**
     * "次へ": checks @p path, then shows page 2 with the rows of the file (and the problem, if any,
     * after the rows before it). False when the path is refused (the focus goes back to it).
     */
    bool next(const QString& path);
    /** "戻る": page 1 again; the preview keeps its rows until the next "次へ". */
    void back();

    /** Called when the page changes, before a file is read (so the window shows page 2 first). */
    void setPageChangedHandler(std::function<void()> handler) { m_pageChanged = std::move(handler); }

    ImportPreviewModel& preview() { return m_preview; }
    /** "完了": the rows to add, in the preview's order. */
    QList<ImportedAddress> rowsToImport() const { return m_preview.rows(); }

private:
    platform::UserPrompts& m_prompts;
    ImportPreviewModel m_preview;
    ImportFormat m_format = ImportFormat::OutlookExpress;
    Page m_page = Page::ChooseFile;
    std::function<void()> m_pageChanged;
};

} // namespace fumibako::addressbook
