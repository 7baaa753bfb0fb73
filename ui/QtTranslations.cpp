#include "ui/QtTranslations.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "resources/Strings.h"

namespace app {

QTranslator* InstallQtTranslations(QApplication& application, const QString& folder) {
  if (res::CurrentLanguage() != res::Language::Korean) return nullptr;
  const QString from = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
  auto* translator = new QTranslator(&application);
  // qtbase alone: the widgets the program uses all take their texts from it.
  if (!translator->load(QStringLiteral("qtbase_ko"), from) || !QCoreApplication::installTranslator(translator)) {
    delete translator;
    return nullptr;
  }
  return translator;
}

}  // namespace app
