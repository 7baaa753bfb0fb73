#pragma once
// The strip chart of the drive's state values over the last minute: a lane a value
// with a unit, each on its own scale, the newest sample on the right with its
// value written beside it. Drawn with QPainter from what the poll keeps.

#include <QWidget>

class CStatusPoll;

class CStatusPlot : public QWidget {
  Q_OBJECT
 public:
  CStatusPlot(const CStatusPoll& poll, QWidget* parent = nullptr);
  QSize sizeHint() const override { return {560, 260}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const CStatusPoll& m_poll;
};
