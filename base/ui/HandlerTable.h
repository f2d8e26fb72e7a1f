#pragma once
// A window's controls and their handlers as one table. Each entry ties its
// handler to the control by the event convention of the control's kind (see
// ControlEvents.h), so a window lists what runs, not how it is wired.
#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <functional>
#include <initializer_list>
#include <type_traits>

#include "base/ui/ControlEvents.h"

template <class Window>
class Handler {
 public:
  using Method = void (Window::*)();
  Handler(QPushButton* c, Method m) : bind_([c, m](Window* w) { QObject::connect(c, &QPushButton::clicked, w, m); }) {}
  // Tool buttons and other plain buttons: a click.
  Handler(QAbstractButton* c, Method m)
      : bind_([c, m](Window* w) { QObject::connect(c, &QAbstractButton::clicked, w, m); }) {}
  Handler(QAction* c, Method m) : bind_([c, m](Window* w) { QObject::connect(c, &QAction::triggered, w, m); }) {}
  Handler(QCheckBox* c, Method m) : bind_([c, m](Window* w) { OnCheckBoxClick(c, w, m); }) {}
  Handler(QRadioButton* c, Method m) : bind_([c, m](Window* w) { OnRadioButtonClick(c, w, m); }) {}
  Handler(QComboBox* c, Method m) : bind_([c, m](Window* w) { OnComboBoxChange(c, w, m); }) {}
  Handler(TUpDown* c, Method m) : bind_([c, m](Window* w) { OnUpDownChange(c, w, m); }) {}
  // A plain spin box runs its handler on every change of its value.
  Handler(QSpinBox* c, Method m)
      : bind_([c, m](Window* w) { QObject::connect(c, &QSpinBox::valueChanged, w, m); }) {}
  Handler(TRadioGroup* c, Method m) : bind_([c, m](Window* w) { OnRadioGroupClick(c, w, m); }) {}
  // A scroll bar runs its handler on every change.
  Handler(QScrollBar* c, Method m)
      : bind_([c, m](Window* w) { QObject::connect(c, &QScrollBar::valueChanged, w, m); }) {}
  Handler(QLineEdit* c, Method m) : bind_([c, m](Window* w) { QObject::connect(c, &QLineEdit::textChanged, w, m); }) {}
  void Connect(Window* window) const { bind_(window); }

 private:
  std::function<void(Window*)> bind_;
};

template <class Window>
using Handlers = std::initializer_list<Handler<Window>>;

// Connects every entry, in the table's order.
template <class Window>
void ConnectEach(Window* window, std::type_identity_t<Handlers<Window>> table) {
  for (const auto& h : table) h.Connect(window);
}
