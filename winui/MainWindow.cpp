#include "winui/MainWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "flows/CompareTable.h"
#include "flows/ConnectLogic.h"
#include "flows/DpfFlows.h"
#include "flows/DriveSession.h"
#include "flows/MotorDb.h"
#include "params/ParamDescFile.h"
#include "resources/Paths.h"
#include "resources/StringIds.h"
#include "winui/AboutBox.h"
#include "winui/CompareDialog.h"
#include "winui/ConnectDialog.h"
#include "winui/HistoryDialog.h"
#include "winui/ResourceIds.h"
#include "winui/WinText.h"

namespace {

// Shown as part of the frame; IsWindowVisible also asks the frame, hidden while it is built.
bool Shown(HWND window) { return (GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

constexpr int kToolPictureSize = 24;
constexpr UINT_PTR kUiTimer = 1;
// Posted to the frame by itself once it has been painted for the first time.
constexpr UINT kFinishStart = WM_USER + 1;
constexpr UINT kUiRefreshMs = 200;

// Commands that need an open port; Connect needs the opposite.
constexpr int kNeedConnection[] = {ID_DRIVE_DISCONNECT, ID_DRIVE_REFRESH,  ID_PARAM_LOAD,    ID_PARAM_SAVE,
                                   ID_PARAM_COMPARE,    ID_MOTORDB_IMPORT, ID_MOTORDB_EXPORT};

// The toolbar as shipped: Connect, Disconnect, a separator, Load File, Save to File,
// a separator, All Parameters, Drive Status;
// its pictures (IDB_TOOLBAR) come in the same order.
constexpr int kToolBarCommands[] = {ID_DRIVE_CONNECT,   ID_DRIVE_DISCONNECT, 0, ID_PARAM_LOAD, ID_PARAM_SAVE, 0,
                                    ID_PARAM_ALLPARAMS, ID_VIEW_STATUS};

// Menu items and the string ids of their texts; an accelerator's key follows a tab.
struct MenuText {
  int command;
  int textId;
  const wchar_t* keys;
};
constexpr MenuText kMenuTexts[] = {
    {ID_DRIVE_CONNECT, ids::MenuConnect, nullptr},
    {ID_DRIVE_DISCONNECT, ids::MenuDisconnect, nullptr},
    {ID_DRIVE_REFRESH, ids::MenuRefresh, L"F5"},
    {ID_DRIVE_HISTORY, ids::MenuHistory, nullptr},
    {ID_APP_EXIT, ids::MenuExit, nullptr},
    {ID_PARAM_LOAD, ids::MenuLoadFile, L"Ctrl+O"},
    {ID_PARAM_SAVE, ids::MenuSaveFile, L"Ctrl+S"},
    {ID_PARAM_COMPARE, ids::MenuCompareFile, nullptr},
    {ID_MOTORDB_IMPORT, ids::MenuImportMotorDb, L"Ctrl+Shift+I"},
    {ID_MOTORDB_EXPORT, ids::MenuExportMotorDb, L"Ctrl+Shift+E"},
    {ID_PARAM_ALLPARAMS, ids::MenuAllParams, L"Ctrl+T"},
    {ID_DESK_NEW, ids::MenuDeskNew, nullptr},
    {ID_DESK_OPEN, ids::MenuDeskOpen, nullptr},
    {ID_DESK_SAVE, ids::MenuDeskSave, nullptr},  // Ctrl+S saves the file in the table itself
    {ID_DESK_SAVEAS, ids::MenuDeskSaveAs, nullptr},
    {ID_DESK_COMPARE, ids::MenuDeskCompare, nullptr},
    {ID_VIEW_TOOLBAR, ids::ToolbarStandard, nullptr},
    {ID_VIEW_STATUS_BAR, ids::MenuStatusBar, nullptr},
    {ID_VIEW_STATUS, ids::MenuStatusView, nullptr},
    {ID_APP_ABOUT, ids::MenuAbout, nullptr},
};
constexpr int kPopupTexts[] = {ids::MenuDrive, ids::MenuParameters, ids::MenuView, ids::MenuHelp};

}  // namespace

CMainWindow::CMainWindow(CVcmCommand& link, CParamDescFile& model)
    : m_link(link),
      m_model(model),
      m_journal(res::JournalFolder(), "drive-setting " DS_VERSION),
      m_logic(link, m_prompt),
      m_view(link, model, m_prompt),
      m_allParams(m_logic, model),
      m_status(m_logic, model) {
  m_logic.SetCheckLinkPoster([this] { PostMessageW(m_view.Window(), UM_CHECK_LINK, 0, 0); });
  m_view.Logic().SetFlowState(&m_logic.FlowState());
  m_logic.SetJournal(&m_journal);
  m_view.Logic().SetJournal(&m_journal);
  m_logic.FlowState().SetListener([this] { OnFlowStateChanged(); });
  // A value the table wrote shows in the form's row at once.
  m_allParams.Logic().onWritten = [this] { m_view.Logic().SelectCurrentValues(); };
}

CMainWindow::~CMainWindow() {
  m_logic.FlowState().SetListener(nullptr);
  if (m_window) DestroyWindow(m_window);
  if (m_accelerators) DestroyAcceleratorTable(m_accelerators);
  if (m_toolImages) ImageList_Destroy(m_toolImages);
}

bool CMainWindow::Create(int show) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_PROGRAM));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = kClassName;
  RegisterClassExW(&windowClass);

  // Caption, system menu and minimize box: no sizing border, no maximize box.
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  m_window = CreateWindowExW(0, kClassName, winui::W(ids::FrameTitle).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT, 400,
                             400, nullptr, LoadMenuW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME)), instance, this);
  if (!m_window) return false;
  m_accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME));
  m_prompt.SetOwner(m_window);
  Relabel();
  BuildToolBar();
  m_statusBar = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, m_window, nullptr,
                                instance, nullptr);
  m_message = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0, 0, 0,
                              m_statusBar, nullptr, instance, nullptr);
  SendMessageW(m_message, WM_SETFONT, static_cast<WPARAM>(SendMessageW(m_statusBar, WM_GETFONT, 0, 0)), FALSE);
  Layout();
  SetTimer(m_window, kUiTimer, kUiRefreshMs, nullptr);
  UpdateCommandUi();
  ShowWindow(m_window, show);
  UpdateWindow(m_window);
  // The parameter form follows the first paint: each of its drop-down lists is a
  // window of its own for the system (an X window under Wine), together most of
  // what the start costs. The frame already has the form's size.
  PostMessageW(m_window, kFinishStart, 0, 0);
  return true;
}

