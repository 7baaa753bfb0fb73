#include "ui/StatusPlot.h"

#include <QPainter>
#include <QPainterPath>

#include "flows/StatusPoll.h"
#include "resources/StringIds.h"
#include "resources/Strings.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

const QColor kTraceColors[] = {QColor(200, 60, 40), QColor(40, 110, 190), QColor(40, 150, 70), QColor(150, 80, 170),
                               QColor(200, 130, 20)};
constexpr int kMargin = 6;
constexpr int kScaleWidth = 56;  // the lane's scale on the left
constexpr int kValueWidth = 84;  // the latest value on the right
constexpr int kSecondsPerGrid = 10;

}  // namespace

CStatusPlot::CStatusPlot(const CStatusPoll& poll, QWidget* parent) : QWidget(parent), m_poll(poll) {
  setMinimumSize(320, 160);
  setAutoFillBackground(true);
  QPalette colors = palette();
  colors.setColor(QPalette::Window, Qt::white);
  setPalette(colors);
}

void CStatusPlot::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QFontMetrics metrics(font());
  const int line = metrics.height();
  const std::vector<PlotTrace> traces = m_poll.Traces();
  p.setPen(palette().color(QPalette::WindowText));
  p.drawText(QRect(kMargin, kMargin, width() - 2 * kMargin, line), Qt::AlignLeft | Qt::AlignVCenter,
             Q(res::LoadString(ids::LivePlotTitle)));
  const QRect area(kMargin + kScaleWidth, kMargin + line + 4, width() - 2 * kMargin - kScaleWidth - kValueWidth,
                   height() - 2 * kMargin - line - 4);
  if (traces.empty() || area.width() < 20 || area.height() < 20) {
    p.drawText(area, Qt::AlignCenter, Q(res::LoadString(ids::LivePlotEmpty)));
    return;
  }
  // The time grid, shared by every lane: a line every ten seconds back from now.
  p.setPen(QPen(QColor(225, 228, 235), 1));
  const int span = static_cast<int>(CStatusPoll::kPlotSpanMs / 1000);
  for (int s = 0; s <= span; s += kSecondsPerGrid) {
    const double x = area.left() + area.width() * (1.0 - static_cast<double>(s) / span);
    p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
  }
  const int lanes = static_cast<int>(traces.size());
  const double laneHeight = static_cast<double>(area.height()) / lanes;
  for (int i = 0; i < lanes; ++i) {
    const PlotTrace& trace = traces[static_cast<size_t>(i)];
    const QColor color = kTraceColors[static_cast<size_t>(i) % std::size(kTraceColors)];
    const QRectF lane(area.left(), area.top() + i * laneHeight, area.width(), laneHeight);
    // Room above and below the line for the lane's name and the scale's numbers.
    const QRectF plot = lane.adjusted(0, line + 2, 0, -4);
    p.setPen(QPen(QColor(180, 185, 195), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(lane);
    p.setPen(color);
    p.drawText(lane.adjusted(4, 1, -4, 0), Qt::AlignLeft | Qt::AlignTop, Q(trace.name + " (" + trace.unit + ")"));
    if (trace.points.empty()) continue;
    p.setPen(palette().color(QPalette::WindowText));
    const QRectF scale(kMargin, plot.top() - line / 2.0, kScaleWidth - 4, plot.height() + line);
    p.drawText(scale, Qt::AlignRight | Qt::AlignTop, QString::number(trace.high));
    p.drawText(scale, Qt::AlignRight | Qt::AlignBottom, QString::number(trace.low));
    QPainterPath path;
    for (size_t k = 0; k < trace.points.size(); ++k) {
      const auto& [x, y] = trace.points[k];
      const QPointF at(plot.left() + x * plot.width(), plot.bottom() - y * plot.height());
      if (k == 0) path.moveTo(at);
      else path.lineTo(at);
    }
    p.setPen(QPen(color, 1.8));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    const QPointF last = path.currentPosition();
    p.setBrush(color);
    p.drawEllipse(last, 2.5, 2.5);
    p.setPen(color);
    p.drawText(QRectF(area.right() + 6, last.y() - line / 2.0, kValueWidth - 6, line), Qt::AlignLeft | Qt::AlignVCenter,
               Q(trace.latest));
  }
}
