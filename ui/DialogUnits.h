#pragma once
// Forms are designed in dialog units: a horizontal unit is a quarter of the form
// font's average character width, a vertical unit an eighth of its height. Laying
// widgets out from the design table keeps every form in proportion in any font.

#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QRect>

class CDialogUnits {
 public:
  explicit CDialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    static const QString kSample = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_baseX = (metrics.horizontalAdvance(kSample) / 26 + 1) / 2;
    m_baseY = metrics.height();
  }
  int X(int units) const { return (units * m_baseX + 2) / 4; }
  int Y(int units) const { return (units * m_baseY + 4) / 8; }
  QRect Rect(int x, int y, int width, int height) const { return QRect(X(x), Y(y), X(width), Y(height)); }
  QSize Size(int width, int height) const { return QSize(X(width), Y(height)); }

  // The font forms are designed for: Tahoma 8 where it exists, else the system's
  // sans serif at the same size (Korean glyphs come from fontconfig's fallback).
  static QFont FormFont(int pointSize = 8) {
    QFont font(QStringLiteral("Tahoma"), pointSize);
    font.setStyleHint(QFont::SansSerif);
    if (!QFontInfo(font).exactMatch()) font = QFont(QStringLiteral("DejaVu Sans"), pointSize);
    return font;
  }

 private:
  int m_baseX = 6;
  int m_baseY = 13;
};
