// The main window at its start-up size, as a user's mouse meets it: every
// control can be brought into view, push-like toggles answer anywhere on
// their face, and the wheel scrolls the settings panel without changing the
// spin boxes it passes.
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QMouseEvent>
#include <QWheelEvent>

#include "MainRoadFixture.h"

namespace {

// A left click (press and release) at p of the widget.
void ClickAt(QWidget* w, QPoint p) {
  for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), Qt::LeftButton,
                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
  }
}

QScrollArea* PanelOf(QWidget* w) {
  for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
    if (auto* area = qobject_cast<QScrollArea*>(p); area && area->widget() && area->widget()->isAncestorOf(w))
      return area;
  return nullptr;
}

// The named buttons, edits and spin boxes a user can reach in the window.
std::vector<QWidget*> UserControls(TPlatform& w) {
  std::vector<QWidget*> out;
  for (QWidget* c : w.findChildren<QWidget*>()) {
    if (!(qobject_cast<QAbstractButton*>(c) || qobject_cast<QLineEdit*>(c) || qobject_cast<QSpinBox*>(c))) continue;
    if (!c->isVisibleTo(&w) || c->objectName().isEmpty() || c->parentWidget()->inherits("QAbstractSpinBox")) continue;
    out.push_back(c);
  }
  return out;
}

TEST(WindowReach, EveryControlCanBeBroughtIntoViewAtTheStartUpSize) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  w.show();
  QApplication::processEvents();
  const QRect window = w.rect();
  int checked = 0;
  for (QWidget* c : UserControls(w)) {
    SCOPED_TRACE(c->objectName().toStdString() + " '" +
                 (qobject_cast<QAbstractButton*>(c) ? qobject_cast<QAbstractButton*>(c)->text().toStdString() : "") + "'");
    QScrollArea* area = PanelOf(c);
    // As a user scrolls the panel until the whole control is in view.
    if (area) {
      const QRect r(c->mapTo(area->widget(), QPoint(0, 0)), c->size());
      area->ensureVisible(r.center().x(), r.center().y(), r.width() / 2 + 1, r.height() / 2 + 1);
    }
    QApplication::processEvents();
    const QRect in_window(c->mapTo(&w, QPoint(0, 0)), c->size());
    EXPECT_TRUE(window.contains(in_window)) << "at " << in_window.x() << "," << in_window.y() << " size "
                                            << in_window.width() << "x" << in_window.height();
    if (area) {
      const QRect in_view(c->mapTo(area->viewport(), QPoint(0, 0)), c->size());
      EXPECT_TRUE(area->viewport()->rect().contains(in_view))
          << "at " << in_view.x() << "," << in_view.y() << " in a view of " << area->viewport()->width() << "x"
          << area->viewport()->height() << " content " << area->widget()->height() << " pos in content "
          << c->mapTo(area->widget(), QPoint(0, 0)).y() << " scroll " << area->verticalScrollBar()->value() << "/"
          << area->verticalScrollBar()->maximum();
    }
    ++checked;
  }
  EXPECT_GT(checked, 60);
}

TEST(WindowReach, PushLikeTogglesAnswerAnywhereOnTheirFace) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  w.show();
  QApplication::processEvents();
  // 'Show Field' unticks itself without a video.
  for (const char* name : {"CheckBox7", "CheckBox3", "CheckBox22"}) {
    SCOPED_TRACE(name);
    auto* box = m.Find<QCheckBox>(name);
    box->setMinimumWidth(box->sizeHint().width() + 60);  // a face wider than its text
    QApplication::processEvents();
    const bool before = box->isChecked();
    // Near the right edge, far from the text.
    ClickAt(box, QPoint(box->width() - 3, box->height() / 2));
    EXPECT_NE(box->isChecked(), before);
  }
  auto* b = m.Find<QRadioButton>("RadioButton8");
  b->setEnabled(true);
  b->setMinimumWidth(b->sizeHint().width() + 40);
  QApplication::processEvents();
  ClickAt(b, QPoint(b->width() - 3, b->height() / 2));
  EXPECT_TRUE(b->isChecked());
}

TEST(WindowReach, WheelOverAnUnfocusedSpinBoxLeavesItAlone) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  w.show();
  QApplication::processEvents();
  auto* step = m.Find<QSpinBox>("UpDown9");
  auto* radius = m.Find<QSpinBox>("UpDown1");
  for (QSpinBox* s : {step, radius}) {
    SCOPED_TRACE(s->objectName().toStdString());
    const int before = s->value();
    const QPoint at(s->width() / 2, s->height() / 2);
    QWheelEvent wheel(at, s->mapToGlobal(at), {}, QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(s, &wheel);
    EXPECT_EQ(s->value(), before);
    EXPECT_FALSE(s->hasFocus());
  }
  // A focused one steps.
  radius->setFocus();
  const int before = radius->value();
  const QPoint at(radius->width() / 2, radius->height() / 2);
  QWheelEvent wheel(at, radius->mapToGlobal(at), {}, QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                    false);
  QApplication::sendEvent(radius, &wheel);
  EXPECT_NE(radius->value(), before);
}

// On a laptop screen smaller than the window's controls the window can be made
// that small, and every control can still be scrolled into view.
TEST(WindowReach, OnASmallScreenTheWindowShrinksAndScrolls) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  w.show();
  QApplication::processEvents();
  const QSize start = w.size();
  w.resize(1280, 690);
  QApplication::processEvents();
  ASSERT_EQ(w.size(), QSize(1280, 690));
  int checked = 0;
  for (QWidget* c : UserControls(w)) {
    SCOPED_TRACE(c->objectName().toStdString());
    // Each scroll area around the control, innermost first, as a user scrolls.
    std::vector<QScrollArea*> areas;
    for (QWidget* p = c->parentWidget(); p; p = p->parentWidget())
      if (auto* area = qobject_cast<QScrollArea*>(p); area && area->widget() && area->widget()->isAncestorOf(c))
        areas.push_back(area);
    for (QScrollArea* area : areas) {
      const QRect r(c->mapTo(area->widget(), QPoint(0, 0)), c->size());
      area->ensureVisible(r.center().x(), r.center().y(), r.width() / 2 + 1, r.height() / 2 + 1);
    }
    QApplication::processEvents();
    EXPECT_TRUE(w.rect().contains(QRect(c->mapTo(&w, QPoint(0, 0)), c->size())));
    for (QScrollArea* area : areas)
      EXPECT_TRUE(area->viewport()->rect().contains(QRect(c->mapTo(area->viewport(), QPoint(0, 0)), c->size())))
          << area->objectName().toStdString() << " at " << c->mapTo(area->viewport(), QPoint(0, 0)).x() << ","
          << c->mapTo(area->viewport(), QPoint(0, 0)).y();
    ++checked;
  }
  EXPECT_GT(checked, 60);
  // Made large again, it needs no scrolling.
  w.resize(start);
  QApplication::processEvents();
  for (QScrollArea* area : w.findChildren<QScrollArea*>())
    if (area->widget() && area->widget()->isAncestorOf(m.Find<QWidget>("Button3"))) {
      EXPECT_FALSE(area->horizontalScrollBar()->isVisible());
      EXPECT_FALSE(area->verticalScrollBar()->isVisible());
    }
}

}  // namespace