void CMainWindow::FinishStart() {
  if (!m_view.Create(m_window)) {
    m_startFailed = true;
    DestroyWindow(m_window);
    return;
  }
  Layout();
  if (!m_model.Load(".\\ParamDefault.xml")) {
    (void)m_logic.ShowMessage(DescriptionFailedText(m_model), MsgIcon::Error, MsgButtons::Ok, ids::DescFileCaption);
    m_startFailed = true;
    DestroyWindow(m_window);
    return;
  }
  // Before the first connection the form shows the default model's rows, disabled.
  m_view.Logic().FillUserParams();
  SetFocus(m_view.Window());
}

SIZE CMainWindow::FormSize() const {
  RECT form = {};
  if (m_view.Window()) {
    GetWindowRect(m_view.Window(), &form);
    return {form.right - form.left, form.bottom - form.top};
  }
  // Before the form exists: the form's own template without its controls, made
  // and dropped at once, so the size comes out as the system maps the dialog's
  // units in its font, exactly as for the form itself.
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  const HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(IDD_VIEW), MAKEINTRESOURCEW(5));  // RT_DIALOG
  const HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
  const auto* bytes = loaded ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
  if (!bytes) return {0, 0};
  std::vector<unsigned char> bare(bytes, bytes + SizeofResource(instance, found));
  // DLGTEMPLATEEX: style at byte 12, the count of controls at byte 16.
  constexpr size_t kStyleAt = 12;
  constexpr size_t kCountAt = 16;
  DWORD style = 0;
  std::memcpy(&style, bare.data() + kStyleAt, sizeof style);
  style &= ~static_cast<DWORD>(WS_VISIBLE);
  std::memcpy(bare.data() + kStyleAt, &style, sizeof style);
  bare[kCountAt] = bare[kCountAt + 1] = 0;
  const HWND probe = CreateDialogIndirectParamW(
      instance, reinterpret_cast<const DLGTEMPLATE*>(bare.data()), m_window,
      [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
  if (!probe) return {0, 0};
  GetWindowRect(probe, &form);
  DestroyWindow(probe);
  return {form.right - form.left, form.bottom - form.top};
}

void CMainWindow::Relabel() {
  const HMENU menu = GetMenu(m_window);
  for (int i = 0; i < static_cast<int>(std::size(kPopupTexts)); ++i) {
    ModifyMenuW(menu, static_cast<UINT>(i), MF_BYPOSITION | MF_STRING | MF_POPUP,
                reinterpret_cast<UINT_PTR>(GetSubMenu(menu, i)), winui::W(kPopupTexts[i]).c_str());
  }
  for (const MenuText& item : kMenuTexts) {
    std::wstring text = winui::W(item.textId);
    if (item.keys) text += std::wstring(L"\t") + item.keys;
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    info.dwTypeData = text.data();
    SetMenuItemInfoW(menu, static_cast<UINT>(item.command), FALSE, &info);
  }
  DrawMenuBar(m_window);
}

void CMainWindow::BuildToolBar() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  m_toolBar =
      CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP,
                      0, 0, 0, 0, m_window, nullptr, instance, nullptr);
  SendMessageW(m_toolBar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  // The pictures' strip keeps its alpha; disabled buttons are greyed from it.
  const auto strip = static_cast<HBITMAP>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDB_TOOLBAR), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  m_toolImages = ImageList_Create(kToolPictureSize, kToolPictureSize, ILC_COLOR32, 0, 4);
  if (strip && m_toolImages) ImageList_Add(m_toolImages, strip, nullptr);
  if (strip) DeleteObject(strip);
  SendMessageW(m_toolBar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_toolImages));
  int picture = 0;
  for (int command : kToolBarCommands) {
    TBBUTTON button = {};
    if (command == 0) {
      button.fsStyle = BTNS_SEP;
    } else {
      // Pictures only, as on the other window; the text is the tooltip.
      button.iBitmap = picture++;
      button.idCommand = command;
      button.fsState = TBSTATE_ENABLED;
      button.fsStyle = BTNS_BUTTON;
    }
    SendMessageW(m_toolBar, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
  }
  SendMessageW(m_toolBar, TB_AUTOSIZE, 0, 0);
}

