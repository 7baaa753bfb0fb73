#include "winui/StatusWindow.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "flows/FrameLogic.h"
#include "flows/StatusPoll.h"
#include "resources/StringIds.h"
#include "winui/ResourceIds.h"
#include "winui/WinText.h"

namespace {

constexpr UINT_PTR kTickTimer = 1;
// The reads of one sample run back to back inside one tick for at most this long,
// and only while nothing waits in the queue: a click is taken before the next read.
constexpr DWORD kTickBudgetMs = 30;
constexpr int kHeaders[] = {ids::AllParamsColParam, ids::AllParamsColName, ids::AllParamsColValue,
                            ids::AllParamsColUnit};
constexpr int kWidths[] = {84, 216, 90, 70};
constexpr int kValueColumn = 2;
constexpr COLORREF kTraceColors[] = {RGB(200, 60, 40), RGB(40, 110, 190), RGB(40, 150, 70), RGB(150, 80, 170),
                                     RGB(200, 130, 20)};
constexpr COLORREF kAlarmText = RGB(200, 0, 0);
constexpr COLORREF kAlarmBack = RGB(255, 228, 225);
constexpr COLORREF kGrid = RGB(225, 228, 235);
constexpr COLORREF kLaneFrame = RGB(180, 185, 195);

void SetCell(HWND list, int row, int column, const std::string& text) {
  std::wstring wide = winui::W(text);
  LVITEMW item = {};
  item.iSubItem = column;
  item.pszText = wide.data();
  SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void Text(HDC dc, const std::string& text, RECT box, UINT format, COLORREF color) {
  SetTextColor(dc, color);
  const std::wstring wide = winui::W(text);
  DrawTextW(dc, wide.c_str(), -1, &box, format | DT_SINGLELINE | DT_NOPREFIX);
}

void Line(HDC dc, int x1, int y1, int x2, int y2) {
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
}

}  // namespace

CStatusWindow::CStatusWindow(CFrameLogic& frame, const CParamDescFile& model)
    : m_poll(std::make_unique<CStatusPoll>(frame, model)) {
  m_poll->SetRate(CStatusPoll::kDefaultRate);
  m_poll->onChanged = [this] { Redraw(); };
}

CStatusWindow::~CStatusWindow() {
  m_poll->onChanged = nullptr;
  if (m_window) DestroyWindow(m_window);
  if (m_bold) DeleteObject(m_bold);
}

void CStatusWindow::Show(HWND owner) {
  if (!m_window) {
    m_window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_STATUS), owner, DialogProc,
                                  reinterpret_cast<LPARAM>(this));
    if (!m_window) return;
  }
  ShowWindow(m_window, SW_SHOW);
  SetForegroundWindow(m_window);
  Sync();
}

void CStatusWindow::Sync() {
  if (!m_window || !IsWindowVisible(m_window) || m_poll->Active()) return;
  // A poll that stopped on a lost drive keeps saying why until a drive is there again.
  if (m_poll->Start()) Schedule(0);
  else Redraw();
}

bool CStatusWindow::PreTranslate(MSG& message) {
  if (!m_window || !IsWindowVisible(m_window) || (message.hwnd != m_window && !IsChild(m_window, message.hwnd))) {
    return false;
  }
  return IsDialogMessageW(m_window, &message) != FALSE;
}

void CStatusWindow::Schedule(int64_t waitMs) {
  if (!m_window || waitMs < 0) return;
  SetTimer(m_window, kTickTimer, static_cast<UINT>(std::max<int64_t>(waitMs, USER_TIMER_MINIMUM)), nullptr);
}

void CStatusWindow::OnTimer() {
  KillTimer(m_window, kTickTimer);
  const DWORD start = GetTickCount();
  int64_t wait = 0;
  do {
    wait = m_poll->Tick();
  } while (wait == 0 && GetTickCount() - start < kTickBudgetMs &&
           HIWORD(GetQueueStatus(QS_INPUT | QS_POSTMESSAGE | QS_SENDMESSAGE)) == 0);
  Schedule(wait);
}

INT_PTR CALLBACK CStatusWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    winui::FromInteger<CStatusWindow*>(lParam)->m_window = window;
  }
  auto* self = winui::FromInteger<CStatusWindow*>(GetWindowLongPtrW(window, DWLP_USER));
  return self ? self->Handle(message, wParam, lParam) : FALSE;
}

