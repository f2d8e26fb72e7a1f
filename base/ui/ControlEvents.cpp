#include "base/ui/ControlEvents.h"

#include <QElapsedTimer>
#include <QKeyEvent>

#include <QButtonGroup>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QRadioButton>
#include <QGridLayout>

TUpDown::TUpDown(const QString& name, const QString& edit_name, int min, int max, int position,
                 QWidget* parent)
    : QSpinBox(parent) {
  setObjectName(name);
  setFocusPolicy(Qt::StrongFocus);  // the wheel alone gives no focus
  if (!edit_name.isEmpty()) lineEdit()->setObjectName(edit_name);
  setRange(min, max);
  SetPosition(position);
}

void TUpDown::SetPosition(int position) {
  QSignalBlocker block(this);
  setValue(position);
}

void TUpDown::SetRange(int min, int max) {
  QSignalBlocker block(this);
  setRange(min, max);
}

TRadioGroup::TRadioGroup(const QString& name, const QString& caption, const QStringList& items,
                         QWidget* parent)
    : TRadioGroup(name, caption, items, 1, parent) {}

TRadioGroup::TRadioGroup(const QString& name, const QString& caption, const QStringList& items, int columns,
                         QWidget* parent)
    : QGroupBox(caption, parent) {
  setObjectName(name);
  auto* grid = new QGridLayout(this);
  // Groups of several columns sit in the tight spots of the chart windows.
  if (columns > 1) {
    grid->setContentsMargins(4, 2, 4, 2);
  } else {
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setSpacing(2);
  }
  const int rows = columns > 0 ? (static_cast<int>(items.size()) + columns - 1) / columns : 1;
  for (int i = 0; i < items.size(); ++i) {
    auto* b = new QRadioButton(items[i], this);
    b->setObjectName(name + "_" + QString::number(i));
    grid->addWidget(b, i % rows, i / rows);
    buttons_.push_back(b);
    connect(b, &QRadioButton::toggled, this, [this](bool checked) {
      if (checked) emit clicked();
    });
  }
}

QRadioButton* TRadioGroup::Item(int index) const {
  return index >= 0 && index < Count() ? buttons_[static_cast<size_t>(index)] : nullptr;
}

int TRadioGroup::ItemIndex() const {
  for (size_t i = 0; i < buttons_.size(); ++i)
    if (buttons_[i]->isChecked()) return static_cast<int>(i);
  return -1;
}

void TRadioGroup::SetItemIndex(int index) {
  if (index == ItemIndex()) return;
  if (index >= 0 && index < Count()) {
    buttons_[static_cast<size_t>(index)]->setChecked(true);  // emits clicked()
    return;
  }
  // No item: uncheck without letting the exclusive group refuse it.
  for (auto* b : buttons_) {
    b->setAutoExclusive(false);
    b->setChecked(false);
    b->setAutoExclusive(true);
  }
  emit clicked();
}

int TUpDown::AcceleratedStep(qint64 held_ms) {
  if (held_ms < 1000) return 1;
  if (held_ms < 2000) return 2;
  if (held_ms < 3000) return 5;
  return 10;
}

std::function<qint64()>& TUpDown::AccelerationClock() {
  static std::function<qint64()> clock = [] {
    static const QElapsedTimer started = [] {
      QElapsedTimer t;
      t.start();
      return t;
    }();
    return started.elapsed();
  };
  return clock;
}

void TUpDown::stepBy(int steps) {
  if (accelerated_ && pressed_at_ms_ >= 0) steps *= AcceleratedStep(AccelerationClock()() - pressed_at_ms_);
  QSpinBox::stepBy(steps);
}

void TUpDown::mousePressEvent(QMouseEvent* event) {
  pressed_at_ms_ = AccelerationClock()();
  QSpinBox::mousePressEvent(event);
}

void TUpDown::mouseReleaseEvent(QMouseEvent* event) {
  pressed_at_ms_ = -1;
  QSpinBox::mouseReleaseEvent(event);
}

void TUpDown::wheelEvent(QWheelEvent* event) {
  if (!hasFocus()) {
    event->ignore();
    return;
  }
  QSpinBox::wheelEvent(event);
}

namespace {

// A check box or radio button answers a click only on its indicator and
// text; drawn as a push button, the whole face must answer.
class WholeFaceClick : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* button = static_cast<QAbstractButton*>(watched);
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick)
      return false;
    const auto* me = static_cast<QMouseEvent*>(event);
    if (me->button() != Qt::LeftButton || !button->isEnabled()) return false;
    const bool inside = button->rect().contains(me->position().toPoint());
    if (type != QEvent::MouseButtonRelease) {
      if (!inside) return false;
      button->setDown(true);
      return true;
    }
    if (!button->isDown()) return false;
    button->setDown(false);
    if (inside) button->click();
    return true;
  }
};

}  // namespace

void MakePushLike(QAbstractButton* button) {
  button->installEventFilter(new WholeFaceClick(button));
  button->setStyleSheet(
      "QCheckBox::indicator, QRadioButton::indicator { width: 0px; height: 0px; margin: 0px; border: none; image: none; }"
      "QCheckBox, QRadioButton { border: 1px solid palette(mid); border-radius: 3px; padding: 2px 6px;"
      " background: palette(button); }"
      "QCheckBox:checked, QRadioButton:checked { background: palette(highlight);"
      " color: palette(highlighted-text); }");
}

bool IsEnterKey(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

bool IsEnterKey(const QEvent* e) {
  return e->type() == QEvent::KeyPress && IsEnterKey(static_cast<const QKeyEvent*>(e)->key());
}
