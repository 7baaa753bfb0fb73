#include "ui/WndAllParams.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

#include <climits>

#include "flows/FrameLogic.h"
#include "params/ParamDescFile.h"
#include "protocol/VcmCommand.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "ui/AllParamsModel.h"
#include "ui/DlgCompare.h"
#include "ui/Icons.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
QString Text(int id) { return Q(res::LoadString(id)); }
// A menu text without its trailing dots, as a button's.
QString ButtonText(int id) {
  QString text = Text(id);
  while (text.endsWith('.')) text.chop(1);
  return text;
}

}  // namespace

CDlgEditValue::CDlgEditValue(const ValueRequest& request, QWidget* parent) : QDialog(parent) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setWindowTitle(Q(res::FormatString(ids::AllParamsEditCaption, {request.refText})));
  auto* layout = new QFormLayout(this);
  const QString label = Q(res::FormatString(ids::AllParamsEditValue, {request.name}));
  if (!request.choices.empty()) {
    m_choices = new QComboBox(this);
    for (const auto& [value, text] : request.choices) m_choices->addItem(Q(text), value);
    const int current = m_choices->findData(request.current);
    m_choices->setCurrentIndex(current >= 0 ? current : 0);
    layout->addRow(label, m_choices);
  } else {
    m_number = new QSpinBox(this);
    m_number->setRange(request.hasLimits ? static_cast<int>(request.lowest) : INT_MIN,
                       request.hasLimits ? static_cast<int>(request.highest) : INT_MAX);
    m_number->setValue(request.current);
    if (!request.unit.empty()) m_number->setSuffix(" " + Q(request.unit));
    layout->addRow(label, m_number);
  }
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(Text(ids::ButtonOk), QDialogButtonBox::AcceptRole)->setDefault(true);
  buttons->addButton(Text(ids::ButtonCancel), QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addRow(buttons);
}

int32_t CDlgEditValue::Value() const {
  return m_choices ? m_choices->currentData().toInt() : static_cast<int32_t>(m_number->value());
}

