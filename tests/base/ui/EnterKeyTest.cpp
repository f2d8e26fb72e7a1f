// Return and the keypad's Enter confirm an edit; other keys and releases do not.
#include <gtest/gtest.h>

#include <QKeyEvent>

#include "base/ui/ControlEvents.h"

namespace {

TEST(EnterKey, ReturnAndKeypadEnterPressesOnly) {
  struct Case {
    QEvent::Type type;
    int key;
    bool enter;
  };
  for (const Case& c : {Case{QEvent::KeyPress, Qt::Key_Return, true}, Case{QEvent::KeyPress, Qt::Key_Enter, true},
                        Case{QEvent::KeyPress, Qt::Key_Escape, false}, Case{QEvent::KeyPress, Qt::Key_Space, false},
                        Case{QEvent::KeyRelease, Qt::Key_Return, false}}) {
    const QKeyEvent e(c.type, c.key, Qt::NoModifier);
    EXPECT_EQ(IsEnterKey(&e), c.enter) << c.key;
  }
  const QEvent focus(QEvent::FocusIn);
  EXPECT_FALSE(IsEnterKey(&focus));
}

}  // namespace
