#pragma once
// The event conventions every window follows.
//
// - A check box or radio button runs its click handler whenever its state
//   changes, also when code changes it; setting the state it already has runs
//   nothing: OnCheckBoxClick / OnRadioButtonClick (built on `toggled`).
// - A combo box's index or an up-down's position set by code runs no handler:
//   connect user changes with OnComboBoxChange (`activated`), set by code with
//   SetComboIndex / TUpDown::SetPosition (signals blocked).
// - A radio group (TRadioGroup) runs its click handler on every index change.
// - Colours written as $00BBGGRR numbers go through BgrColor.
#include <QAbstractButton>
#include <QColor>
#include <QComboBox>
#include <QGroupBox>
#include <QPalette>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

class QLineEdit;

// $00BBGGRR -> colour.
inline QColor BgrColor(uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

// One colour of a widget's palette, in every colour group.
inline void PaintRole(QWidget* w, QPalette::ColorRole role, const QColor& colour) {
  QPalette pal = w->palette();
  pal.setColor(role, colour);
  w->setPalette(pal);
}

// The background colour of an edit (or any widget's base).
inline void PaintBase(QWidget* w, const QColor& colour) { PaintRole(w, QPalette::Base, colour); }

// The colour of an edit's text.
inline void PaintText(QWidget* w, const QColor& colour) { PaintRole(w, QPalette::Text, colour); }

// The background of a panel or label (drawn where it fills its background).
inline void PaintWindow(QWidget* w, const QColor& colour) { PaintRole(w, QPalette::Window, colour); }

// A new control of type W carrying its designer name.
template <class W, class... Args>
W* Named(const QString& name, Args&&... args) {
  auto* w = new W(std::forward<Args>(args)...);
  w->setObjectName(name);
  return w;
}

// A tool window's designer name and caption; closing it deletes it.
inline void SetUpToolWindow(QWidget* window, const QString& name, const QString& title) {
  window->setObjectName(name);
  window->setWindowTitle(title);
  window->setAttribute(Qt::WA_DeleteOnClose);
}

template <class Window>
void OnCheckBoxClick(QAbstractButton* box, Window* window, void (Window::*handler)()) {
  QObject::connect(box, &QAbstractButton::toggled, window, [window, handler](bool) { (window->*handler)(); });
}

// Runs the handler of the button that became checked.
template <class Window>
void OnRadioButtonClick(QAbstractButton* button, Window* window, void (Window::*handler)()) {
  QObject::connect(button, &QAbstractButton::toggled, window, [window, handler](bool checked) {
    if (checked) (window->*handler)();
  });
}

template <class Window>
void OnComboBoxChange(QComboBox* box, Window* window, void (Window::*handler)()) {
  QObject::connect(box, &QComboBox::activated, window, [window, handler](int) { (window->*handler)(); });
}

inline void SetComboIndex(QComboBox* box, int index) {
  QSignalBlocker block(box);
  box->setCurrentIndex(index);
}

// An up-down with its edit: the spin box's text field carries the edit's name.
class TUpDown : public QSpinBox {
  Q_OBJECT
 public:
  TUpDown(const QString& name, const QString& edit_name, int min, int max, int position,
          QWidget* parent = nullptr);
  int Position() const { return value(); }
  // Sets the position without running the change handler.
  void SetPosition(int position);
  // Sets the range (the position is kept inside it) without running the handler.
  void SetRange(int min, int max);
  QLineEdit* Edit() const { return lineEdit(); }
  // While the mouse holds an arrow down the steps grow with the time held:
  // 1 at first, 2 after 1 s, 5 after 2 s, 10 after 3 s.
  void SetAccelerated(bool on) { accelerated_ = on; }
  static int AcceleratedStep(qint64 held_ms);
  // The acceleration's clock in ms; tests put their own in.
  static std::function<qint64()>& AccelerationClock();

 protected:
  // The wheel over a scrolling panel scrolls it; only a focused up-down steps.
  void wheelEvent(QWheelEvent* event) override;
  void stepBy(int steps) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool accelerated_ = false;
  qint64 pressed_at_ms_ = -1;  // -1: no mouse button held
};

template <class Window>
void OnUpDownChange(TUpDown* updown, Window* window, void (Window::*handler)()) {
  QObject::connect(updown, &QSpinBox::valueChanged, window, [window, handler](int) { (window->*handler)(); });
}

// A titled group of exclusive radio buttons with an item index (-1: none).
// Every change of the index, by the user or by code, emits clicked().
class TRadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  // Items are named "<name>_<index>" and run down `columns` columns.
  TRadioGroup(const QString& name, const QString& caption, const QStringList& items,
              QWidget* parent = nullptr);
  TRadioGroup(const QString& name, const QString& caption, const QStringList& items, int columns,
              QWidget* parent);
  int ItemIndex() const;
  void SetItemIndex(int index);
  int Count() const { return static_cast<int>(buttons_.size()); }
  QRadioButton* Item(int index) const;

 signals:
  void clicked();

 private:
  std::vector<QRadioButton*> buttons_;
};

template <class Window>
void OnRadioGroupClick(TRadioGroup* group, Window* window, void (Window::*handler)()) {
  QObject::connect(group, &TRadioGroup::clicked, window, [window, handler] { (window->*handler)(); });
}

// For handlers that take the item index.
template <class Window>
void OnRadioGroupClick(TRadioGroup* group, Window* window, void (Window::*handler)(int)) {
  QObject::connect(group, &TRadioGroup::clicked, window,
                   [group, window, handler] { (window->*handler)(group->ItemIndex()); });
}

// A button drawn like a push button that keeps its checked state; a click
// anywhere on it counts, not only on its text.
void MakePushLike(QAbstractButton* button);

// Return or the keypad's Enter: both confirm an edit.
bool IsEnterKey(int key);
// A key press of Return or Enter.
bool IsEnterKey(const QEvent* e);
