#include "ui/control_binder.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QSlider>
#include <QWidget>

namespace vantor {

QWidget* ControlWidgets::find(const std::string& name) const {
  QWidget* w = window_->findChild<QWidget*>(QString::fromStdString(name));
  if (!w) qFatal("%s has no control named %s", qPrintable(window_->objectName()), name.c_str());
  return w;
}

QWidget* ControlWidgets::focused() const { return window_->focusWidget(); }

std::string ControlWidgets::text_of(const QWidget* box) {
  return static_cast<const QLineEdit*>(box)->text().toStdString();
}

void ControlWidgets::set_text(QWidget* box, const std::string& text, bool loaded) {
  auto* edit = static_cast<QLineEdit*>(box);
  edit->setText(QString::fromStdString(text));
  if (loaded) edit->setCursorPosition(0);
}

bool ControlWidgets::is_checked(const QWidget* button) {
  if (const auto* check = qobject_cast<const QCheckBox*>(button)) return check->checkState() == Qt::Checked;
  return static_cast<const QAbstractButton*>(button)->isChecked();
}

void ControlWidgets::set_checked(QWidget* button, bool checked) {
  static_cast<QAbstractButton*>(button)->setChecked(checked);
}

int ControlWidgets::position_of(const QWidget* bar) { return static_cast<const QAbstractSlider*>(bar)->value(); }

void ControlWidgets::set_position(QWidget* bar, int value) { static_cast<QAbstractSlider*>(bar)->setValue(value); }

void ControlWidgets::set_up_position(QWidget* bar, int min, int max, int single_step, int page_step) {
  auto* slider = static_cast<QAbstractSlider*>(bar);
  slider->setRange(min, max);
  slider->setSingleStep(single_step);
  slider->setPageStep(page_step);
  if (auto* scroll_bar = qobject_cast<QScrollBar*>(bar)) scroll_bar->setTracking(false);
  if (auto* ticked = qobject_cast<QSlider*>(bar)) {
    ticked->setTickPosition(QSlider::TicksBelow);
    ticked->setTickInterval(page_step);
  }
}

void ControlWidgets::watch_position(QWidget* bar, std::size_t index) {
  connect(static_cast<QAbstractSlider*>(bar), &QAbstractSlider::valueChanged, this,
          [this, index] { position_changed(index); });
}

void ControlWidgets::watch_leaving(QWidget* box) { box->installEventFilter(this); }

bool ControlWidgets::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
      for (std::size_t i = 0; i < controls_.size(); ++i)
        if (controls_[i] == watched) box_left(i);
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace vantor
