#pragma once
// Qt's own texts (file dialogs, standard buttons, the overwrite question, edit
// menus) in the language of the string table.

#include <QString>

class QApplication;
class QTranslator;

namespace app {

// Under Korean, installs Qt's Korean translation from `folder` (empty: the folder
// of Qt's installed translations) with a translator the application owns. Returns
// it, or null under English and when no translation is found there: Qt's texts
// then stay English, and the user is not told.
QTranslator* InstallQtTranslations(QApplication& application, const QString& folder = QString());

}  // namespace app
