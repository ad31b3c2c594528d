#pragma once
#include <QWidget>
namespace vantor {
class WindowRegistry;
class IncForm : public QWidget {
  Q_OBJECT
 public:
  explicit IncForm(WindowRegistry& registry, QWidget* parent = nullptr);
};
}  // namespace vantor