void CStatusWindow::OnInit() {
  winui::SetTexts(m_window, {{0, ids::LiveCaption}, {IDC_STATUS_RATE_LABEL, ids::LiveRateLabel}});
  const HWND rate = GetDlgItem(m_window, IDC_STATUS_RATE);
  for (const int perSecond : CStatusPoll::kRates) {
    const std::wstring text = winui::W(res::FormatString(ids::LiveRateItem, {std::to_string(perSecond)}));
    const LRESULT at = SendMessageW(rate, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageW(rate, CB_SETITEMDATA, static_cast<WPARAM>(at), perSecond);
    if (perSecond == CStatusPoll::kDefaultRate) SendMessageW(rate, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
  }
  m_list = GetDlgItem(m_window, IDC_STATUS_LIST);
  ListView_SetExtendedListViewStyle(m_list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  for (int c = 0; c < static_cast<int>(std::size(kHeaders)); ++c) {
    std::wstring title = winui::W(kHeaders[c]);
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = c == kValueColumn ? LVCFMT_RIGHT : LVCFMT_LEFT;
    column.pszText = title.data();
    column.cx = kWidths[c];
    SendMessageW(m_list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
  }
  LOGFONTW font = {};
  GetObjectW(winui::FromInteger<HFONT>(SendMessageW(m_list, WM_GETFONT, 0, 0)), sizeof(font), &font);
  font.lfWeight = FW_BOLD;
  m_bold = CreateFontIndirectW(&font);
  Redraw();
}

INT_PTR CStatusWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: OnInit(); return TRUE;
    case WM_TIMER:
      if (wParam == kTickTimer) OnTimer();
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDC_STATUS_RATE && HIWORD(wParam) == CBN_SELCHANGE) {
        const HWND rate = GetDlgItem(m_window, IDC_STATUS_RATE);
        const LRESULT at = SendMessageW(rate, CB_GETCURSEL, 0, 0);
        if (at != CB_ERR)
          m_poll->SetRate(static_cast<int>(SendMessageW(rate, CB_GETITEMDATA, static_cast<WPARAM>(at), 0)));
        Redraw();
      } else if (LOWORD(wParam) == IDC_STATUS_RECORD && HIWORD(wParam) == BN_CLICKED) {
        if (m_poll->Recording()) m_poll->StopRecording();
        else (void)m_poll->AskAndRecord();  // a failure was told
        Redraw();
      } else if (LOWORD(wParam) == IDCANCEL) {
        SendMessageW(m_window, WM_CLOSE, 0, 0);
      }
      return TRUE;
    case WM_NOTIFY: {
      auto* header = winui::FromInteger<NMHDR*>(lParam);
      if (header->hwndFrom != m_list || header->code != NM_CUSTOMDRAW) return FALSE;
      SetWindowLongPtrW(m_window, DWLP_MSGRESULT, OnCustomDraw(winui::FromInteger<NMLVCUSTOMDRAW*>(lParam)));
      return TRUE;
    }
    case WM_DRAWITEM:
      if (wParam != IDC_STATUS_PLOT) return FALSE;
      DrawPlot(*winui::FromInteger<DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_CLOSE:
      // A recording outlives the window; reading for nobody does not.
      if (!m_poll->Recording()) {
        KillTimer(m_window, kTickTimer);
        m_poll->Stop();
      }
      ShowWindow(m_window, SW_HIDE);
      return TRUE;
    default: return FALSE;
  }
}

LRESULT CStatusWindow::OnCustomDraw(NMLVCUSTOMDRAW* draw) const {
  if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw->nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  const size_t row = draw->nmcd.dwItemSpec;
  const std::vector<StatusItem>& items = m_poll->Items();
  if (row >= items.size() || !items[row].Alarm()) return CDRF_DODEFAULT;
  draw->clrText = kAlarmText;
  draw->clrTextBk = kAlarmBack;
  SelectObject(draw->nmcd.hdc, m_bold);
  return CDRF_NEWFONT;
}

void CStatusWindow::Redraw() {
  if (!m_window) return;
  const std::vector<StatusItem>& items = m_poll->Items();
  if (items.size() != m_shownRows) {
    SendMessageW(m_list, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < items.size(); ++i) {
      std::wstring ref = winui::W(items[i].refText);
      LVITEMW item = {};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(i);
      item.pszText = ref.data();
      SendMessageW(m_list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
      SetCell(m_list, static_cast<int>(i), 1, items[i].name);
      SetCell(m_list, static_cast<int>(i), 3, items[i].unit);
    }
    m_shownRows = items.size();
  }
  for (size_t i = 0; i < items.size(); ++i) {
    SetCell(m_list, static_cast<int>(i), kValueColumn, items[i].value ? std::to_string(*items[i].value) : "");
  }
  SetDlgItemTextW(m_window, IDC_STATUS_RECORD,
                  winui::W(m_poll->Recording() ? ids::LiveRecordStop : ids::LiveRecordStart).c_str());
  EnableWindow(GetDlgItem(m_window, IDC_STATUS_RECORD), m_poll->Recording() || m_poll->Active() ? TRUE : FALSE);
  SetDlgItemTextW(m_window, IDC_STATUS_STATE, winui::W(m_poll->StateText()).c_str());
  InvalidateRect(GetDlgItem(m_window, IDC_STATUS_PLOT), nullptr, FALSE);
}

void CStatusWindow::DrawPlot(const DRAWITEMSTRUCT& item) const {
  const RECT whole = item.rcItem;
  const int width = whole.right - whole.left;
  const int height = whole.bottom - whole.top;
  // Drawn aside and copied at once, so the strip chart never flickers at 20 a second.
  const HDC dc = CreateCompatibleDC(item.hDC);
  const HBITMAP bitmap = CreateCompatibleBitmap(item.hDC, width, height);
  const HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  const HGDIOBJ oldFont = SelectObject(dc, winui::FromInteger<HGDIOBJ>(SendMessageW(m_window, WM_GETFONT, 0, 0)));
  const RECT all = {0, 0, width, height};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  TEXTMETRICW metrics = {};
  GetTextMetricsW(dc, &metrics);
  const int line = metrics.tmHeight;
  const int margin = 4, scaleWidth = 8 * metrics.tmAveCharWidth, valueWidth = 11 * metrics.tmAveCharWidth;
  Text(dc, res::LoadString(ids::LivePlotTitle), {margin, margin, width - margin, margin + line}, DT_LEFT, RGB(0, 0, 0));
  const RECT area = {margin + scaleWidth, margin + line + 4, width - margin - valueWidth, height - margin};
  const std::vector<PlotTrace> traces = m_poll->Traces();
  if (traces.empty() || area.right - area.left < 20 || area.bottom - area.top < 20) {
    Text(dc, res::LoadString(ids::LivePlotEmpty), area, DT_CENTER | DT_VCENTER, RGB(90, 90, 90));
  } else {
    const HPEN grid = CreatePen(PS_SOLID, 1, kGrid);
    const HPEN frame = CreatePen(PS_SOLID, 1, kLaneFrame);
    const HGDIOBJ oldPen = SelectObject(dc, grid);
    const int span = static_cast<int>(CStatusPoll::kPlotSpanMs / 1000);
    for (int s = 0; s <= span; s += 10) {
      const int x = area.right - (area.right - area.left) * s / span;
      Line(dc, x, area.top, x, area.bottom);
    }
    const int lanes = static_cast<int>(traces.size());
    for (int i = 0; i < lanes; ++i) {
      const PlotTrace& trace = traces[static_cast<size_t>(i)];
      const COLORREF color = kTraceColors[static_cast<size_t>(i) % std::size(kTraceColors)];
      const int top = area.top + (area.bottom - area.top) * i / lanes;
      const int bottom = area.top + (area.bottom - area.top) * (i + 1) / lanes;
      SelectObject(dc, frame);
      SelectObject(dc, GetStockObject(NULL_BRUSH));
      Rectangle(dc, area.left, top, area.right + 1, bottom + 1);
      Text(dc, trace.name + " (" + trace.unit + ")", {area.left + 4, top + 1, area.right, top + 1 + line}, DT_LEFT,
           color);
      if (trace.points.empty()) continue;
      const int plotTop = top + line + 2, plotBottom = bottom - 4;
      Text(dc, std::to_string(trace.high), {margin, plotTop - line / 2, area.left - 4, plotTop + line / 2}, DT_RIGHT,
           RGB(0, 0, 0));
      Text(dc, std::to_string(trace.low), {margin, plotBottom - line / 2, area.left - 4, plotBottom + line / 2},
           DT_RIGHT, RGB(0, 0, 0));
      std::vector<POINT> points;
      points.reserve(trace.points.size());
      for (const auto& [x, y] : trace.points) {
        points.push_back({area.left + static_cast<LONG>(x * (area.right - area.left)),
                          plotBottom - static_cast<LONG>(y * (plotBottom - plotTop))});
      }
      const HPEN pen = CreatePen(PS_SOLID, 2, color);
      SelectObject(dc, pen);
      Polyline(dc, points.data(), static_cast<int>(points.size()));
      const POINT last = points.back();
      const HBRUSH dot = CreateSolidBrush(color);
      SelectObject(dc, dot);
      Ellipse(dc, last.x - 3, last.y - 3, last.x + 4, last.y + 4);
      SelectObject(dc, frame);
      DeleteObject(dot);
      DeleteObject(pen);
      Text(dc, trace.latest, {area.right + 6, last.y - line / 2, width - margin, last.y + line / 2}, DT_LEFT, color);
    }
    SelectObject(dc, oldPen);
    DeleteObject(grid);
    DeleteObject(frame);
  }
  BitBlt(item.hDC, whole.left, whole.top, width, height, dc, 0, 0, SRCCOPY);
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(dc);
}
