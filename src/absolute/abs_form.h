#pragma once
#include <QWidget>
namespace vantor {
class WindowRegistry;
class AbsForm : public QWidget {
  Q_OBJECT
 public:
  explicit AbsForm(WindowRegistry& registry, QWidget* parent = nullptr);
};
}  // namespace vantor
