#pragma once
// The About box: product, version and copyright of the running program and the
// product models it supports.

#include <QDialog>

class QLabel;
class QListWidget;

class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);

  QString ProductLine() const;
  QString VersionLine() const;
  QString CopyrightLine() const;
  QStringList Models() const;

 private:
  QLabel* m_product = nullptr;
  QLabel* m_version = nullptr;
  QLabel* m_copyright = nullptr;
  QListWidget* m_models = nullptr;
};
