#include <QApplication>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

#include "app/ui/TPlatform.h"

TEST(TPlatformStart, ShowsTheResultsMemo) {
  TPlatform platform;
  auto* memo = platform.findChild<QPlainTextEdit*>("Memo1");
  ASSERT_NE(memo, nullptr);
}