CWndAllParams::CWndAllParams(CFrameLogic& frame, CParamDescFile& model, QWidget* owner)
    : QWidget(owner, Qt::Window), m_frame(frame), m_editRunner([](CDlgEditValue& dialog) { return dialog.exec(); }) {
  m_logic = std::make_unique<CAllParamsLogic>(frame, model, static_cast<CAllParamsForm&>(*this));
  setWindowTitle(Text(ids::AllParamsCaption));
  setWindowIcon(icons::ProgramIcon());
  auto* layout = new QVBoxLayout(this);

  auto* searchRow = new QHBoxLayout();
  auto* searchLabel = new QLabel(Text(ids::AllParamsSearch), this);
  m_search = new QLineEdit(this);
  m_search->setPlaceholderText(Text(ids::AllParamsSearchHint));
  m_search->setClearButtonEnabled(true);
  searchLabel->setBuddy(m_search);
  m_differing = new QCheckBox(Text(ids::AllParamsDifferingOnly), this);
  searchRow->addWidget(searchLabel);
  searchRow->addWidget(m_search, 1);
  searchRow->addWidget(m_differing);
  layout->addLayout(searchRow);

  m_model = new CAllParamsModel(*m_logic, this);
  // A table view lays out no row it does not draw: a search over thousands of
  // rows costs the rows on screen, where a tree view would lay out every one.
  m_table = new QTableView(this);
  m_table->setModel(m_model);
  m_table->verticalHeader()->setVisible(false);
  m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
  m_table->setShowGrid(false);
  m_table->setWordWrap(false);
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->setSelectionMode(QAbstractItemView::SingleSelection);
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_table->horizontalHeader()->setStretchLastSection(false);
  m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  m_table->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  const int widths[] = {70, 240, 180, 60, 200, 80, 110};
  for (int c = 0; c < static_cast<int>(TableColumn::Count); ++c) m_table->setColumnWidth(c, widths[c]);
  m_table->installEventFilter(this);
  layout->addWidget(m_table, 1);

  auto* buttons = new QHBoxLayout();
  m_readAll = new QPushButton(Text(ids::AllParamsReadAll), this);
  m_edit = new QPushButton(Text(ids::AllParamsEdit), this);
  m_saveAll = new QPushButton(Text(ids::AllParamsSaveAll), this);
  m_load = new QPushButton(ButtonText(ids::MenuLoadFile), this);
  m_compare = new QPushButton(ButtonText(ids::MenuCompareFile), this);
  for (QPushButton* button : {m_readAll, m_edit, m_saveAll, m_load, m_compare}) {
    button->setAutoDefault(false);
    buttons->addWidget(button);
  }
  buttons->addStretch(1);
  layout->addLayout(buttons);
  m_status = new QLabel(this);
  layout->addWidget(m_status);

  connect(m_search, &QLineEdit::textChanged, this,
          [this](const QString& text) { m_logic->SetFilter(text.toStdString()); });
  connect(m_differing, &QCheckBox::toggled, this, [this](bool on) { m_logic->SetDifferingOnly(on); });
  connect(m_table, &QTableView::doubleClicked, this, [this] { OnEdit(); });
  connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { UpdateCommands(); });
  connect(m_readAll, &QPushButton::clicked, this, &CWndAllParams::OnReadAll);
  connect(m_edit, &QPushButton::clicked, this, &CWndAllParams::OnEdit);
  connect(m_saveAll, &QPushButton::clicked, this, &CWndAllParams::OnSaveAll);
  connect(m_load, &QPushButton::clicked, this, &CWndAllParams::OnLoadFile);
  connect(m_compare, &QPushButton::clicked, this, &CWndAllParams::OnCompareFile);
  // F5 reads again, as in the form.
  auto* refresh = new QShortcut(QKeySequence(Qt::Key_F5), this);
  connect(refresh, &QShortcut::activated, this, &CWndAllParams::OnReadAll);
  // In the table Ctrl+S saves the open file; the main window's saves the drive's rows.
  auto* save = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_S), this);
  connect(save, &QShortcut::activated, this, &CWndAllParams::OnSaveFile);
  auto* find = new QShortcut(QKeySequence::Find, this);
  connect(find, &QShortcut::activated, m_search, qOverload<>(&QLineEdit::setFocus));

  resize(980, 640);
  Sync();
}

CWndAllParams::~CWndAllParams() {
  // The view and its model read the logic, which goes before the widget's children do.
  delete m_table;
  delete m_model;
}

void CWndAllParams::Sync() {
  m_logic->Sync();
  UpdateCommands();
}

void CWndAllParams::SetBusy(bool busy) {
  m_busy = busy;
  UpdateCommands();
}

void CWndAllParams::UpdateCommands() {
  const bool idle = !m_busy && !m_running;
  const bool connected = m_logic->DriveShown();
  for (QPushButton* button : {m_readAll, m_saveAll, m_load, m_compare}) button->setEnabled(idle && connected);
  const std::string fileTitle = m_logic->FileTitle();
  setWindowTitle(fileTitle.empty() ? Text(ids::AllParamsCaption) : Q(fileTitle));
  const QModelIndex current = m_table->currentIndex();
  m_edit->setEnabled(idle && current.isValid() && m_logic->CanEdit(static_cast<size_t>(current.row())));
  m_differing->setEnabled(m_logic->HasComparison());
  if (!m_logic->HasComparison() && m_differing->isChecked()) {
    const QSignalBlocker quiet(m_differing);
    m_differing->setChecked(false);
  }
}

