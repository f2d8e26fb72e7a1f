#pragma once
// A window wires its buttons, up-downs and check boxes from tables of
// {control, handler}, connected in the order listed.
#include <QAbstractButton>
#include <initializer_list>
#include <type_traits>
#include <utility>

#include "base/ui/ControlEvents.h"

template <class Window, class Control>
using HandlerTable = std::initializer_list<std::pair<Control*, std::type_identity_t<void (Window::*)()>>>;
template <class Window>
using ButtonHandlers = HandlerTable<Window, QAbstractButton>;
template <class Window>
using UpDownHandlers = HandlerTable<Window, TUpDown>;

template <class Window>
void OnButtonClicks(Window* window, ButtonHandlers<Window> table) {
  for (const auto& [button, handler] : table) QObject::connect(button, &QAbstractButton::clicked, window, handler);
}

template <class Window>
void OnUpDownChanges(Window* window, UpDownHandlers<Window> table) {
  for (const auto& [updown, handler] : table) OnUpDownChange(updown, window, handler);
}

template <class Window>
void OnCheckBoxClicks(Window* window, ButtonHandlers<Window> table) {
  for (const auto& [box, handler] : table) OnCheckBoxClick(box, window, handler);
}
