#pragma once
// A deterministic "monkey" for window tests: from a fixed seed it types
// nonsense into the edits, spin boxes and editable combo boxes of a window,
// flips its check and radio boxes, picks combo items, clicks its buttons,
// menu items and pictures, and lets the event loop work after every step.
// A crash or sanitizer report ends the program; an exception that reaches
// the monkey, or a message box that is empty or shows a library's bare
// exception text, fails the test with the steps that led to it.
//
// Install a ScriptedDialogService first: its empty queues answer every box
// with No and every file dialog with Cancel, so nothing real is written.
// With `answer` (or TESSARY_MONKEY_ANSWER=1) the boxes get Yes or No and the
// file dialogs a file in a folder of the monkey's own or Cancel.
// Modal windows and pop-up menus the steps open are closed at once.
//
// TESSARY_MONKEY_TRACE=1 prints every step before it runs (to find the step
// that crashed); TESSARY_MONKEY_SEED=n shifts every seed by n and
// TESSARY_MONKEY_STEPS=k takes k times the steps and TESSARY_MONKEY_TEXTS=a;b
// types a and b too, to explore; TESSARY_MONKEY_FILES=folder lets the open
// dialogs answer its files too (broken videos, tables, pictures).
#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDir>
#include <QDialog>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <exception>
#include <functional>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/ui/DialogService.h"

struct MonkeyOptions {
  uint32_t seed = 1;
  int steps = 300;
  // Controls (and everything inside them) the monkey never touches: those
  // that start a download, a capture device or a long fit, and the window's
  // own closing items.
  std::set<QString> skip;
  // Clicked once each after the steps, in this order (closing items).
  std::vector<QString> last;
  // Also act in the windows the steps open (picked as often as the window
  // under test), so that orders across windows are tried too.
  bool follow_new_windows = false;
  // Other windows, open already, to act in as well.
  std::vector<QPointer<QWidget>> also;
  // Texts typed besides the nonsense ones: numbers at the edges of the
  // data loaded (its first and last frame, one past it).
  std::vector<QString> texts;
  // Boxes and file dialogs answered at random (from a generator of their
  // own, so the steps stay those of the seed).
  bool answer = false;
  // Files the open dialogs may answer too (a video, a table), with answer.
  std::vector<QString> files;
  // Opens the window again when a step closed it (a button that closes it
  // after its work); without it the steps end there.
  std::function<QWidget*()> reopen;
};

// The texts typed into edits: empty, signs alone, overflow, not-a-number,
// locale commas, int limits, very long text.
inline const std::vector<QString>& MonkeyTexts() {
  static const std::vector<QString> texts = {
      "",           "-",           "+",           ".",          "1e999",      "-1e999",     "nan",
      "inf",        "-2147483649", "2147483648",  "2147483647", "-2147483648", "0",         "-1",
      "abc",        "1,5",         "1.5",         "0.0",        "-0",          "1e-320",     "99999999999999999999",
      " 12 ",       "12:34:56",    "1:2",         "::",         "#",          "1e5",        "3",
      QString(400, QChar('9')),    QString(300, QChar('x')),  "\xc3\xa9\xc3\xa8", "100", "65536"};
  return texts;
}

// A key pressed and released on w, as the keyboard sends it.
inline void SendKey(QWidget* w, int key, const QString& text = {}) {
  QPointer<QWidget> guard(w);
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &press);
  if (!guard) return;
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &release);
}

// Types `text` over the whole text of an edit, a spin box or an editable
// combo box, without Enter.
inline void TypeOver(QWidget* target, const QString& text) {
  QLineEdit* edit = qobject_cast<QLineEdit*>(target);
  if (!edit) edit = target->findChild<QLineEdit*>();
  if (!edit) return;
  edit->selectAll();
  if (text.isEmpty())
    SendKey(target, Qt::Key_Delete);
  else
    SendKey(target, Qt::Key_unknown, text);
}

// Leaving an edit: the focus goes elsewhere.
inline void LeaveEdit(QWidget* target) {
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QPointer<QWidget> guard(target);
  if (QLineEdit* edit = qobject_cast<QLineEdit*>(target) ? nullptr : target->findChild<QLineEdit*>())
    QApplication::sendEvent(edit, &out);
  if (guard) QApplication::sendEvent(target, &out);
}

