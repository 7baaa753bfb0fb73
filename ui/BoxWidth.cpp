#include "ui/BoxWidth.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace {

// The title bar also holds the window manager's icon and buttons, and its font is
// usually bold and a little larger than the box's.
constexpr int kTitleBarExtra = 140;
constexpr double kTitleFontScale = 1.15;
constexpr char kWidenedProperty[] = "dsCaptionWidth";

class CBoxWidener : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // Before the box's own show handler, which fixes its size from its layout.
    if (event->type() != QEvent::Show) return false;
    auto* box = qobject_cast<QMessageBox*>(watched);
    if (!box || box->property(kWidenedProperty).isValid()) return false;
    box->setProperty(kWidenedProperty, true);
    auto* grid = qobject_cast<QGridLayout*>(box->layout());
    if (!grid) return false;
    QFont titleFont = box->font();
    titleFont.setBold(true);
    const int caption = QFontMetrics(titleFont).horizontalAdvance(box->windowTitle());
    const int width = static_cast<int>(caption * kTitleFontScale) + kTitleBarExtra;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
    return false;
  }
};

}  // namespace

namespace boxwidth {

void Install(QApplication& application) { application.installEventFilter(new CBoxWidener(&application)); }

}  // namespace boxwidth
