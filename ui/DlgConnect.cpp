#include "ui/DlgConnect.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStringList>
#include <QStyledItemDelegate>

#include <algorithm>

#include "files/IniFile.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "serial/PortProbe.h"
#include "serial/Rs232.h"
#include "ui/DialogUnits.h"
#include "ui/DlgFindDrive.h"

namespace {
QString Q(int id) { return QString::fromStdString(res::LoadString(id)); }

// Drop-down lists are placed by their closed height: one line of the form font.
constexpr int kComboHeight = 12;
// Why the selected port cannot be opened is said just under the "Board" box.
constexpr int kProblemTop = 38;
// Find Drive sits under Connect, in a row of its own.
constexpr int kFindRow = 18;

// The closed list shows the number, which is what is picked and stored; the open
// list shows each port with its device, adapter and status.
constexpr int kLabelRole = Qt::UserRole + 1;

class CPortLabelDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const QString label = index.data(kLabelRole).toString();
    if (!label.isEmpty()) option->text = label;
  }
};
}  // namespace

CDlgConnect::CDlgConnect(int layout, bool extended, CRs232CB& link, CPromptInterface& prompt, QWidget* parent,
                         int32_t port, int32_t baudRate)
    : QDialog(parent), m_layout(layout), m_logic(extended, port, baudRate), m_prompt(prompt), m_link(link) {
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  Build();
}

CDlgConnect::~CDlgConnect() = default;

void CDlgConnect::Build() {
  const QFont font = CDialogUnits::FormFont();
  setFont(font);
  const CDialogUnits du(font);
  const bool extended = m_layout == connectdlg::kLayoutExtended;
  // Each form has a row more than its classic size, for Find Drive.
  m_formSize = du.Size(112, (extended ? 123 : 93) + kFindRow);
  setFixedSize(m_formSize);
  setWindowTitle(Q(ids::ConnectCaption));

  auto* board = new QGroupBox(Q(ids::ConnectBoard), this);
  board->setGeometry(du.Rect(6, 6, 102, 30));
  Place(board, false, Grow::Widen);

  m_portLabel = new QLabel(Q(ids::ConnectPortNo), this);
  m_portLabel->setGeometry(du.Rect(12, 18, 48, 12));
  m_portLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  m_portList = new QComboBox(this);
  m_portList->setGeometry(du.Rect(66, 18, 36, kComboHeight));
  m_portList->setMaxVisibleItems(114 / kComboHeight);
  Place(m_portList, false, Grow::FollowRight);

  m_problem = new QLabel(this);
  m_problem->setGeometry(du.Rect(6, kProblemTop, 102, 0));
  m_problem->setTextFormat(Qt::PlainText);
  m_problem->setWordWrap(true);
  m_problem->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  m_problem->setTextInteractionFlags(Qt::TextSelectableByMouse);  // the advice may hold a command to copy
  m_problem->hide();

  m_options = new QCheckBox(Q(ids::ConnectOptions), this);
  if (extended) {
    auto* frame = new QGroupBox(this);
    frame->setGeometry(du.Rect(6, 42, 102, 42));
    frame->lower();
    Place(frame, true, Grow::Widen);
    m_options->setGeometry(du.Rect(12, 42, 42, 10));
    m_options->setAutoFillBackground(true);  // sits on the frame's top edge as its title

    auto* baudLabel = new QLabel(Q(ids::ConnectBaudrate), this);
    baudLabel->setGeometry(du.Rect(12, 60, 34, 12));
    baudLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_baudList = new QComboBox(this);
    m_baudList->setGeometry(du.Rect(48, 60, 54, kComboHeight));
    m_baudList->setMaxVisibleItems(114 / kComboHeight);
    Place(baudLabel, true, Grow::Keep);
    Place(m_baudList, true, Grow::Widen);
  } else {
    m_options->setGeometry(du.Rect(12, 42, 90, 10));
  }

  m_connect = new QPushButton(Q(ids::ConnectButton), this);
  m_connect->setGeometry(extended ? du.Rect(6, 90, 102, 24) : du.Rect(6, 60, 102, 24));
  m_connect->setDefault(true);
  m_find = new QPushButton(Q(ids::ScanFindDrive), this);
  m_find->setGeometry(extended ? du.Rect(6, 118, 102, 14) : du.Rect(6, 88, 102, 14));
  m_find->setAutoDefault(false);
  Place(m_options, true, Grow::Keep);
  Place(m_connect, true, Grow::Widen);
  Place(m_find, true, Grow::Widen);

  // The larger bold font of the port label and the Connect button.
  // A cell 20 pixels high where the form font is 8 points at 96 dots an inch:
  // sized from the form font, so the two keep their proportion at any scale.
  constexpr double kBoldScale = 15.0 / (8.0 * 96.0 / 72.0);
  m_boldFont = font;
  m_boldFont.setBold(true);
  m_boldFont.setPointSizeF(font.pointSizeF() * kBoldScale);
  m_portLabel->setFont(m_boldFont);
  m_connect->setFont(m_boldFont);

  CIniFile config;
  config.UseConfigFile();
  m_logic.InitialiseProbed(connectdlg::ProbeListedPorts(), config);

  m_portList->setItemDelegate(new CPortLabelDelegate(m_portList));
  const std::vector<std::string>& entries = m_logic.PortEntries();
  auto* items = qobject_cast<QStandardItemModel*>(m_portList->model());
  for (size_t i = 0; i < entries.size(); ++i) {
    const int index = static_cast<int>(i);
    m_portList->addItem(QString::fromStdString(entries[i]));
    m_portList->setItemData(index, QString::fromStdString(m_logic.PortLabel(index)), kLabelRole);
    m_portList->setItemData(index, QString::fromStdString(m_logic.PortDetails(index)), Qt::ToolTipRole);
    // Listed so the user sees it is gone, but it cannot be picked.
    if (!m_logic.PortSelectable(index) && items) items->item(index)->setEnabled(false);
  }
  // The open list is as wide as its longest line, not as the narrow closed box.
  int widest = 0;
  for (int i = 0; i < m_portList->count(); ++i) {
    widest = std::max(widest, m_portList->view()->sizeHintForIndex(m_portList->model()->index(i, 0)).width());
  }
  m_portList->view()->setMinimumWidth(widest + m_portList->view()->verticalScrollBar()->sizeHint().width());
  m_portList->setCurrentIndex(m_logic.PortSelection());
  connect(m_portList, &QComboBox::currentIndexChanged, this, [this](int index) {
    m_logic.SelectPort(index);
    ShowPortProblem();
  });
  ShowPortProblem();
  if (m_baudList) {
    for (const std::string& text : m_logic.BaudEntries()) m_baudList->addItem(QString::fromStdString(text));
    m_baudList->setCurrentIndex(m_logic.BaudSelection());
    m_options->setChecked(true);
  }

  connect(m_connect, &QPushButton::clicked, this, &CDlgConnect::OnConnect);
  connect(m_find, &QPushButton::clicked, this, &CDlgConnect::OnFindDrive);
  // Any click on "Options" ends the dialog; the caller shows the other layout.
  connect(m_options, &QCheckBox::clicked, this, [this] { done(connectdlg::kOptionsToggle); });
  m_connect->setFocus();
}