void CMainWindow::Layout() {
  // The client is exactly the form with the bars shown above and below it.
  const SIZE form = FormSize();
  const int width = form.cx;
  const int formHeight = form.cy;
  int top = 0;
  if (Shown(m_toolBar)) {
    SendMessageW(m_toolBar, TB_AUTOSIZE, 0, 0);
    RECT bar;
    GetWindowRect(m_toolBar, &bar);
    top = bar.bottom - bar.top;
  }
  int bottom = 0;
  SendMessageW(m_statusBar, WM_SIZE, 0, 0);  // takes the height its text needs now
  if (Shown(m_statusBar)) {
    RECT bar;
    GetWindowRect(m_statusBar, &bar);
    bottom = bar.bottom - bar.top;
  }
  if (m_view.Window()) SetWindowPos(m_view.Window(), nullptr, 0, top, 0, 0, SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
  RECT frame = {0, 0, width, top + formHeight + bottom};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(m_window, GWL_STYLE)), TRUE,
                     static_cast<DWORD>(GetWindowLongPtrW(m_window, GWL_EXSTYLE)));
  SetWindowPos(m_window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
  SendMessageW(m_statusBar, WM_SIZE, 0, 0);
  SetParts();
  ShowPrompt(0);
}

void CMainWindow::SetParts() {
  RECT client;
  GetClientRect(m_statusBar, &client);
  const int width = client.right - client.left;
  // The connection pane is as wide as its text, so it is never cut.
  const HDC dc = GetDC(m_statusBar);
  const HGDIOBJ old = SelectObject(dc, winui::FromInteger<HFONT>(SendMessageW(m_statusBar, WM_GETFONT, 0, 0)));
  SIZE text = {};
  GetTextExtentPoint32W(dc, m_connection.c_str(), static_cast<int>(m_connection.size()), &text);
  SelectObject(dc, old);
  ReleaseDC(m_statusBar, dc);
  constexpr int kNumWidth = 60;
  constexpr int kPadding = 16;
  const int parts[] = {width - kNumWidth - text.cx - kPadding, width - kNumWidth, -1};
  SendMessageW(m_statusBar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(parts));
  SendMessageW(m_statusBar, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(m_connection.c_str()));
}

