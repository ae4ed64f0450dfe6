#pragma once

#include "transfer/StoredMail.h"

#include <QString>

namespace fumibako::platform {
class UserPrompts;
}

/**
 * What the preview pane shows when the mail list is clicked, and what a click on a link in the
 * pane does. The main window owns the state and the pane; these functions hold the rules.
 */
namespace fumibako::mailview {

/** File name of the preview page in the working folder; the pane's location name while it shows it. */
inline const QString kPreviewFileName = QStringLiteral("FumiMail.htm");
/** The empty page. */
inline const QString kBlankLocation = QStringLiteral("about:blank");
/** The text rendered for a message that cannot be read. */
inline const QString kReadErrorText = QStringLiteral("読み込みエラーです");

/** The main window's part of the preview state. */
struct PreviewState {
    QString shownKey;         ///< list key of the message last rendered; empty at start
    bool itemClicked = false; ///< set by an item click, cleared by every mouse or key press in the list
};

enum class PreviewAction {
    Nothing, ///< leave the pane as it is
    Blank,   ///< show kBlankLocation
    Render,  ///< mark the item read, read the message and render it
};

/** A mouse press or key press in the list. */
void listPressed(PreviewState& state);

/**
 * An item click on the message with list key @p key while the pane's location name is
 * @p locationName. A second item click without a press in between blanks the pane (when a
 * message was shown) and forgets the shown message; a click on the message the pane still shows
 * does nothing.
 */
PreviewAction itemClicked(PreviewState& state, const QString& key, const QString& locationName);

/**
 * The list was filled again or lost rows (a move, a delete, a send, another folder). The pane
 * shows what is chosen in the list or nothing: when it shows the message @p state remembers
 * (@p locationName is kPreviewFileName) and that message is no longer listed (@p stillListed
 * false), the pane is blanked and the message forgotten.
 */
PreviewAction listChanged(PreviewState& state, const QString& locationName, bool stillListed);

/** A mouse release in the list that hit no item: true when the pane is to be blanked. */
bool emptySpaceClicked(const QString& locationName);

/** How a message of the folder @p folderKey is read: the outgoing folders hold outgoing files. */
transfer::StoredMailKind previewReadMode(const QString& folderKey);

/** The text to render after reading: the body, or kReadErrorText when reading failed. */
QString previewTextAfterRead(bool readOk, const QString& body);

/** What a click on a link in the pane does. */
struct LinkAction {
    enum Kind {
        Compose,  ///< open the compose window with address in To; the pane stays
        External, ///< open url in the system's web browser
        Ignore,   ///< do nothing
    } kind = Ignore;
    QString address;
};

/**
 * The action for a link to @p url. "fumibako:" (case-sensitive) gives Compose with the rest of
 * the URL. Only absolute http, https and ftp URLs are handed to the web browser: a link starts at
 * any "http" in the text, so "httpfoo.html" would otherwise resolve against the preview file and
 * open a file of the working folder (where attachments are saved) in the browser.
 */
LinkAction previewLinkAction(const QString& url);

/** The error report text for an unexpected failure while rendering or writing the preview. */
QString previewErrorText(int number, const QString& description);

/** Shows previewErrorText with an exclamation icon, an OK button and the title "エラー". */
void showPreviewError(platform::UserPrompts& prompts, int number, const QString& description);

} // namespace fumibako::mailview
