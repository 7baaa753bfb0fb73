#include "ui/DlgCompare.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "ui/DialogUnits.h"

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }
QString Text(int id) { return Q(res::LoadString(id)); }
}  // namespace

CDlgCompare::CDlgCompare(const std::string& fileName, const std::string& fileVersion, bool otherModel,
                         const std::vector<DpfComparison>& rows, QWidget* parent, bool partial)
    : QDialog(parent) {
  Build(res::FormatString(ids::CompareFileLine, {fileName, res::DisplayText(fileVersion)}), otherModel, rows, nullptr,
        partial);
}

CDlgCompare::CDlgCompare(const std::string& left, const std::string& right, const std::vector<DpfComparison>& rows,
                         QWidget* parent)
    : QDialog(parent) {
  const std::pair<std::string, std::string> files{left, right};
  Build(res::FormatString(ids::DeskCompareLine, {left, right}), false, rows, &files, false);
}

void CDlgCompare::Build(const std::string& line, bool otherModel, const std::vector<DpfComparison>& rows,
                        const std::pair<std::string, std::string>* files, bool partial) {
  const bool twoFiles = files != nullptr;
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFont(CDialogUnits::FormFont());
  setWindowTitle(twoFiles ? Text(ids::MenuDeskCompare).remove(QStringLiteral("...")) : Text(ids::CompareCaption));
  auto* layout = new QVBoxLayout(this);

  auto* fileLine = new QLabel(Q(line), this);
  fileLine->setWordWrap(true);
  layout->addWidget(fileLine);
  if (otherModel) {
    auto* warning = new QLabel(Text(ids::CompareOtherModel), this);
    warning->setStyleSheet(QStringLiteral("color: #a04000;"));
    layout->addWidget(warning);
  }

  const std::vector<CompareTableRow> table = CompareTable(rows);
  m_table = new QTableWidget(static_cast<int>(table.size()), 3, this);
  m_table->setHorizontalHeaderLabels({Text(ids::CompareColumnParam),
                                      twoFiles ? Q(files->first) : Text(ids::CompareColumnDrive),
                                      twoFiles ? Q(files->second) : Text(ids::CompareColumnFile)});
  m_table->verticalHeader()->setVisible(false);
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_table->setSelectionMode(QAbstractItemView::NoSelection);
  m_table->setFocusPolicy(Qt::NoFocus);
  QFont marked = font();
  marked.setBold(true);
  for (int r = 0; r < static_cast<int>(table.size()); ++r) {
    const CompareTableRow& line = table[static_cast<size_t>(r)];
    const QString texts[] = {Q(line.label), Q(line.drive), Q(line.file)};
    for (int c = 0; c < 3; ++c) {
      auto* item = new QTableWidgetItem(texts[c]);
      if (line.differs) {
        // Marked by weight and colour both, so the difference shows without colour too.
        item->setFont(marked);
        item->setBackground(QColor(0xff, 0xe8, 0xc8));
      }
      m_table->setItem(r, c, item);
    }
  }
  m_table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
  m_table->resizeColumnToContents(1);
  m_table->resizeColumnToContents(2);
  m_table->setMinimumSize(560, 80 + 26 * std::min<int>(12, static_cast<int>(table.size())));
  layout->addWidget(m_table);

  auto* summary = new QLabel(Q(CompareSummary(rows, partial)), this);
  summary->setWordWrap(true);
  layout->addWidget(summary);

  auto* buttons = new QDialogButtonBox(this);
  m_load = buttons->addButton(Text(ids::CompareLoadDiffering), QDialogButtonBox::AcceptRole);
  m_load->setEnabled(!partial && !DifferingEntries(rows).empty());
  m_load->setVisible(!twoFiles);
  QPushButton* close = buttons->addButton(Text(ids::CompareClose), QDialogButtonBox::RejectRole);
  close->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
}
