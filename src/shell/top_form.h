// The main menu: opens the two design windows and the about box.
#pragma once

#include <QWidget>

namespace vantor {

class WindowRegistry;

class TopForm : public QWidget {
  Q_OBJECT
 public:
  explicit TopForm(WindowRegistry& registry, QWidget* parent = nullptr);
};

class AboutFrm : public QWidget {
  Q_OBJECT
 public:
  explicit AboutFrm(WindowRegistry& registry, QWidget* parent = nullptr);
};

}  // namespace vantor
