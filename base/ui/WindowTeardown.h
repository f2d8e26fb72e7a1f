#pragma once
// Destroying a window hides it, and an edit or spin box holding the focus then
// reports its leaving (editingFinished, a spin box's value, a focus-out filter).
// By then the window's own part is gone, so none of its handlers may run.
#include <QObject>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

// Runs `f` for every event of the watched control; true swallows the event.
class EventHook : public QObject {
 public:
  EventHook(QObject* watched, std::function<bool(QEvent*)> f) : QObject(watched), f_(std::move(f)) {
    watched->installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* e) override { return f_(e); }

 private:
  std::function<bool(QEvent*)> f_;
};

// Called first in a window's destructor: cuts every connection from the
// window's controls to the window, and its filters and hooks on them.
inline void DetachControls(QWidget* window) {
  std::vector<EventHook*> hooks;
  for (QObject* child : window->findChildren<QObject*>()) {
    QObject::disconnect(child, nullptr, window, nullptr);
    child->removeEventFilter(window);
    // Not a QObject class of its own, so found by its C++ type.
    if (auto* hook = dynamic_cast<EventHook*>(child)) hooks.push_back(hook);
  }
  for (EventHook* hook : hooks) delete hook;
}