void CWndAllParams::RunFlow(const std::function<void()>& flow) {
  if (m_busy || m_running || !m_frame.Link().IsOpen()) return;
  m_running = true;
  UpdateCommands();
  flow();
  m_running = false;
  UpdateCommands();
  // The progress window and the boxes belong to the main window: the table the
  // user worked in comes back on top when they close.
  if (isVisible()) {
    raise();
    activateWindow();
  }
}

void CWndAllParams::OnReadAll() {
  RunFlow([this] { (void)m_logic->ReadAll(); });  // told the user itself
}

void CWndAllParams::OnEdit() {
  const QModelIndex current = m_table->currentIndex();
  if (!current.isValid() || !m_logic->CanEdit(static_cast<size_t>(current.row()))) return;
  const auto edit = [this, row = static_cast<size_t>(current.row())] { (void)m_logic->Edit(row); };
  if (m_logic->FileOpen()) RunFileFlow(edit);
  else RunFlow(edit);
}

void CWndAllParams::OnSaveAll() {
  RunFlow([this] { (void)m_logic->SaveAll(); });
}

void CWndAllParams::OnLoadFile() {
  RunFlow([this] { (void)m_logic->LoadFile(); });
}

void CWndAllParams::OnCompareFile() {
  RunFlow([this] { (void)m_logic->CompareFile(); });
}

void CWndAllParams::RunFileFlow(const std::function<void()>& flow) {
  if (m_busy || m_running) return;
  m_running = true;
  UpdateCommands();
  flow();
  m_running = false;
  UpdateCommands();
}

void CWndAllParams::OnNewFile() {
  RunFileFlow([this] { (void)m_logic->NewFile(); });  // each tells the user itself
}

void CWndAllParams::OnOpenFile() {
  RunFileFlow([this] { (void)m_logic->OpenFile(); });
}

void CWndAllParams::OnSaveFile() {
  RunFileFlow([this] { (void)m_logic->SaveFile(); });
}

void CWndAllParams::OnSaveFileAs() {
  RunFileFlow([this] { (void)m_logic->SaveFileAs(); });
}

void CWndAllParams::OnCompareFiles() {
  RunFileFlow([this] { (void)m_logic->CompareFiles(); });
}

std::optional<size_t> CWndAllParams::AskChoice(const std::string& question, const std::vector<std::string>& items) {
  if (choiceRunner) return choiceRunner(items);
  QStringList list;
  for (const std::string& item : items) list << Q(item);
  bool ok = false;
  const QString chosen = QInputDialog::getItem(this, Text(ids::MenuDeskNew).remove(QStringLiteral("...")), Q(question),
                                               list, 0, false, &ok);
  if (!ok) return std::nullopt;
  return static_cast<size_t>(list.indexOf(chosen));
}

void CWndAllParams::ShowFileComparison(const std::string& left, const std::string& right,
                                       const std::vector<DpfComparison>& rows) {
  CDlgCompare dialog(left, right, rows, this);
  if (fileCompareRunner) fileCompareRunner(dialog);
  else dialog.exec();
}

bool CWndAllParams::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_table && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      OnEdit();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void CWndAllParams::RowsChanged() {
  if (!m_model) return;  // rows built while the window is made
  m_model->Reset();
  // A heading's text runs across the row.
  m_table->clearSpans();
  for (size_t r = 0; r < m_logic->ShownCount(); ++r) {
    if (m_logic->ShownRow(r).kind == RowKind::Category) {
      m_table->setSpan(static_cast<int>(r), 0, 1, static_cast<int>(TableColumn::Count));
    }
  }
  UpdateCommands();
}

void CWndAllParams::ValuesChanged() {
  if (m_model) m_model->Refresh();
}

void CWndAllParams::SetStatusText(const std::string& text) { m_status->setText(Q(text)); }

std::optional<int32_t> CWndAllParams::AskValue(const ValueRequest& request) {
  CDlgEditValue dialog(request, this);
  if (m_editRunner(dialog) != QDialog::Accepted) return std::nullopt;
  return dialog.Value();
}
