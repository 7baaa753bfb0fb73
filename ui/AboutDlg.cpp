#include "ui/AboutDlg.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "ui/DialogUnits.h"
#include "ui/Icons.h"
#include "ui/VersionInfo.h"

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }
}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  const QFont font = CDialogUnits::FormFont();
  setFont(font);
  const CDialogUnits du(font);
  setFixedSize(du.Size(262, 150));
  setWindowTitle(Q(res::LoadString(ids::AboutCaption)));

  auto* icon = new QLabel(this);
  icon->setPixmap(icons::ProgramIcon().pixmap(32, 32));
  icon->setGeometry(du.X(14), du.Y(14), 32, 32);

  m_product = new QLabel(this);
  m_product->setGeometry(du.Rect(42, 14, 210, 8));
  m_copyright = new QLabel(this);
  m_copyright->setGeometry(du.Rect(42, 30, 210, 8));
  m_version = new QLabel(this);
  m_version->setGeometry(du.Rect(42, 42, 210, 8));
  for (QLabel* line : {m_product, m_copyright, m_version}) line->setMinimumHeight(QFontMetrics(font).height());

  auto* label = new QLabel(Q(res::LoadString(ids::AboutModelsLabel)), this);
  label->setGeometry(du.Rect(42, 60, 108, 8));
  label->setMinimumHeight(QFontMetrics(font).height());

  m_models = new QListWidget(this);
  m_models->setGeometry(du.Rect(54, 72, 198, 48));
  m_models->setSelectionMode(QAbstractItemView::NoSelection);
  m_models->setFocusPolicy(Qt::NoFocus);
  m_models->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

  auto* ok = new QPushButton(Q(res::LoadString(ids::AboutOk)), this);
  ok->setGeometry(du.Rect(204, 126, 50, 14));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  // Without version data the lines keep their design texts; the models are listed
  // either way.
  VersionInfo info;
  const bool haveInfo = ReadVersionInfo(QApplication::applicationFilePath().toStdString(), info);
  const AboutLines lines = MakeAboutLines(haveInfo ? &info : nullptr);
  m_product->setText(Q(lines.product));
  m_version->setText(Q(lines.version));
  m_copyright->setText(Q(lines.copyright));
  for (const std::string& model : SupportedModels()) m_models->addItem(Q(model));
  ok->setFocus();
}

QString CAboutDlg::ProductLine() const { return m_product->text(); }
QString CAboutDlg::VersionLine() const { return m_version->text(); }
QString CAboutDlg::CopyrightLine() const { return m_copyright->text(); }

QStringList CAboutDlg::Models() const {
  QStringList models;
  for (int i = 0; i < m_models->count(); ++i) models << m_models->item(i)->text();
  return models;
}
