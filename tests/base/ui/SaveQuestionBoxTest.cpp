// The Save / Don't save / Cancel box of the Qt dialog service: each way of
// answering it gives its own answer, and closing it with Esc keeps the work.
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "base/ui/DialogService.h"

namespace {

struct BoxCase {
  const char* name;
  std::function<void(QMessageBox&)> answer;
  SaveAnswer expected;
};

class SaveQuestionBox : public ::testing::TestWithParam<BoxCase> {};

TEST_P(SaveQuestionBox, GivesTheAnswerOfTheButton) {
  QString text, title, discard;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    text = box->text();
    title = box->windowTitle();
    discard = box->button(QMessageBox::Discard)->text();
    GetParam().answer(*box);
  });
  QtDialogService service;
  EXPECT_EQ(service.SaveQuestion("Save the rows?", "Tessary"), GetParam().expected);
  EXPECT_EQ(text, "Save the rows?");
  EXPECT_EQ(title, "Tessary");
  EXPECT_EQ(discard, "Don't Save");
}

void Press(QMessageBox& box, QMessageBox::StandardButton b) { box.button(b)->click(); }

INSTANTIATE_TEST_SUITE_P(
    Buttons, SaveQuestionBox,
    ::testing::Values(BoxCase{"Save", [](QMessageBox& b) { Press(b, QMessageBox::Save); }, SaveAnswer::Save},
                      BoxCase{"Discard", [](QMessageBox& b) { Press(b, QMessageBox::Discard); }, SaveAnswer::DontSave},
                      BoxCase{"Cancel", [](QMessageBox& b) { Press(b, QMessageBox::Cancel); }, SaveAnswer::Cancel},
                      BoxCase{"Escape",
                              [](QMessageBox& b) {
                                QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                                QApplication::sendEvent(&b, &esc);
                              },
                              SaveAnswer::Cancel}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
