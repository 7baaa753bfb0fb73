#include "ui/WndStatus.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "flows/FrameLogic.h"
#include "flows/StatusPoll.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "ui/Icons.h"
#include "ui/StatusPlot.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
QString Text(int id) { return Q(res::LoadString(id)); }

enum Column { ParamColumn, NameColumn, ValueColumn, UnitColumn, ColumnCount };

}  // namespace

CWndStatus::CWndStatus(CFrameLogic& frame, const CParamDescFile& model, QWidget* owner)
    : QWidget(owner, Qt::Window), m_poll(std::make_unique<CStatusPoll>(frame, model)), m_timer(new QTimer(this)) {
  setWindowTitle(Text(ids::LiveCaption));
  setWindowIcon(icons::ProgramIcon());
  auto* layout = new QVBoxLayout(this);
  auto* controls = new QHBoxLayout();
  controls->addWidget(new QLabel(Text(ids::LiveRateLabel), this));
  m_rate = new QComboBox(this);
  for (const int rate : CStatusPoll::kRates) {
    m_rate->addItem(Q(res::FormatString(ids::LiveRateItem, {std::to_string(rate)})), rate);
  }
  m_rate->setCurrentIndex(m_rate->findData(CStatusPoll::kDefaultRate));
  controls->addWidget(m_rate);
  controls->addStretch();
  m_record = new QPushButton(Text(ids::LiveRecordStart), this);
  controls->addWidget(m_record);
  layout->addLayout(controls);

  m_table = new QTableWidget(0, ColumnCount, this);
  m_table->setHorizontalHeaderLabels({Text(ids::AllParamsColParam), Text(ids::AllParamsColName),
                                      Text(ids::AllParamsColValue), Text(ids::AllParamsColUnit)});
  m_table->verticalHeader()->hide();
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_table->setSelectionMode(QAbstractItemView::NoSelection);
  m_table->horizontalHeader()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
  layout->addWidget(m_table);
  m_plot = new CStatusPlot(*m_poll, this);
  layout->addWidget(m_plot, 1);
  m_state = new QLabel(this);
  m_state->setWordWrap(true);
  layout->addWidget(m_state);
  resize(640, 760);

  m_timer->setSingleShot(true);
  connect(m_timer, &QTimer::timeout, this, &CWndStatus::OnTick);
  connect(m_rate, &QComboBox::currentIndexChanged, this, [this] {
    m_poll->SetRate(m_rate->currentData().toInt());
    Redraw();
  });
  connect(m_record, &QPushButton::clicked, this, &CWndStatus::OnRecord);
  m_poll->SetRate(CStatusPoll::kDefaultRate);
  m_poll->onChanged = [this] { Redraw(); };
  Redraw();
}

CWndStatus::~CWndStatus() {
  m_poll->onChanged = nullptr;  // the widgets it would redraw go first
}

void CWndStatus::Sync() {
  if (!isVisible() || m_poll->Active()) return;
  // A poll that stopped on a lost drive keeps saying why until a drive is there again.
  if (m_poll->Start()) Schedule(0);
  else Redraw();
}

void CWndStatus::Schedule(int64_t waitMs) {
  if (waitMs >= 0) m_timer->start(static_cast<int>(waitMs));
}

void CWndStatus::OnTick() { Schedule(m_poll->Tick()); }

void CWndStatus::OnRecord() {
  if (m_poll->Recording()) m_poll->StopRecording();
  else (void)m_poll->AskAndRecord();  // a failure was told
  Redraw();
}

void CWndStatus::closeEvent(QCloseEvent* event) {
  // A recording outlives the window; reading for nobody does not.
  if (!m_poll->Recording()) {
    m_timer->stop();
    m_poll->Stop();
  }
  event->accept();
}

void CWndStatus::Redraw() {
  const std::vector<StatusItem>& items = m_poll->Items();
  if (items.size() != m_shownRows) {
    m_table->setRowCount(static_cast<int>(items.size()));
    for (size_t i = 0; i < items.size(); ++i) {
      const int row = static_cast<int>(i);
      m_table->setItem(row, ParamColumn, new QTableWidgetItem(Q(items[i].refText)));
      m_table->setItem(row, NameColumn, new QTableWidgetItem(Q(items[i].name)));
      m_table->setItem(row, ValueColumn, new QTableWidgetItem());
      m_table->setItem(row, UnitColumn, new QTableWidgetItem(Q(items[i].unit)));
      m_table->item(row, ValueColumn)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    m_table->resizeColumnToContents(ParamColumn);
    m_shownRows = items.size();
    // Every row in sight: the plot takes the rest of the window.
    int height = m_table->horizontalHeader()->height() + 2 * m_table->frameWidth();
    for (int row = 0; row < m_table->rowCount(); ++row) height += m_table->rowHeight(row);
    m_table->setFixedHeight(height);
  }
  for (size_t i = 0; i < items.size(); ++i) {
    QTableWidgetItem* cell = m_table->item(static_cast<int>(i), ValueColumn);
    cell->setText(items[i].value ? QString::number(*items[i].value) : QString());
    const bool alarm = items[i].Alarm();
    QFont font = cell->font();
    font.setBold(alarm);
    for (int column = 0; column < ColumnCount; ++column) {
      QTableWidgetItem* item = m_table->item(static_cast<int>(i), column);
      item->setFont(font);
      item->setForeground(alarm ? QBrush(QColor(200, 0, 0)) : QBrush());
      item->setBackground(alarm ? QBrush(QColor(255, 228, 225)) : QBrush());
    }
  }
  m_record->setText(Text(m_poll->Recording() ? ids::LiveRecordStop : ids::LiveRecordStart));
  m_record->setEnabled(m_poll->Recording() || m_poll->Active());
  m_state->setText(Q(m_poll->StateText()));
  m_plot->update();
}
