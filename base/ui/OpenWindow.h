#pragma once
// A window opened once: a second request brings the open one to the front.

// `make` builds the window when none is open; it is then shown.
template <class Pointer, class Make>
void RaiseOrShow(Pointer& window, Make make) {
  if (window) {
    window->raise();
    return;
  }
  window = make();
  window->show();
}