void CMainWindow::ShowPrompt(int command) {
  const std::string prompt = command ? res::CommandPrompt(command) : std::string();
  if (m_idleText.empty()) m_idleText = winui::W(ids::StatusReady);
  // While a flow runs the pane says what runs.
  const int running = m_logic.FlowState().StatusTextId();
  const std::wstring idle = running ? winui::W(running) : m_idleText;
  const std::wstring text = prompt.empty() ? idle : winui::W(prompt);
  // Kept as the part's text too, where a reader of the window finds it.
  SendMessageW(m_statusBar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
  const std::wstring num = (GetKeyState(VK_NUMLOCK) & 1) ? winui::W(ids::IndicatorNum) : std::wstring();
  SendMessageW(m_statusBar, SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(num.c_str()));
  if (!m_message) return;
  RECT part;
  SendMessageW(m_statusBar, SB_GETRECT, 0, reinterpret_cast<LPARAM>(&part));
  InflateRect(&part, -3, -2);
  // As many lines as the text takes in the part's width; the bar grows to them.
  const HDC dc = GetDC(m_message);
  const HGDIOBJ old = SelectObject(dc, winui::FromInteger<HFONT>(SendMessageW(m_message, WM_GETFONT, 0, 0)));
  RECT measure = {0, 0, part.right - part.left, 0};
  DrawTextW(dc, text.c_str(), -1, &measure, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  TEXTMETRICW metrics = {};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(m_message, dc);
  const int lineHeight = std::max<int>(1, metrics.tmHeight);
  const int lines = std::max(1, static_cast<int>((measure.bottom - measure.top + lineHeight - 1) / lineHeight));
  SetWindowTextW(m_message, text.c_str());
  if (lines != m_messageLines) {
    m_messageLines = lines;
    SendMessageW(m_statusBar, SB_SETMINHEIGHT, static_cast<WPARAM>(lines * lineHeight), 0);
    Layout();  // comes back here with the bar's new height
    return;
  }
  SetWindowPos(m_message, nullptr, part.left, part.top, part.right - part.left, part.bottom - part.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void CMainWindow::WatchLine() {
  // While a flow runs the flow itself meets a lost line; asking then would only race it.
  if (!IsConnected() || IsBusy()) return;
  const std::optional<std::string> lost = IdleLineLost(m_link);
  if (!lost) return;
  m_idleText = winui::W(*lost);
  ShowPrompt(0);
}

void CMainWindow::UpdateCommandUi() {
  const bool connected = IsConnected();
  // A port lost inside any flow leaves the view showing a drive that is gone: it
  // is told here, once.
  if (m_wasConnected && !connected) PostMessageW(m_view.Window(), UM_DISCONNECT, 0, 0);
  // A new connection leaves the last one's loss behind.
  if (!m_wasConnected && connected && m_idleText != winui::W(ids::StatusReady)) {
    m_idleText = winui::W(ids::StatusReady);
    ShowPrompt(0);
  }
  m_wasConnected = connected;
  const std::wstring connection =
      connected ? winui::W(res::FormatString(ids::StatusConnected, {std::to_string(m_link.GetPortNumber()),
                                                                    std::to_string(m_link.GetBaudRate())}))
                : winui::W(ids::StatusNotConnected);
  if (connection != m_connection) {
    m_connection = connection;
    SetParts();
    ShowPrompt(0);
  }
  // While a flow runs no command starts another.
  const bool busy = IsBusy();
  const HMENU menu = GetMenu(m_window);
  auto enable = [&](int command, bool on) {
    EnableMenuItem(menu, static_cast<UINT>(command), MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    SendMessageW(m_toolBar, TB_ENABLEBUTTON, static_cast<WPARAM>(command), on ? TRUE : FALSE);
  };
  enable(ID_DRIVE_CONNECT, !connected && !busy);
  enable(ID_DRIVE_HISTORY, !busy);
  for (int command : kNeedConnection) enable(command, connected && !busy);
  m_allParams.SetBusy(busy);  // the table is the drive's window too: no command while a flow runs
  m_allParams.Sync();
  m_status.Sync();
  CheckMenuItem(menu, ID_VIEW_TOOLBAR, MF_BYCOMMAND | (Shown(m_toolBar) ? MF_CHECKED : MF_UNCHECKED));
  CheckMenuItem(menu, ID_VIEW_STATUS_BAR, MF_BYCOMMAND | (Shown(m_statusBar) ? MF_CHECKED : MF_UNCHECKED));
}

LRESULT CALLBACK CMainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<CMainWindow*>(winui::FromInteger<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->m_window = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = winui::FromInteger<CMainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return self ? self->Handle(message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CMainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case UM_REPORT_ERROR: {
      const LRESULT answer = m_logic.ReportError(static_cast<int>(wParam));
      UpdateCommandUi();
      return answer;
    }
    case UM_SAVE_DRIVE_PARAMS:
      // The save asks and reports itself; the view is answered 0 whatever came of it.
      (void)m_logic.SaveDriveParamsFor(static_cast<intptr_t>(wParam));
      UpdateCommandUi();
      return 0;
    case WM_COMMAND: OnCommand(LOWORD(wParam)); return 0;
    case WM_INITMENUPOPUP: UpdateCommandUi(); return 0;
    case WM_MENUSELECT:
      ShowPrompt((HIWORD(wParam) & (MF_POPUP | MF_SEPARATOR)) || HIWORD(wParam) == 0xFFFF ? 0 : LOWORD(wParam));
      return 0;
    case WM_TIMER:
      if (wParam == kUiTimer) {
        WatchLine();
        UpdateCommandUi();
      }
      return 0;
    case WM_NOTIFY: {
      auto* header = winui::FromInteger<NMHDR*>(lParam);
      if (header->code == TTN_GETDISPINFOW) {
        auto* tip = winui::FromInteger<NMTTDISPINFOW*>(lParam);
        static std::wstring text;  // the tooltip reads it after this returns
        text = winui::W(res::CommandTooltip(static_cast<int>(header->idFrom)));
        tip->lpszText = text.data();
      }
      return 0;
    }
    case kFinishStart: FinishStart(); return 0;
    case WM_SETFOCUS:
      if (m_view.Window()) m_view.TakeFocus();
      return 0;
    case WM_CLOSE: DestroyWindow(m_window); return 0;
    case WM_DESTROY:
      KillTimer(m_window, kUiTimer);
      m_window = nullptr;
      PostQuitMessage(m_startFailed ? 1 : 0);
      return 0;
    default: return DefWindowProcW(m_window, message, wParam, lParam);
  }
}

void CMainWindow::OnFlowStateChanged() {
  UpdateCommandUi();
  ShowPrompt(0);
  if (!IsBusy()) m_view.Logic().OnFlowsIdle();
}

void CMainWindow::OnCommand(int command) {
  // A command that talks to the drive waits for no flow: it is not taken at all.
  const bool connected = IsConnected() && !IsBusy();
  switch (command) {
    case ID_DRIVE_CONNECT:
      // The table shows the drive once connected: a file's unsaved edits are asked about first.
      if (!IsConnected() && !IsBusy() && m_allParams.Logic().CloseFileForDrive()) OnConnect();
      break;
    case ID_DRIVE_DISCONNECT:
      if (connected) PostMessageW(m_view.Window(), UM_DISCONNECT, 0, 0);
      break;
    case ID_DRIVE_REFRESH:
      if (connected) PostMessageW(m_view.Window(), UM_CHECK_LINK, 0, 0);
      break;
    // The flows tell the user themselves; their outcomes are for scripts.
    case ID_PARAM_LOAD:
      if (connected) (void)LoadParamFile(m_logic, m_model);
      break;
    case ID_PARAM_SAVE:
      if (connected) (void)SaveParamFile(m_logic, m_model);
      break;
    case ID_PARAM_COMPARE:
      if (connected) OnCompare();
      break;
    case ID_MOTORDB_IMPORT:
      if (connected) (void)ImportMotorDb(m_logic, m_model);
      break;
    case ID_MOTORDB_EXPORT:
      if (connected) (void)ExportMotorDb(m_logic);
      break;
    case ID_DRIVE_HISTORY:
      // Its undo writes: not while a flow runs. Without a drive it only shows.
      if (!IsBusy()) {
        CHistoryDialog history(m_journal, m_logic, m_model);
        history.onWritten = [this] { m_view.Logic().SelectCurrentValues(); };
        history.Run(m_window);
      }
      break;
    case ID_PARAM_ALLPARAMS: m_allParams.Show(m_window); break;
    case ID_DESK_NEW:
    case ID_DESK_OPEN:
    case ID_DESK_SAVE:
    case ID_DESK_SAVEAS:
    case ID_DESK_COMPARE:
      // Files without a drive run in the whole-drive table.
      m_allParams.Show(m_window);
      m_allParams.OnFileCommand(command);
      break;
    case ID_VIEW_STATUS: m_status.Show(m_window); break;
    case ID_APP_ABOUT: ShowAboutBox(m_window); break;
    case ID_APP_EXIT: DestroyWindow(m_window); return;
    case ID_VIEW_TOOLBAR:
      ShowWindow(m_toolBar, Shown(m_toolBar) ? SW_HIDE : SW_SHOW);
      Layout();
      break;
    case ID_VIEW_STATUS_BAR:
      ShowWindow(m_statusBar, Shown(m_statusBar) ? SW_HIDE : SW_SHOW);
      Layout();
      break;
    default: return;
  }
  UpdateCommandUi();
}

void CMainWindow::OnConnect() {
  int layout = connectdlg::kLayoutCompact;
  std::pair<int32_t, int32_t> found{0, 0};  // a drive Find Drive picked, shown with its rate
  for (;;) {
    // Each dialog starts from Config.ini again, but for a drive found.
    CConnectDialog dialog(layout, m_link, m_prompt, found.first, found.second);
    const int result = dialog.Run(m_window);
    if (result == IDOK) {
      PostMessageW(m_view.Window(), UM_CHECK_LINK, 0, 0);
      return;
    }
    found = result == connectdlg::kTakeFound ? dialog.Found() : std::pair<int32_t, int32_t>{0, 0};
    if (result == connectdlg::kTakeFound) layout = connectdlg::kLayoutExtended;
    else if (result == connectdlg::kOptionsToggle) layout = connectdlg::OtherLayout(layout);
    else return;
  }
}

void CMainWindow::OnCompare() {
  CompareWithFile(m_logic, m_model,
                  [this](const std::string& name, const std::string& fileVersion, bool otherModel,
                         const std::vector<DpfComparison>& rows, bool partial) {
                    return RunCompareDialog(m_window, name, fileVersion, otherModel, rows, partial) == IDOK;
                  });
}
