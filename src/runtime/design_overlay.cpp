#include "runtime/design_overlay.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "runtime/form_control.h"
#include "shell/twips.h"

namespace balvix::runtime {

namespace {

constexpr int kHandle = 6;

}  // namespace

DesignOverlay::DesignOverlay(FormControl* form, QWidget* canvas) : QWidget(canvas), m_form(form) {
  setObjectName(QStringLiteral("DesignOverlay"));
  setAccessibleName(QStringLiteral("Макет формы"));
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(false);
}

void DesignOverlay::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int step = qMax(4, shell::twipsToPixels(FormControl::kGridTwips * 2));
  painter.setPen(palette().color(QPalette::Mid));
  for (int x = 0; x < width(); x += step)
    for (int y = 0; y < height(); y += step) painter.drawPoint(x, y);
  const int selected = m_form->m_selected;
  if (selected < 0 || selected >= static_cast<int>(m_form->m_elements.size())) return;
  QWidget* box = m_form->m_elements[static_cast<std::size_t>(selected)]->box;
  if (!box) return;
  const QRect r = box->geometry().adjusted(-1, -1, 0, 0);
  painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DashLine));
  painter.drawRect(r);
  painter.fillRect(QRect(r.bottomRight() - QPoint(kHandle, kHandle), QSize(kHandle, kHandle)),
                   palette().color(QPalette::Highlight));
}

void DesignOverlay::mousePressEvent(QMouseEvent* event) {
  setFocus();
  const QPoint pos = event->position().toPoint();
  FormControl::Element* e = m_form->elementAt(pos);
  if (!e) {
    m_form->m_selected = -1;
    update();
    if (event->button() == Qt::LeftButton) {
      m_form->setPlacePoint(pos);
      emit m_form->placeRequest();
    }
    return;
  }
  m_form->selectElement(e->caption);
  if (event->button() == Qt::RightButton) {
    emit m_form->elementMenu(e->caption);
    return;
  }
  m_start = pos;
  m_startRect = e->box->geometry();
  const QPoint corner = m_startRect.bottomRight();
  m_drag = (qAbs(pos.x() - corner.x()) <= kHandle && qAbs(pos.y() - corner.y()) <= kHandle)
               ? Drag::Resize
               : Drag::Move;
}

void DesignOverlay::mouseMoveEvent(QMouseEvent* event) {
  const int selected = m_form->m_selected;
  if (m_drag == Drag::None || selected < 0) return;
  QWidget* box = m_form->m_elements[static_cast<std::size_t>(selected)]->box;
  const QPoint delta = event->position().toPoint() - m_start;
  if (m_drag == Drag::Move)
    box->move(m_startRect.topLeft() + delta);
  else
    box->resize(qMax(20, m_startRect.width() + delta.x()),
                qMax(13, m_startRect.height() + delta.y()));
  update();
}

void DesignOverlay::mouseReleaseEvent(QMouseEvent*) {
  const int selected = m_form->m_selected;
  if (m_drag != Drag::None && selected >= 0) {
    FormControl::Element& e = *m_form->m_elements[static_cast<std::size_t>(selected)];
    const QRect now = e.box->geometry();
    // Moved and resized by whole grid steps, so elements keep their alignment.
    const auto twips = [](int px) {
      const int g = FormControl::kGridTwips;
      const double t = shell::pixelsToTwips(px);
      return static_cast<int>(t >= 0 ? t / g + 0.5 : t / g - 0.5) * g;
    };
    QRect wanted = e.rect;
    if (m_drag == Drag::Move)
      wanted.translate(twips(now.left() - m_startRect.left()),
                       twips(now.top() - m_startRect.top()));
    else
      wanted.setSize(wanted.size() + QSize(twips(now.width() - m_startRect.width()),
                                           twips(now.height() - m_startRect.height())));
    m_form->moveElementTwips(e, wanted);
  }
  m_drag = Drag::None;
}

void DesignOverlay::keyPressEvent(QKeyEvent* event) {
  const bool resize = event->modifiers() & Qt::ShiftModifier;
  switch (event->key()) {
    case Qt::Key_Left:
      m_form->nudge(-1, 0, resize);
      break;
    case Qt::Key_Right:
      m_form->nudge(1, 0, resize);
      break;
    case Qt::Key_Up:
      m_form->nudge(0, -1, resize);
      break;
    case Qt::Key_Down:
      m_form->nudge(0, 1, resize);
      break;
    case Qt::Key_Menu:
      if (!m_form->selectedElement().isEmpty()) emit m_form->elementMenu(m_form->selectedElement());
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
}

}  // namespace balvix::runtime
