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

// A window's "is open" flag, up from the window's creation until it closes
// or is deleted, whichever comes first.
class OpenFlag {
 public:
  explicit OpenFlag(bool& flag) : flag_(flag) { flag_ = true; }
  ~OpenFlag() { flag_ = false; }
  OpenFlag(const OpenFlag&) = delete;
  OpenFlag& operator=(const OpenFlag&) = delete;
  void Closed() { flag_ = false; }

 private:
  bool& flag_;
};
