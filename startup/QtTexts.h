#pragma once

class QCoreApplication;

namespace lesnor {

// Qt's own texts (standard context menus, buttons and file dialogs) in Chinese, like the
// rest of the interface, whatever the system's language: loads Qt's Chinese translation
// ("qtbase_zh_CN" from Qt's translations folder) and makes Chinese (China) the default
// locale, which the dialogs follow. Returns false when the translation is not installed;
// the texts then stay Qt's English ones.
bool installQtChineseTexts(QCoreApplication& app);

} // namespace lesnor
