#include "ui/DlgFindDrive.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMetaObject>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "ui/DialogUnits.h"

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }
QString Q(int id) { return Q(res::LoadString(id)); }
}  // namespace

CDlgFindDrive::CDlgFindDrive(QWidget* parent, const CDriveSearchLogic::Options& options)
    : QDialog(parent), m_logic(*this, m_config, [this] {
        // On a worker's thread: the news is taken on this dialog's own.
        QMetaObject::invokeMethod(
            this, [this] { m_logic.Pump(); }, Qt::QueuedConnection);
      }) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setWindowTitle(Q(ids::ScanCaption));
  setFont(CDialogUnits::FormFont());
  const CDialogUnits du(font());
  m_config.UseConfigFile();

  m_table = new QTableWidget(this);
  const std::vector<std::string> titles = drivesearch::ColumnTitles();
  m_table->setColumnCount(static_cast<int>(titles.size()));
  QStringList headers;
  for (const std::string& title : titles) headers << Q(title);
  m_table->setHorizontalHeaderLabels(headers);
  m_table->verticalHeader()->hide();
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->setSelectionMode(QAbstractItemView::SingleSelection);
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The result column takes what is left and wraps, so the reason a port has no
  // drive reads whole.
  m_table->horizontalHeader()->setStretchLastSection(true);
  m_table->setWordWrap(true);
  m_status = new QLabel(this);
  m_status->setWordWrap(true);
  m_use = new QPushButton(Q(ids::ScanUse), this);
  m_cancel = new QPushButton(Q(ids::ButtonCancel), this);
  m_use->setDefault(true);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_status, 1);
  buttons->addWidget(m_use);
  buttons->addWidget(m_cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_table, 1);
  layout->addLayout(buttons);
  resize(du.Size(440, 170));

  connect(m_use, &QPushButton::clicked, this, &CDlgFindDrive::OnUse);
  connect(m_cancel, &QPushButton::clicked, this, &CDlgFindDrive::OnCancel);
  connect(m_table, &QTableWidget::itemSelectionChanged, this, &CDlgFindDrive::UpdateUse);
  connect(m_table, &QTableWidget::cellDoubleClicked, this, [this] { OnUse(); });
  m_logic.Start(options);
}

CDlgFindDrive::~CDlgFindDrive() = default;

void CDlgFindDrive::SetRowCount(int rows) { m_table->setRowCount(rows); }

void CDlgFindDrive::SetRow(int row, const std::vector<std::string>& cells) {
  const bool found = m_logic.Findings().size() > static_cast<size_t>(row) &&
                     m_logic.Findings()[static_cast<size_t>(row)].finding == drivesearch::Finding::Found;
  for (size_t column = 0; column < cells.size(); ++column) {
    auto* item = new QTableWidgetItem(Q(cells[column]));
    QFont bold = item->font();
    bold.setBold(found);
    item->setFont(bold);
    m_table->setItem(row, static_cast<int>(column), item);
  }
  // The whole reason, what to do included, where the cell has room for its first line only.
  if (row >= 0 && static_cast<size_t>(row) < m_logic.Findings().size()) {
    const std::string& diagnosis = m_logic.Findings()[static_cast<size_t>(row)].diagnosis;
    if (QTableWidgetItem* last = m_table->item(row, static_cast<int>(cells.size()) - 1)) last->setToolTip(Q(diagnosis));
  }
  for (int column = 0; column + 1 < m_table->columnCount(); ++column) m_table->resizeColumnToContents(column);
  m_table->resizeRowsToContents();
}

void CDlgFindDrive::SetStatus(const std::string& text) {
  std::string shown = text;
  if (!m_logic.Running() && m_logic.FoundRows().size() > 1) shown += " " + res::LoadString(ids::ScanPick);
  m_status->setText(Q(shown));
}

void CDlgFindDrive::SetSearching(bool searching) {
  m_cancel->setText(Q(searching ? ids::ButtonCancel : ids::ScanClose));
  if (!searching) {
    // One drive found: it is the one meant.
    const std::vector<int> found = m_logic.FoundRows();
    if (found.size() == 1) m_table->selectRow(found.front());
  }
  UpdateUse();
}

void CDlgFindDrive::UpdateUse() {
  const int row = m_table->currentRow();
  const std::vector<int> found = m_logic.FoundRows();
  const bool picked = !m_logic.Running() && std::find(found.begin(), found.end(), row) != found.end() &&
                      m_table->selectionModel()->isRowSelected(row, QModelIndex());
  m_use->setEnabled(picked);
}

void CDlgFindDrive::OnUse() {
  UpdateUse();
  if (!m_use->isEnabled()) return;
  const drivesearch::PortFinding& finding = m_logic.Findings()[static_cast<size_t>(m_table->currentRow())];
  m_picked = std::make_pair(static_cast<int32_t>(finding.com), finding.baud);
  accept();
}

void CDlgFindDrive::OnCancel() {
  if (m_logic.Running()) {
    m_logic.Cancel();  // the table shows how far each port got
    return;
  }
  QDialog::reject();
}

void CDlgFindDrive::reject() {
  // Escape and the close box stop a search as Cancel does, and close at once.
  m_logic.Cancel();
  QDialog::reject();
}