void CDlgConnect::OnConnect() {
  m_logic.SelectPort(m_portList->currentIndex());
  if (m_baudList) m_logic.SelectBaud(m_baudList->currentIndex());
  CIniFile config;
  config.UseConfigFile();
  if (m_logic.Connect(m_link, config, m_prompt)) {
    accept();
  } else {
    ShowPortProblem();  // the port was probed again: say why it failed
  }
}

void CDlgConnect::OnFindDrive() {
  CDlgFindDrive search(this);
  const int result = m_findRunner ? m_findRunner(search) : search.exec();
  if (result != QDialog::Accepted || !search.Picked()) return;
  const auto [port, baud] = *search.Picked();
  if (baud > 0 && !m_baudList) {
    // The rate shows only in the extended layout: the caller opens it with the drive.
    m_found = {port, baud};
    done(connectdlg::kTakeFound);
    return;
  }
  m_logic.TakeFound(port, baud);
  m_portList->setCurrentIndex(m_logic.PortSelection());
  if (m_baudList) {
    const std::vector<std::string>& rates = m_logic.BaudEntries();
    while (m_baudList->count() < static_cast<int>(rates.size())) {
      m_baudList->addItem(QString::fromStdString(rates[static_cast<size_t>(m_baudList->count())]));
    }
    m_baudList->setCurrentIndex(m_logic.BaudSelection());
  }
  m_connect->setFocus();
}

void CDlgConnect::Place(QWidget* widget, bool belowBoard, Grow grow) {
  m_placed.push_back({widget, widget->geometry(), belowBoard, grow});
}

void CDlgConnect::ShowPortProblem() {
  const CDialogUnits du(font());
  const std::string problem = m_logic.PortProblem();
  int shift = 0;
  int extra = 0;
  if (problem.empty()) {
    m_problem->hide();
  } else {
    const QString text = QString::fromStdString(problem);
    m_problem->setText(text);
    m_problem->setToolTip(QString::fromStdString(m_logic.PortDetails(m_logic.PortSelection())));
    // A line after a colon is a command or a path: wrapped, it could not be copied
    // as it stands, and a path has no blank to wrap at.
    const QFontMetrics metrics(m_problem->font());
    const QStringList lines = text.split(QLatin1Char('\n'));
    int widest = du.X(102);
    for (int i = 1; i < lines.size(); ++i) {
      if (lines[i - 1].endsWith(QLatin1Char(':'))) widest = std::max(widest, metrics.horizontalAdvance(lines[i]) + 2);
    }
    const int width = std::min(widest, du.X(2 * 102));
    extra = width - du.X(102);
    const int height = m_problem->heightForWidth(width);
    m_problem->setGeometry(du.X(6), du.Y(kProblemTop), width, height);
    m_problem->show();
    shift = height + du.Y(2);
  }
  for (const Placed& placed : m_placed) {
    QRect rect = placed.form.translated(0, placed.belowBoard ? shift : 0);
    if (placed.grow == Grow::Widen) rect.adjust(0, 0, extra, 0);
    if (placed.grow == Grow::FollowRight) rect.translate(extra, 0);
    placed.widget->setGeometry(rect);
  }
  setFixedSize(m_formSize + QSize(extra, shift));
}
