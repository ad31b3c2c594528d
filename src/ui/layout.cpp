#include "ui/layout.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QStyleOptionFocusRect>
#include <QVBoxLayout>
#include <qdrawutil.h>
#include <algorithm>
#include <cmath>
#include <vector>

namespace vantor {

int twips(int value) { return static_cast<int>(std::lround(value / double(kTwipsPerPixel))); }

QFont font_for(const FontSpec& spec) {
  // MS Sans Serif and Arial are not on a Linux desktop; Liberation Sans has
  // Arial's metrics and stands in for both.
  QFont font(QStringLiteral("Liberation Sans"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(spec.points);
  font.setBold(spec.bold);
  font.setItalic(spec.italic);
  return font;
}

void set_client_size(QWidget* window, int width_twips, int height_twips) {
  window->resize(twips(width_twips), twips(height_twips));
}

QWidget* client_below_menu_bar(QWidget* window, QMenuBar* bar, int width_twips, int height_twips) {
  auto* client = new QWidget(window);
  client->setObjectName(QStringLiteral("client_area"));
  auto* rows = new QVBoxLayout(window);
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(0);
  rows->setMenuBar(bar);
  rows->addWidget(client);
  const int width = twips(width_twips);
  const int bar_height = bar->hasHeightForWidth() ? bar->heightForWidth(width) : bar->sizeHint().height();
  window->resize(width, twips(height_twips) + bar_height);
  return client;
}

namespace {

// A horizontal scroll bar, a tab stop like any other control of the windows.
// Right arrow adds a step and Left arrow takes one away (mirrored right to
// left): QScrollBar inverts its controls so that the wheel and Page Down
// move forwards, and that inversion would turn the arrow keys of a
// horizontal bar around.  While it has the focus, the style's focus frame
// runs round the bar.
class HScrollBar final : public QScrollBar {
 public:
  explicit HScrollBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) { setFocusPolicy(Qt::StrongFocus); }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const int key = event->key();
    if (key != Qt::Key_Left && key != Qt::Key_Right) {
      QScrollBar::keyPressEvent(event);
      return;
    }
    const bool adds = (key == Qt::Key_Right) != isRightToLeft();
    triggerAction(adds ? SliderSingleStepAdd : SliderSingleStepSub);
    event->accept();
  }

  void paintEvent(QPaintEvent* event) override {
    QScrollBar::paintEvent(event);
    if (!hasFocus()) return;
    QStyleOptionFocusRect mark;
    mark.initFrom(this);
    // Styles draw the frame only for a focus that the keyboard can move.
    mark.state |= QStyle::State_KeyboardFocusChange;
    mark.backgroundColor = palette().color(QPalette::Window);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &mark, &painter, this);
  }
};

// A frame drawn as a classic framed group: an etched border over the
// frame's whole rectangle, its top line through the middle of the caption,
// which sits on it near the left, the line broken behind it.  A control
// placed below the caption's height is clear of the border.
class FramedGroup final : public QGroupBox {
 public:
  using QGroupBox::QGroupBox;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    constexpr int kCaptionLeft = 8, kGap = 2;
    const QRect caption(kCaptionLeft, 0, metrics.horizontalAdvance(title()), metrics.height());
    const QRect border = rect().adjusted(0, title().isEmpty() ? 0 : metrics.height() / 2, 0, 0);
    painter.save();
    if (!title().isEmpty()) painter.setClipRegion(QRegion(rect()).subtracted(caption.adjusted(-kGap, 0, kGap, 0)));
    qDrawShadeRect(&painter, border, palette(), true, 1, 0);
    painter.restore();
    style()->drawItemText(&painter, caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, palette(),
                          isEnabled(), title(), QPalette::WindowText);
  }
};

QWidget* make_control(const ControlSpec& spec, QWidget* parent) {
  const QString text = QString::fromUtf8(spec.text ? spec.text : "");
  switch (spec.kind) {
    case Kind::Button:
      return new QPushButton(text, parent);
    case Kind::Label:
      return new QLabel(text, parent);
    case Kind::WrappedLabel: {
      auto* label = new QLabel(text, parent);
      label->setWordWrap(true);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return label;
    }
    case Kind::Frame:
      return new FramedGroup(text, parent);
    case Kind::TextBox:
    case Kind::LockedTextBox: {
      auto* edit = new QLineEdit(text, parent);
      edit->setReadOnly(spec.kind == Kind::LockedTextBox);
      edit->setCursorPosition(0);
      return edit;
    }
    case Kind::Option:
      return new QRadioButton(text, parent);
    case Kind::Check:
      return new QCheckBox(text, parent);
    case Kind::HScroll:
      return new HScrollBar(parent);
    case Kind::Slider:
      return new QSlider(Qt::Horizontal, parent);
    case Kind::HLine: {
      auto* line = new QFrame(parent);
      line->setFrameShape(QFrame::HLine);
      line->setFrameShadow(QFrame::Sunken);
      return line;
    }
  }
  return nullptr;
}

}  // namespace

void build_controls(QWidget* window, std::span<const ControlSpec> table) {
  QHash<QString, QWidget*> frames;
  std::vector<std::pair<int, QWidget*>> focus_chain;
  for (const ControlSpec& spec : table) {
    QWidget* parent = window;
    if (spec.parent && *spec.parent) parent = frames.value(QString::fromUtf8(spec.parent), window);
    QWidget* control = make_control(spec, parent);
    control->setObjectName(QString::fromUtf8(spec.name));
    // A frame's font would be inherited by everything inside it; every
    // control carries its own font instead.
    control->setFont(font_for(spec.font));
    int height = twips(spec.height);
    int top = twips(spec.top);
    if (spec.kind == Kind::HLine) {  // a line has no height: centre a 2-pixel rule on it
      height = 2;
      top -= 1;
    }
    control->setGeometry(twips(spec.left), top, twips(spec.width), height);
    if (spec.kind == Kind::Frame) frames.insert(control->objectName(), control);
    if (spec.tab >= 0 && control->focusPolicy() != Qt::NoFocus) focus_chain.emplace_back(spec.tab, control);
  }
  std::stable_sort(focus_chain.begin(), focus_chain.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 1; i < focus_chain.size(); ++i)
    QWidget::setTabOrder(focus_chain[i - 1].second, focus_chain[i].second);
}

}  // namespace vantor
