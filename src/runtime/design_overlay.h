#pragma once

#include <QPoint>
#include <QRect>
#include <QWidget>

namespace balvix::runtime {

class FormControl;

// Lies over the form's elements in layout design: draws the grid and the selected
// element, and turns mouse and keys into placing, moving, resizing and the element menu.
class DesignOverlay : public QWidget {
  Q_OBJECT

 public:
  DesignOverlay(FormControl* form, QWidget* canvas);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  FormControl* m_form;
  enum class Drag { None, Move, Resize } m_drag = Drag::None;
  QPoint m_start;
  QRect m_startRect;
};

}  // namespace balvix::runtime
