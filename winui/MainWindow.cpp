#include "winui/MainWindow.h"

#include <commctrl.h>

#include <cstring>
#include <vector>

#include "flows/CompareTable.h"
#include "flows/ConnectLogic.h"
#include "flows/DpfFlows.h"
#include "flows/DriveSession.h"
#include "flows/MotorDb.h"
#include "params/ParamDescFile.h"
#include "resources/StringIds.h"
#include "winui/AboutBox.h"
#include "winui/CompareDialog.h"
#include "winui/ConnectDialog.h"
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

// The toolbar as shipped: Connect, Disconnect, a separator, Load File, Save to File;
// its pictures (IDB_TOOLBAR) come in the same order.
constexpr int kToolBarCommands[] = {ID_DRIVE_CONNECT, ID_DRIVE_DISCONNECT, 0, ID_PARAM_LOAD, ID_PARAM_SAVE};

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
    {ID_APP_EXIT, ids::MenuExit, nullptr},
    {ID_PARAM_LOAD, ids::MenuLoadFile, nullptr},
    {ID_PARAM_SAVE, ids::MenuSaveFile, nullptr},
    {ID_PARAM_COMPARE, ids::MenuCompareFile, nullptr},
    {ID_MOTORDB_IMPORT, ids::MenuImportMotorDb, L"Ctrl+Shift+I"},
    {ID_MOTORDB_EXPORT, ids::MenuExportMotorDb, L"Ctrl+Shift+E"},
    {ID_VIEW_TOOLBAR, ids::ToolbarStandard, nullptr},
    {ID_VIEW_STATUS_BAR, ids::MenuStatusBar, nullptr},
    {ID_APP_ABOUT, ids::MenuAbout, nullptr},
};
constexpr int kPopupTexts[] = {ids::MenuDrive, ids::MenuParameters, ids::MenuView, ids::MenuHelp};

}  // namespace

CMainWindow::CMainWindow(CVcmCommand& link, CParamDescFile& model)
    : m_link(link), m_model(model), m_logic(link, m_prompt), m_view(link, model, m_prompt) {
  m_logic.SetCheckLinkPoster([this] { PostMessageW(m_view.Window(), UM_CHECK_LINK, 0, 0); });
}

CMainWindow::~CMainWindow() {
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
  const int parts[] = {width - 60, -1};
  SendMessageW(m_statusBar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
  ShowPrompt(0);
}

void CMainWindow::ShowPrompt(int command) {
  const std::string prompt = command ? res::CommandPrompt(command) : std::string();
  if (m_idleText.empty()) m_idleText = winui::W(ids::StatusReady);
  const std::wstring text = prompt.empty() ? m_idleText : winui::W(prompt);
  SendMessageW(m_statusBar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
  const std::wstring num = (GetKeyState(VK_NUMLOCK) & 1) ? winui::W(ids::IndicatorNum) : std::wstring();
  SendMessageW(m_statusBar, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(num.c_str()));
}

void CMainWindow::WatchLine() {
  // While a flow runs (its box or progress window disables the frame) the flow
  // itself meets a lost line; asking then would only race it.
  if (!IsConnected() || !IsWindowEnabled(m_window)) return;
  const unsigned port = m_link.GetPortNumber();
  if (!m_link.LineHungUp()) return;
  m_idleText = winui::W(res::FormatString(ids::StatusDriveLost, {std::to_string(port)}));
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
  const HMENU menu = GetMenu(m_window);
  auto enable = [&](int command, bool on) {
    EnableMenuItem(menu, static_cast<UINT>(command), MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    SendMessageW(m_toolBar, TB_ENABLEBUTTON, static_cast<WPARAM>(command), on ? TRUE : FALSE);
  };
  enable(ID_DRIVE_CONNECT, !connected);
  for (int command : kNeedConnection) enable(command, connected);
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
      if (m_view.Window()) SetFocus(m_view.Window());
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

void CMainWindow::OnCommand(int command) {
  const bool connected = IsConnected();
  switch (command) {
    case ID_DRIVE_CONNECT:
      if (!connected) OnConnect();
      break;
    case ID_DRIVE_DISCONNECT: PostMessageW(m_view.Window(), UM_DISCONNECT, 0, 0); break;
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
  for (;;) {
    // Each dialog starts from Config.ini again.
    CConnectDialog dialog(layout, m_link, m_prompt);
    const int result = dialog.Run(m_window);
    if (result == IDOK) {
      PostMessageW(m_view.Window(), UM_CHECK_LINK, 0, 0);
      return;
    }
    if (result != connectdlg::kOptionsToggle) return;
    layout = connectdlg::OtherLayout(layout);
  }
}

void CMainWindow::OnCompare() {
  CompareWithFile(m_logic, m_model,
                  [this](const std::string& name, const std::string& fileVersion, bool otherModel,
                         const std::vector<DpfComparison>& rows) {
                    return RunCompareDialog(m_window, name, fileVersion, otherModel, rows) == IDOK;
                  });
}
