#include "ui/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

#include "resources/StringIds.h"

namespace icons {
namespace {

using Painter = void (*)(QPainter&);

QIcon Draw(Painter paint) {
  QIcon icon;
  for (int size : {16, 32, 48}) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);  // every picture is drawn on a 32 grid
    paint(painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

// A drive: a dark box with a status lamp and a terminal strip.
void DriveBox(QPainter& p, const QRectF& box, const QColor& lamp) {
  p.setPen(QPen(QColor(40, 44, 52), 1.2));
  p.setBrush(QColor(78, 86, 100));
  p.drawRoundedRect(box, 2, 2);
  p.setBrush(lamp);
  p.setPen(Qt::NoPen);
  p.drawEllipse(QPointF(box.left() + 4, box.top() + 4), 2, 2);
  p.setBrush(QColor(200, 170, 60));
  for (int i = 0; i < 3; ++i) p.drawRect(QRectF(box.left() + 2 + i * 3.2, box.bottom() - 4, 2, 2.5));
}

void Plug(QPainter& p, const QPointF& at, bool pinsRight) {
  p.setPen(QPen(QColor(30, 30, 30), 1));
  p.setBrush(QColor(230, 230, 225));
  p.drawRoundedRect(QRectF(at.x() - 4, at.y() - 5, 8, 10), 1.5, 1.5);
  p.setPen(QPen(QColor(150, 150, 150), 1.6));
  const double x = pinsRight ? at.x() + 4 : at.x() - 4;
  const double dx = pinsRight ? 3 : -3;
  p.drawLine(QPointF(x, at.y() - 2.5), QPointF(x + dx, at.y() - 2.5));
  p.drawLine(QPointF(x, at.y() + 2.5), QPointF(x + dx, at.y() + 2.5));
}

void Connect(QPainter& p) {
  DriveBox(p, QRectF(19, 7, 12, 18), QColor(80, 220, 90));
  p.setPen(QPen(QColor(40, 90, 200), 2.2));
  p.setBrush(Qt::NoBrush);
  QPainterPath cable(QPointF(1, 27));
  cable.cubicTo(QPointF(6, 27), QPointF(4, 16), QPointF(9, 16));
  p.drawPath(cable);
  Plug(p, QPointF(12, 16), true);
}

void Disconnect(QPainter& p) {
  DriveBox(p, QRectF(19, 7, 12, 18), QColor(120, 120, 120));
  p.setPen(QPen(QColor(40, 90, 200), 2.2));
  p.setBrush(Qt::NoBrush);
  QPainterPath cable(QPointF(1, 27));
  cable.cubicTo(QPointF(4, 27), QPointF(2, 16), QPointF(5, 16));
  p.drawPath(cable);
  Plug(p, QPointF(8, 16), true);
  p.setPen(QPen(QColor(210, 40, 40), 2.4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(13, 9), QPointF(17, 13));
  p.drawLine(QPointF(17, 9), QPointF(13, 13));
}

void Page(QPainter& p, const QRectF& r) {
  p.setPen(QPen(QColor(90, 90, 90), 1));
  p.setBrush(QColor(250, 250, 245));
  QPainterPath page;
  page.moveTo(r.topLeft());
  page.lineTo(r.right() - 5, r.top());
  page.lineTo(r.right(), r.top() + 5);
  page.lineTo(r.bottomRight());
  page.lineTo(r.bottomLeft());
  page.closeSubpath();
  p.drawPath(page);
  p.setPen(QPen(QColor(150, 160, 180), 1));
  for (double y = r.top() + 8; y < r.bottom() - 2; y += 3.5)
    p.drawLine(QPointF(r.left() + 2.5, y), QPointF(r.right() - 2.5, y));
}

void Arrow(QPainter& p, const QPointF& from, const QPointF& to, const QColor& colour) {
  p.setPen(QPen(colour, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawLine(from, to);
  const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
  const QPointF n(-d.y(), d.x());
  p.setBrush(colour);
  p.setPen(Qt::NoPen);
  p.drawPolygon(QPolygonF({to + d * 3, to - d * 3 + n * 4, to - d * 3 - n * 4}));
}

void LoadFile(QPainter& p) {
  Page(p, QRectF(2, 3, 15, 20));
  DriveBox(p, QRectF(20, 12, 11, 17), QColor(80, 220, 90));
  Arrow(p, QPointF(10, 26), QPointF(16, 26), QColor(30, 150, 60));
}

void SaveFile(QPainter& p) {
  DriveBox(p, QRectF(1, 3, 11, 17), QColor(80, 220, 90));
  Page(p, QRectF(16, 9, 15, 20));
  Arrow(p, QPointF(6, 25), QPointF(12, 25), QColor(40, 90, 200));
}

void AllParams(QPainter& p) {
  // A table: a heading band and rows of name and value cells.
  p.setPen(QPen(QColor(60, 70, 90), 1.2));
  p.setBrush(QColor(250, 250, 245));
  p.drawRect(QRectF(2, 4, 28, 24));
  p.setBrush(QColor(52, 96, 170));
  p.drawRect(QRectF(2, 4, 28, 6));
  p.setPen(QPen(QColor(150, 160, 180), 1));
  for (double y = 14; y < 28; y += 4.5) p.drawLine(QPointF(3, y), QPointF(29, y));
  p.drawLine(QPointF(12, 10), QPointF(12, 28));
  p.drawLine(QPointF(22, 10), QPointF(22, 28));
}

void StatusView(QPainter& p) {
  // A strip chart: a framed screen with a trace that jumps, and a red alarm dot.
  p.setPen(QPen(QColor(60, 70, 90), 1.2));
  p.setBrush(QColor(250, 250, 245));
  p.drawRect(QRectF(2, 5, 28, 22));
  QPainterPath trace;
  trace.moveTo(4, 20);
  for (const auto& [x, y] :
       {std::pair{8.0, 18.0}, {11.0, 21.0}, {14.0, 11.0}, {17.0, 23.0}, {21.0, 15.0}, {28.0, 16.0}}) {
    trace.lineTo(x, y);
  }
  p.setPen(QPen(QColor(40, 110, 190), 2));
  p.setBrush(Qt::NoBrush);
  p.drawPath(trace);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(210, 40, 30));
  p.drawEllipse(QPointF(25, 10), 2.6, 2.6);
}

void Program(QPainter& p) {
  // A servo motor face: a flange with a shaft and a "Q" ring.
  p.setPen(QPen(QColor(30, 40, 60), 1.2));
  p.setBrush(QColor(52, 96, 170));
  p.drawRoundedRect(QRectF(2, 2, 28, 28), 5, 5);
  p.setBrush(QColor(220, 226, 236));
  p.drawEllipse(QPointF(16, 16), 10, 10);
  p.setBrush(QColor(52, 96, 170));
  p.drawEllipse(QPointF(16, 16), 6, 6);
  p.setBrush(QColor(240, 180, 40));
  p.setPen(Qt::NoPen);
  p.drawEllipse(QPointF(16, 16), 2.5, 2.5);
  p.setPen(QPen(QColor(240, 180, 40), 2.6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(21, 21), QPointF(27, 27));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(30, 40, 60));
  for (const QPointF& hole : {QPointF(5.5, 5.5), QPointF(26.5, 5.5), QPointF(5.5, 26.5)}) p.drawEllipse(hole, 1.5, 1.5);
}

}  // namespace

QIcon ProgramIcon() {
  static const QIcon kIcon = Draw(Program);
  return kIcon;
}

QIcon CommandIcon(int commandId) {
  switch (commandId) {
    case ids::CmdConnect: return Draw(Connect);
    case ids::CmdDisconnect: return Draw(Disconnect);
    case ids::CmdLoadFile: return Draw(LoadFile);
    case ids::CmdSaveFile: return Draw(SaveFile);
    case ids::CmdAllParams: return Draw(AllParams);
    case ids::CmdStatusView: return Draw(StatusView);
    default: return QIcon();
  }
}

}  // namespace icons
