#pragma once
// Helpers of the widget tests: an event recorder that keeps application messages
// away from their target, and a scope that points the program's folder at a
// temporary one holding copies of the description files.

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QObject>

#include <string>
#include <vector>

#include "resources/Paths.h"
#include "support/TempDir.h"

// Records the application messages sent or posted to an object and swallows them.
class CMessageRecorder : public QObject {
 public:
  explicit CMessageRecorder(QObject* target) : m_target(target) { target->installEventFilter(this); }
  ~CMessageRecorder() override {
    if (m_target) m_target->removeEventFilter(this);
  }
  std::vector<int> Take() {
    QCoreApplication::sendPostedEvents(m_target);
    std::vector<int> seen;
    seen.swap(m_seen);
    return seen;
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() < QEvent::User) return false;
    m_seen.push_back(static_cast<int>(event->type()));
    return true;
  }

 private:
  QObject* m_target;
  std::vector<int> m_seen;
};

// The program's folder moved to a temporary one for the life of the object, so
// Config.ini is written there; the description files can be copied along.
class CProgramFolderScope {
 public:
  explicit CProgramFolderScope(bool withDescriptionFiles = true) {
    const std::string original = res::ProgramFolder();
    if (withDescriptionFiles) {
      for (const char* name : {"ParamDefault.xml", "ParamDefault_QM71.xml"}) {
        QFile::copy(QString::fromStdString(original + name), QString::fromStdString(m_dir.File(name)));
      }
    }
    res::OverrideProgramFolder(m_dir.Path());
  }
  ~CProgramFolderScope() { res::OverrideProgramFolder(std::string()); }
  const TempDir& Dir() const { return m_dir; }
  std::string ConfigIni() const { return m_dir.File("Config.ini"); }
  std::string ReadConfig() const {
    QFile file(QString::fromStdString(ConfigIni()));
    if (!file.open(QIODevice::ReadOnly)) return "<none>";
    return file.readAll().toStdString();
  }

 private:
  TempDir m_dir;
};
