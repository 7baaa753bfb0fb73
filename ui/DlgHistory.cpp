#include "ui/DlgHistory.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "ui/DialogUnits.h"

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }
QString Text(int id) { return Q(res::LoadString(id)); }
}  // namespace

CDlgHistory::CDlgHistory(CJournal& journal, CFrameLogic& frame, CParamDescFile& model, QWidget* parent)
    : QDialog(parent), m_logic(journal, frame, model) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFont(CDialogUnits::FormFont());
  setWindowTitle(Text(ids::HistoryCaption));
  auto* layout = new QVBoxLayout(this);

  auto* filters = new QHBoxLayout;
  m_port = new QComboBox(this);
  m_version = new QComboBox(this);
  m_version->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  filters->addWidget(new QLabel(Text(ids::HistoryPort), this));
  filters->addWidget(m_port);
  filters->addSpacing(12);
  filters->addWidget(new QLabel(Text(ids::HistoryVersion), this));
  filters->addWidget(m_version, 1);
  layout->addLayout(filters);

  m_records = new QTreeWidget(this);
  m_records->setColumnCount(5);
  m_records->setHeaderLabels({Text(ids::HistoryColTime), Text(ids::HistoryPort).remove(':'),
                              Text(ids::HistoryVersion).remove(':'), Text(ids::HistoryColAction),
                              Text(ids::HistoryColOutcome)});
  m_records->setRootIsDecorated(true);
  m_records->setMinimumSize(720, 320);
  layout->addWidget(m_records);

  auto* buttons = new QDialogButtonBox(this);
  m_undo = buttons->addButton(Text(ids::HistoryUndo), QDialogButtonBox::ActionRole);
  m_restore = buttons->addButton(Text(ids::HistoryRestore), QDialogButtonBox::ActionRole);
  QPushButton* close = buttons->addButton(Text(ids::HistoryClose), QDialogButtonBox::RejectRole);
  close->setDefault(true);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);

  connect(m_port, &QComboBox::currentIndexChanged, this, &CDlgHistory::Filtered);
  connect(m_version, &QComboBox::currentIndexChanged, this, &CDlgHistory::Filtered);
  connect(m_records, &QTreeWidget::currentItemChanged, this, &CDlgHistory::UpdateButtons);
  connect(m_undo, &QPushButton::clicked, this, [this] {
    if (SelectedRow() >= 0) (void)m_logic.Undo(static_cast<size_t>(SelectedRow()));  // told the user itself
    Fill();
  });
  connect(m_restore, &QPushButton::clicked, this, [this] {
    if (SelectedRow() >= 0) (void)m_logic.RestoreSnapshot(static_cast<size_t>(SelectedRow()));
    Fill();
  });
  m_logic.Reload();
  FillFilter(m_port, m_logic.Ports(), false);
  FillFilter(m_version, m_logic.Versions(), true);
  Fill();
}

void CDlgHistory::FillFilter(QComboBox* box, const std::vector<std::string>& values, bool version) {
  const QSignalBlocker quiet(box);
  box->clear();
  box->addItem(Text(ids::HistoryAny), QString());
  for (const std::string& value : values) box->addItem(Q(version ? res::DisplayText(value) : value), Q(value));
}

void CDlgHistory::Filtered() {
  m_logic.SetFilter(m_port->currentData().toString().toStdString(), m_version->currentData().toString().toStdString());
  Fill();
}

void CDlgHistory::Fill() {
  m_records->clear();
  for (const journal::Record& record : m_logic.Shown()) {
    QStringList columns;
    for (const std::string& text : CHistoryLogic::RowTexts(record)) columns << Q(text);
    auto* item = new QTreeWidgetItem(m_records, columns);
    for (const std::string& line : CHistoryLogic::DetailLines(record)) {
      auto* detail = new QTreeWidgetItem(item, {Q(line)});
      detail->setFirstColumnSpanned(true);
      detail->setFlags(Qt::ItemIsEnabled);
    }
  }
  for (int c = 0; c < m_records->columnCount(); ++c) m_records->resizeColumnToContents(c);
  if (m_records->topLevelItemCount() > 0) {
    m_records->setCurrentItem(m_records->topLevelItem(0));
    m_records->topLevelItem(0)->setExpanded(true);
  }
  UpdateButtons();
}

int CDlgHistory::SelectedRow() const {
  QTreeWidgetItem* item = m_records->currentItem();
  if (item && item->parent()) item = item->parent();
  return item ? m_records->indexOfTopLevelItem(item) : -1;
}

void CDlgHistory::UpdateButtons() {
  const int row = SelectedRow();
  const bool here = row >= 0 && m_logic.OnConnectedDrive(static_cast<size_t>(row));
  m_undo->setEnabled(here);
  m_restore->setEnabled(here && m_logic.HasSnapshot(static_cast<size_t>(row)));
}