class WindowMonkey {
 public:
  WindowMonkey(QWidget* root, MonkeyOptions options) : root_(root), options_(std::move(options)) {
    trace_ = std::getenv("TESSARY_MONKEY_TRACE") != nullptr;
    if (const char* more = std::getenv("TESSARY_MONKEY_SEED")) options_.seed += static_cast<uint32_t>(std::atoi(more));
    if (const char* times = std::getenv("TESSARY_MONKEY_STEPS")) options_.steps *= std::max(1, std::atoi(times));
    if (const char* texts = std::getenv("TESSARY_MONKEY_TEXTS"))
      for (const QString& t : QString::fromUtf8(texts).split(';')) options_.texts.push_back(t);
    if (const char* answer = std::getenv("TESSARY_MONKEY_ANSWER")) options_.answer = std::atoi(answer) != 0;
    if (const char* files = std::getenv("TESSARY_MONKEY_FILES"))
      for (const QString& name : QDir(QString::fromUtf8(files)).entryList(QDir::Files, QDir::Name))
        options_.files.push_back(QDir(QString::fromUtf8(files)).filePath(name));
    answers_.seed(options_.seed * 7919u + 1u);
    rng_.seed(options_.seed);
    // Modal windows and pop-up menus spin their own loop: close them from it.
    QObject::connect(&closer_, &QTimer::timeout, [this] {
      if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
      if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != root_) {
        if (auto* dialog = qobject_cast<QDialog*>(modal))
          dialog->reject();
        else
          modal->close();
      }
    });
    closer_.start(0);
    for (QWidget* w : QApplication::topLevelWidgets()) before_.insert(w);
    if (auto* scripted = dynamic_cast<ScriptedDialogService*>(&Dialogs())) seen_messages_ = scripted->messages.size();
  }
  ~WindowMonkey() { closer_.stop(); }

  // Runs the steps and the closing clicks; the number of steps that acted.
  int Run() {
    if (!root_) return 0;
    root_->show();
    root_->activateWindow();
    QApplication::processEvents();
    int acted = 0;
    for (int step = 0; step < options_.steps; ++step) {
      if ((!root_ || !root_->isVisible()) && !Reopen()) break;
      if (options_.answer) Answer();
      if (Guarded(step, [&] { return Step(); })) ++acted;
      Settle();
      CheckMessages(step);
    }
    for (const QString& name : options_.last) {
      if (!root_) break;
      Guarded(options_.steps, [&] { return ClickNamed(name); });
      Settle();
    }
    CloseNewWindows();
    if (options_.answer) EndAnswers();
    return acted;
  }

  const std::deque<std::string>& History() const { return history_; }

 private:
  bool Reopen() {
    if (!options_.reopen) return false;
    if (root_) root_->close();
    Settle();
    Note("reopen");
    root_ = options_.reopen();
    if (!root_) return false;
    root_->show();
    before_.insert(root_);
    return true;
  }

  // One answer waiting in each queue of the scripted service.
  void Answer() {
    auto* scripted = dynamic_cast<ScriptedDialogService*>(&Dialogs());
    if (!scripted || !folder_.isValid()) return;
    static const char* const names[] = {"", "monkey.csv", "monkey.txt", "monkey.png", "monkey.bmp", "monkey.xml",
                                        "monkey.ini", "monkey"};
    auto file = [&] {
      const char* n = names[answers_() % std::size(names)];
      return *n ? folder_.filePath(n) : QString();
    };
    auto opened = [&] {
      const size_t i = answers_() % (std::size(names) + options_.files.size());
      return i < std::size(names) ? file() : options_.files[i - std::size(names)];
    };
    if (scripted->yes_no_answers.empty()) scripted->yes_no_answers.push_back(answers_() % 2 == 0);
    if (scripted->save_file_names.empty()) scripted->save_file_names.push_back(file());
    if (scripted->open_file_names.empty()) scripted->open_file_names.push_back(opened());
    if (scripted->folder_names.empty())
      scripted->folder_names.push_back(answers_() % 2 == 0 ? folder_.path() : QString());
    if (scripted->colors.empty()) scripted->colors.push_back(QColor::fromRgb(answers_() & 0xFFFFFFu));
  }

  // The answers left are taken back; every file written went whole.
  void EndAnswers() {
    if (auto* scripted = dynamic_cast<ScriptedDialogService*>(&Dialogs())) {
      scripted->yes_no_answers.clear();
      scripted->save_file_names.clear();
      scripted->open_file_names.clear();
      scripted->folder_names.clear();
      scripted->colors.clear();
    }
    for (const QString& name : QDir(folder_.path()).entryList(QDir::Files | QDir::Hidden)) {
      if (trace_) std::fprintf(stderr, "monkey %u: wrote %s\n", options_.seed, name.toUtf8().constData());
      if (name.contains(".tmp") || name.startsWith('.'))
        ADD_FAILURE() << "seed " << options_.seed << ": half-written file " << name.toStdString();
    }
  }

  template <class F>
  bool Guarded(int step, F f) {
    try {
      return f();
    } catch (const std::exception& e) {
      ADD_FAILURE() << "seed " << options_.seed << " step " << step << ": exception '" << e.what() << "' after"
                    << Steps();
    } catch (...) {
      ADD_FAILURE() << "seed " << options_.seed << " step " << step << ": unknown exception after" << Steps();
    }
    return false;
  }

  // A message must say something a user can read: never empty, never the
  // bare text of a library's exception.
  void CheckMessages(int step) {
    auto* scripted = dynamic_cast<ScriptedDialogService*>(&Dialogs());
    if (!scripted) return;
    static const char* const raw[] = {"stoi", "stol", "stod", "basic_string", "std::", "_M_", "bad_alloc",
                                      "out_of_range", "invalid_argument", "An unexpected error"};
    for (; seen_messages_ < scripted->messages.size(); ++seen_messages_) {
      const QString& text = scripted->messages[seen_messages_].text;
      bool bad = text.trimmed().isEmpty();
      for (const char* r : raw) bad = bad || text.contains(r);
      if (bad)
        ADD_FAILURE() << "seed " << options_.seed << " step " << step << ": message '" << text.toStdString()
                      << "' after" << Steps();
    }
  }

  std::string Steps() const {
    std::string s;
    for (const std::string& h : history_) s += "\n  " + h;
    return s;
  }

  void Note(const std::string& what) {
    history_.push_back(what);
    if (history_.size() > 40) history_.pop_front();
    if (trace_) {
      // With the time the step before took, to find slow ones.
      std::fprintf(stderr, "monkey %u: (+%lld ms) %s\n", options_.seed, clock_.isValid() ? clock_.restart() : 0LL,
                   what.c_str());
      if (!clock_.isValid()) clock_.start();
      std::fflush(stderr);
    }
  }

  static void Settle() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  int Pick(int n) { return static_cast<int>(Draw() % static_cast<uint32_t>(n)); }
  uint32_t Draw() { return draws_[drawn_++ % draws_.size()]; }

  bool Skipped(const QObject* o) const {
    for (const QObject* p = o; p; p = p->parent())
      if (options_.skip.count(p->objectName())) return true;
    return false;
  }

  // A button whose caption says it closes its window; pressed only at the end.
  static bool ClosesTheWindow(QWidget* w) {
    auto* b = qobject_cast<QAbstractButton*>(w);
    if (!b) return false;
    const QString t = b->text().remove('&').trimmed().toLower();
    return t.contains("close") || t == "exit" || t == "ok" || t == "cancel" || t == "quit";
  }

  // A window the steps opened (closing it is one more step), not the window
  // under test nor one given to act in as well.
  bool Followed(QWidget* arena) const {
    if (arena == root_) return false;
    for (const QPointer<QWidget>& w : options_.also)
      if (w == arena) return false;
    return true;
  }

  // The window under test, and with follow_new_windows the others it opened.
  std::vector<QWidget*> Arenas() const {
    std::vector<QWidget*> out{root_.data()};
    for (const QPointer<QWidget>& w : options_.also)
      if (w && w->isVisible()) out.push_back(w);
    if (!options_.follow_new_windows) return out;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w != root_ && !before_.count(w) && w->isVisible() && !w->inherits("QMenu") && !Skipped(w))
        out.push_back(w);
    return out;
  }

  static std::string Name(const QObject* o) {
    std::string n = o->objectName().toStdString();
    return n.empty() ? std::string(o->metaObject()->className()) : n;
  }

  // What a user can reach: shown (a hidden tab page counts, the user switches
  // to it), enabled, not inside a skipped control.
  bool Reachable(QWidget* w, QWidget* arena) const {
    if (!w->isEnabled() || Skipped(w)) return false;
    if (w->window() != arena) return false;
    if (ClosesTheWindow(w) && !Followed(arena)) return false;
    for (QWidget* p = w; p && p != arena; p = p->parentWidget()) {
      if (!p->isHidden()) continue;
      QWidget* stack = p->parentWidget();
      if (!stack || !qobject_cast<QTabWidget*>(stack->parentWidget())) return false;
    }
    return true;
  }

  enum class Kind { Text, Button, Other };
  static Kind KindOf(QWidget* w) {
    if (qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QPlainTextEdit*>(w))
      return Kind::Text;
    if (auto* e = qobject_cast<QLineEdit*>(w))
      return e->isReadOnly() || qobject_cast<QAbstractSpinBox*>(e->parentWidget()) ||
                     qobject_cast<QComboBox*>(e->parentWidget())
                 ? Kind::Other
                 : Kind::Text;
    if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QGroupBox*>(w)) return Kind::Button;
    return Kind::Other;
  }

  // A step: a menu item, a key, typing, a button or a click elsewhere, each
  // kind with its own share so that large windows still get typed into.
  // The controls are drawn from every named one, shown and enabled or not,
  // and each step's random numbers are drawn before it: what a timer changed
  // meanwhile alters what a step does, never which steps follow.
  bool Step() {
    for (uint32_t& r : draws_) r = rng_();
    drawn_ = 0;
    const std::vector<QWidget*> arenas = Arenas();
    QWidget* arena = arenas[static_cast<size_t>(Pick(static_cast<int>(arenas.size())))];
    std::vector<QWidget*> by_kind[3];
    for (QWidget* w : arena->findChildren<QWidget*>())
      if (!w->objectName().isEmpty() && !w->objectName().startsWith("qt_") && !Skipped(w))
        by_kind[static_cast<int>(KindOf(w))].push_back(w);
    std::vector<QAction*> actions;
    for (QAction* a : arena->findChildren<QAction*>())
      if (!a->objectName().isEmpty() && !a->objectName().startsWith("_q_") && !a->isSeparator() && !a->menu() &&
          !Skipped(a))
        actions.push_back(a);
    const int roll = Pick(100);
    if (roll < 8 && !actions.empty()) {
      QAction* a = actions[static_cast<size_t>(Pick(static_cast<int>(actions.size())))];
      if (!a->isEnabled()) return false;
      Note("trigger " + Name(a) + " '" + a->text().toStdString() + "'");
      a->trigger();
      return true;
    }
    if (roll < 12) return PressKey(arena->focusWidget() ? arena->focusWidget() : arena);
    if (roll < 14) {
      // From tiny (the window's minimum holds it) to large.
      const QSize size(1 + Pick(Pick(2) ? 40 : 1400), 1 + Pick(Pick(2) ? 40 : 1000));
      Note("resize " + Name(arena) + " to " + std::to_string(size.width()) + "x" + std::to_string(size.height()));
      arena->resize(size);
      return true;
    }
    const Kind kind = roll < 50 ? Kind::Text : roll < 85 ? Kind::Button : Kind::Other;
    // A window without controls of the kind rolled gets a step of another kind.
    int k = static_cast<int>(kind);
    for (int tries = 0; tries < 3 && by_kind[k].empty(); ++tries) k = (k + 1) % 3;
    std::vector<QWidget*>& pool = by_kind[k];
    if (pool.empty()) return false;
    QWidget* w = pool[static_cast<size_t>(Pick(static_cast<int>(pool.size())))];
    return Reachable(w, arena) && Act(w);
  }

  bool Act(QWidget* w) {
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) return ActSpin(spin);
    if (auto* combo = qobject_cast<QComboBox*>(w)) return ActCombo(combo);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
      if (edit->isReadOnly() || qobject_cast<QAbstractSpinBox*>(edit->parentWidget()) ||
          qobject_cast<QComboBox*>(edit->parentWidget()))
        return false;
      return TypeInto(edit, edit);
    }
    if (auto* group = qobject_cast<QGroupBox*>(w); group && group->isCheckable()) {
      Note("toggle " + Name(w));
      group->setChecked(!group->isChecked());
      return true;
    }
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      Note("click " + Name(w) + " '" + button->text().toStdString() + "'");
      button->click();
      return true;
    }
    if (auto* slider = qobject_cast<QAbstractSlider*>(w)) {
      const int v = Pick(4) == 0 ? slider->maximum()
                                 : slider->minimum() + Pick(std::max(1, slider->maximum() - slider->minimum() + 1));
      Note("slide " + Name(w) + " to " + std::to_string(v));
      slider->setValue(v);
      return true;
    }
    if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
      if (tabs->count() == 0) return false;
      const int i = Pick(tabs->count());
      Note("tab " + Name(w) + " " + std::to_string(i));
      tabs->setCurrentIndex(i);
      return true;
    }
    if (auto* list = qobject_cast<QListWidget*>(w)) {
      if (list->count() == 0) return Mouse(list->viewport(), Name(w));
      const int row = Pick(list->count());
      Note("list " + Name(w) + " row " + std::to_string(row));
      list->setCurrentRow(row);
      const QPoint p = list->visualItemRect(list->item(row)).center();
      MouseAt(list->viewport(), p, Qt::LeftButton, Pick(4) == 0);
      return true;
    }
    if (auto* text = qobject_cast<QPlainTextEdit*>(w)) {
      if (text->isReadOnly()) return Mouse(text->viewport(), Name(w));
      const QString t = Text();
      Note("type in " + Name(w) + " '" + t.left(20).toStdString() + "'");
      if (Pick(3) == 0) text->selectAll();
      Key(text, t.isEmpty() ? Qt::Key_Backspace : Qt::Key_unknown, t);
      if (Pick(2)) Key(text, Qt::Key_Return, "\r");
      return true;
    }
    if (qobject_cast<QTextEdit*>(w) || qobject_cast<QScrollArea*>(w)) return false;
    // Pictures, graphs and panels: a click somewhere on them.
    if (w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty() || w->inherits("QLabel"))
      return Mouse(w, Name(w));
    return false;
  }

  bool ActSpin(QAbstractSpinBox* spin) {
    switch (Pick(4)) {
      case 0: {
        const bool up = Pick(2);
        Note("step " + Name(spin) + (up ? " up" : " down"));
        Key(spin, Pick(3) == 0 ? (up ? Qt::Key_PageUp : Qt::Key_PageDown) : (up ? Qt::Key_Up : Qt::Key_Down), {});
        return true;
      }
      default:
        return TypeInto(spin, spin->findChild<QLineEdit*>());
    }
  }

  bool ActCombo(QComboBox* combo) {
    if (combo->isEditable() && Pick(2)) return TypeInto(combo, combo->lineEdit());
    static const Qt::Key keys[] = {Qt::Key_Down, Qt::Key_Up, Qt::Key_Home, Qt::Key_End, Qt::Key_PageDown};
    const Qt::Key k = keys[Pick(5)];
    Note("combo " + Name(combo) + " key " + std::to_string(k));
    Key(combo, k, {});
    return true;
  }

  QString Text() {
    const auto& texts = MonkeyTexts();
    const size_t i = static_cast<size_t>(Pick(static_cast<int>(texts.size() + options_.texts.size())));
    return i < texts.size() ? texts[i] : options_.texts[i - texts.size()];
  }

  // Selects the whole text and types a nonsense text over it, then Enter, a
  // focus change or nothing.
  bool TypeInto(QWidget* target, QLineEdit* edit) {
    if (!edit) return false;
    QString t = Text();
    if (Pick(5) == 0) t = QString::number(static_cast<int32_t>(Draw()) / (1 << Pick(31)));
    const int ending = Pick(3);
    Note("type " + Name(target) + " '" + t.left(24).toStdString() + (t.size() > 24 ? "...'" : "'") +
         (ending == 0 ? " Enter" : ending == 1 ? " leave" : ""));
    TypeOver(target, t);
    if (ending == 0) Key(target, Qt::Key_Return, "\r");
    if (ending == 1) LeaveEdit(target);
    return true;
  }

  bool PressKey(QWidget* w) {
    static const Qt::Key keys[] = {Qt::Key_Left,   Qt::Key_Right,  Qt::Key_Up,    Qt::Key_Down,  Qt::Key_PageUp,
                                   Qt::Key_PageDown, Qt::Key_Home, Qt::Key_End,   Qt::Key_Space, Qt::Key_Delete,
                                   Qt::Key_Return, Qt::Key_Plus,  Qt::Key_Minus, Qt::Key_0};
    // No Escape: it closes dialogs, a closing step.
    const Qt::Key k = keys[Pick(14)];
    Note("key " + std::to_string(k) + " to " + Name(w));
    const QString text = k == Qt::Key_Plus ? "+" : k == Qt::Key_Minus ? "-" : k == Qt::Key_0 ? "0" : "";
    Key(w, k, text);
    return true;
  }

  static void Key(QWidget* w, int key, const QString& text) { SendKey(w, key, text); }

  bool Mouse(QWidget* w, const std::string& name) {
    if (w->width() <= 0 || w->height() <= 0) return false;
    const QPoint p(Pick(w->width()), Pick(w->height()));
    if (Pick(6) == 0) {
      const QPoint delta(0, Pick(2) ? 120 : -120);
      Note("wheel " + name + " at " + std::to_string(p.x()) + "," + std::to_string(p.y()));
      QWheelEvent wheel(QPointF(p), w->mapToGlobal(QPointF(p)), {}, delta, Qt::NoButton, Qt::NoModifier,
                        Qt::NoScrollPhase, false);
      QApplication::sendEvent(w, &wheel);
      return true;
    }
    const Qt::MouseButton button = Pick(5) == 0 ? Qt::RightButton : Qt::LeftButton;
    const bool twice = Pick(5) == 0;
    Note("mouse " + name + " at " + std::to_string(p.x()) + "," + std::to_string(p.y()) +
         (button == Qt::RightButton ? " right" : "") + (twice ? " double" : ""));
    MouseAt(w, p, button, twice);
    return true;
  }

  void MouseAt(QWidget* w, QPoint p, Qt::MouseButton button, bool twice) {
    QPointer<QWidget> guard(w);
    auto send = [&](QEvent::Type type, Qt::MouseButtons held, QPoint at) {
      if (!guard) return;
      QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), type == QEvent::MouseMove ? Qt::NoButton : button,
                    held, Qt::NoModifier);
      QApplication::sendEvent(w, &e);
    };
    send(QEvent::MouseButtonPress, button, p);
    if (Pick(3) == 0) send(QEvent::MouseMove, button, QPoint(Pick(w->width() + 20) - 10, Pick(w->height() + 20) - 10));
    send(QEvent::MouseButtonRelease, Qt::NoButton, p);
    if (twice) {
      send(QEvent::MouseButtonDblClick, button, p);
      send(QEvent::MouseButtonRelease, Qt::NoButton, p);
    }
  }

  bool ClickNamed(const QString& name) {
    if (auto* a = root_->findChild<QAction*>(name); a && a->isEnabled()) {
      Note("close by " + name.toStdString());
      a->trigger();
      return true;
    }
    if (auto* b = root_->findChild<QAbstractButton*>(name); b && b->isEnabled()) {
      Note("close by " + name.toStdString());
      b->click();
      return true;
    }
    return false;
  }

  // Windows the steps opened are closed (their own closing runs).
  void CloseNewWindows() {
    for (int round = 0; round < 3; ++round) {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (!before_.count(w) && w != root_ && w->isVisible()) w->close();
      Settle();
    }
  }

  QPointer<QWidget> root_;
  MonkeyOptions options_;
  std::mt19937 rng_;
  bool trace_ = false;
  QTimer closer_;
  std::set<QWidget*> before_;
  std::deque<std::string> history_;
  QElapsedTimer clock_;
  size_t seen_messages_ = 0;
  std::array<uint32_t, 12> draws_{};
  std::mt19937 answers_;
  QTemporaryDir folder_;
  size_t drawn_ = 0;
};

// Runs a monkey on `root` and returns the number of steps that acted.
inline int RunMonkey(QWidget* root, MonkeyOptions options) { return WindowMonkey(root, std::move(options)).Run(); }

// A window made on its own for a monkey: `make` builds it (again when a step
// closed it); what it made is deleted afterwards.
struct MonkeyWindow {
  const char* name;
  std::function<QWidget*()> make;
  std::set<QString> skip;  // downloads, devices, long work, closing items
  uint32_t seed = 1;
};

inline void RunMonkeyOn(const MonkeyWindow& window, int steps = 300) {
  std::vector<QPointer<QWidget>> made;
  auto make = [&]() -> QWidget* {
    QWidget* w = window.make();
    made.emplace_back(w);
    return w;
  };
  MonkeyOptions o;
  o.seed = window.seed;
  o.steps = steps;
  o.skip = window.skip;
  o.reopen = make;
  QWidget* first = make();
  ASSERT_NE(first, nullptr);
  EXPECT_GT(RunMonkey(first, o), 10) << window.name;
  for (QPointer<QWidget>& w : made) delete w.data();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
