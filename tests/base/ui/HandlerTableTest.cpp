// A handler table ties each control by its kind's event convention: what the
// user does runs the handler; positions and indexes set by code run none.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QWidget>
#include <functional>

#include "base/ui/HandlerTable.h"

namespace {

class Window : public QWidget {
 public:
  Window() {
    ComboBox1->addItems({"a", "b"});
    ConnectEach(this, {{Button1, &Window::Button1Click}, {Action1, &Window::Action1Click},
                       {CheckBox1, &Window::CheckBox1Click}, {RadioButton1, &Window::RadioButton1Click},
                       {ComboBox1, &Window::ComboBox1Change}, {UpDown1, &Window::UpDown1Click},
                       {RadioGroup1, &Window::RadioGroup1Click}, {ScrollBar1, &Window::ScrollBar1Change},
                       {Edit1, &Window::Edit1Change}, {SpinBox1, &Window::SpinBox1Change}});
  }
  QPushButton* Button1 = new QPushButton(this);
  QAction* Action1 = new QAction(this);
  QCheckBox* CheckBox1 = new QCheckBox(this);
  QRadioButton* RadioButton1 = new QRadioButton(this);
  QComboBox* ComboBox1 = new QComboBox(this);
  TUpDown* UpDown1 = new TUpDown("UpDown1", "Edit1", 0, 10, 0, this);
  TRadioGroup* RadioGroup1 = new TRadioGroup("RadioGroup1", "", {"x", "y"}, this);
  QScrollBar* ScrollBar1 = new QScrollBar(this);
  QLineEdit* Edit1 = new QLineEdit(this);
  QSpinBox* SpinBox1 = new QSpinBox(this);
  std::string ran;

 private:
  void Button1Click() { ran += "Button1 "; }
  void Action1Click() { ran += "Action1 "; }
  void CheckBox1Click() { ran += "CheckBox1 "; }
  void RadioButton1Click() { ran += "RadioButton1 "; }
  void ComboBox1Change() { ran += "ComboBox1 "; }
  void UpDown1Click() { ran += "UpDown1 "; }
  void RadioGroup1Click() { ran += "RadioGroup1 "; }
  void ScrollBar1Change() { ran += "ScrollBar1 "; }
  void Edit1Change() { ran += "Edit1 "; }
  void SpinBox1Change() { ran += "SpinBox1 "; }
};

struct Case {
  const char* what;
  std::function<void(Window&)> act;
  std::string ran;
};

TEST(HandlerTable, EachControlRunsItsHandlerByItsKindsConvention) {
  const Case cases[] = {
      {"button click", [](Window& w) { w.Button1->click(); }, "Button1 "},
      {"menu item", [](Window& w) { w.Action1->trigger(); }, "Action1 "},
      {"check box ticked by code", [](Window& w) { w.CheckBox1->setChecked(true); }, "CheckBox1 "},
      {"check box set as it stands", [](Window& w) { w.CheckBox1->setChecked(false); }, ""},
      {"radio button checked", [](Window& w) { w.RadioButton1->setChecked(true); }, "RadioButton1 "},
      {"radio button unchecked",
       [](Window& w) {
         w.RadioButton1->setAutoExclusive(false);
         w.RadioButton1->setChecked(true);
         w.ran.clear();
         w.RadioButton1->setChecked(false);
       },
       ""},
      {"combo index set by code", [](Window& w) { SetComboIndex(w.ComboBox1, 1); }, ""},
      {"combo chosen by the user", [](Window& w) { emit w.ComboBox1->activated(1); }, "ComboBox1 "},
      {"up-down position set by code", [](Window& w) { w.UpDown1->SetPosition(3); }, ""},
      {"up-down stepped", [](Window& w) { w.UpDown1->stepUp(); }, "UpDown1 "},
      {"radio group index", [](Window& w) { w.RadioGroup1->SetItemIndex(1); }, "RadioGroup1 "},
      {"scroll bar moved", [](Window& w) { w.ScrollBar1->setValue(5); }, "ScrollBar1 "},
      {"edit typed", [](Window& w) { w.Edit1->setText("1"); }, "Edit1 "},
      {"spin box stepped", [](Window& w) { w.SpinBox1->stepUp(); }, "SpinBox1 "},
      {"spin box value set by code", [](Window& w) { w.SpinBox1->setValue(4); }, "SpinBox1 "},
      {"spin box set as it stands", [](Window& w) { w.SpinBox1->setValue(0); }, ""},
  };
  for (const Case& c : cases) {
    Window w;
    c.act(w);
    EXPECT_EQ(w.ran, c.ran) << c.what;
  }
}

}  // namespace
