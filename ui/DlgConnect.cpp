#include "ui/DlgConnect.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "files/IniFile.h"
#include "serial/Rs232.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"
#include "serial/Rs232.h"
#include "ui/DialogUnits.h"

namespace {
QString Q(int id) { return QString::fromStdString(res::LoadString(id)); }

// Drop-down lists are placed by their closed height: one line of the form font.
constexpr int kComboHeight = 12;
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
  setFixedSize(du.Size(112, extended ? 123 : 93));
  setWindowTitle(Q(ids::ConnectCaption));

  auto* board = new QGroupBox(Q(ids::ConnectBoard), this);
  board->setGeometry(du.Rect(6, 6, 102, 30));

  m_portLabel = new QLabel(Q(ids::ConnectPortNo), this);
  m_portLabel->setGeometry(du.Rect(12, 18, 48, 12));
  m_portLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  m_portList = new QComboBox(this);
  m_portList->setGeometry(du.Rect(66, 18, 36, kComboHeight));
  m_portList->setMaxVisibleItems(114 / kComboHeight);

  m_options = new QCheckBox(Q(ids::ConnectOptions), this);
  if (extended) {
    auto* frame = new QGroupBox(this);
    frame->setGeometry(du.Rect(6, 42, 102, 42));
    frame->lower();
    m_options->setGeometry(du.Rect(12, 42, 42, 10));
    m_options->setAutoFillBackground(true);  // sits on the frame's top edge as its title

    auto* baudLabel = new QLabel(Q(ids::ConnectBaudrate), this);
    baudLabel->setGeometry(du.Rect(12, 60, 34, 12));
    baudLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_baudList = new QComboBox(this);
    m_baudList->setGeometry(du.Rect(48, 60, 54, kComboHeight));
    m_baudList->setMaxVisibleItems(114 / kComboHeight);
  } else {
    m_options->setGeometry(du.Rect(12, 42, 90, 10));
  }

  m_connect = new QPushButton(Q(ids::ConnectButton), this);
  m_connect->setGeometry(extended ? du.Rect(6, 90, 102, 24) : du.Rect(6, 60, 102, 24));
  m_connect->setDefault(true);

  // The larger bold font of the port label and the Connect button.
  m_boldFont = font;
  m_boldFont.setBold(true);
  m_boldFont.setPixelSize(15);  // a cell 20 pixels high, as the form was designed
  m_portLabel->setFont(m_boldFont);
  m_connect->setFont(m_boldFont);

  std::vector<unsigned> ports;
  CRs232CB::ListPorts(ports);
  CIniFile config;
  config.UseConfigFile();
  m_logic.Initialise(ports, config);

  for (const std::string& text : m_logic.PortEntries()) m_portList->addItem(QString::fromStdString(text));
  m_portList->setCurrentIndex(m_logic.PortSelection());
  if (m_baudList) {
    for (const std::string& text : m_logic.BaudEntries()) m_baudList->addItem(QString::fromStdString(text));
    m_baudList->setCurrentIndex(m_logic.BaudSelection());
    m_options->setChecked(true);
  }

  connect(m_connect, &QPushButton::clicked, this, &CDlgConnect::OnConnect);
  // Any click on "Options" ends the dialog; the caller shows the other layout.
  connect(m_options, &QCheckBox::clicked, this, [this] { done(connectdlg::kOptionsToggle); });
  m_connect->setFocus();
}

void CDlgConnect::OnConnect() {
  m_logic.SelectPort(m_portList->currentIndex());
  if (m_baudList) m_logic.SelectBaud(m_baudList->currentIndex());
  CIniFile config;
  config.UseConfigFile();
  if (m_logic.Connect(m_link, config, m_prompt)) accept();
}
