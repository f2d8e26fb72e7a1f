#pragma once
// Finds a window's control by its designer name, failing the test when absent.
#include <QWidget>
#include <gtest/gtest.h>

template <class T>
T* Find(QWidget& w, const char* name) {
  T* c = w.findChild<T*>(name);
  EXPECT_NE(c, nullptr) << name;
  return c;
}
