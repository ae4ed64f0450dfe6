#pragma once

class QCoreApplication;

namespace fumibako::mainwin {

/**
 * Gives Qt's own texts (the buttons of message boxes, the context menus of text fields and of
 * the preview, file and input dialogs) in Japanese, whatever the user's locale: the program's
 * texts are Japanese, so Qt's must be too. Loads Qt's Japanese translations (Debian package
 * qt6-translations-l10n) into @p app and makes Japanese the default locale. Call once, before
 * the first window. False when the translations are not installed; Qt's texts then stay English.
 */
bool installJapaneseQtTexts(QCoreApplication& app);

} // namespace fumibako::mainwin
