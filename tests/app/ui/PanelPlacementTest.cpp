// Where the main window's later-added controls sit: each in the panel that
// shows it, at its grid cell (or place in a row), and reached last by Tab.
#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLayout>
#include <QWidget>
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "MainRoadFixture.h"
#include "support/WindowControls.h"

namespace {

// The cell of the item holding `w` in a grid (row, column, spans), or its
// index in a row or column of controls (column -1).
struct Cell {
  int row, column, row_span, column_span;
  bool operator==(const Cell&) const = default;
};

std::optional<Cell> CellIn(QLayout* l, QWidget* w) {
  for (int i = 0; i < l->count(); ++i) {
    QLayoutItem* item = l->itemAt(i);
    if (item->widget() != w && !(item->layout() && CellIn(item->layout(), w))) continue;
    auto* grid = qobject_cast<QGridLayout*>(l);
    if (!grid) return Cell{i, -1, 1, 1};
    Cell c{};
    grid->getItemPosition(i, &c.row, &c.column, &c.row_span, &c.column_span);
    return c;
  }
  return std::nullopt;
}

std::string GroupOf(QWidget* w) {
  for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
    if (auto* g = qobject_cast<QGroupBox*>(p)) return g->objectName().isEmpty() ? g->title().toStdString() : g->objectName().toStdString();
  return {};
}

struct Place {
  const char* name;
  const char* beside;  // a control of the same parent
  const char* group;
  Cell cell;
};

// As the window has always laid them out.
const Place kPlaces[] = {
    {"CheckBox8", "CheckBox2", "Measurement", {3, 0, 1, 1}},
    {"Button7", "RadioButton1", "GroupBox8", {3, 0, 1, 3}},
    {"RadioButton14", "RadioButton4", "Star Tracking", {3, 0, 1, 1}},
    {"RadioButton13", "RadioButton10", "GroupBox12", {3, -1, 1, 1}},
    {"Edit59", "ComboBox1", "GroupBox12", {4, 0, 1, 2}},
    {"Button39", "ComboBox1", "GroupBox12", {4, 2, 1, 2}},
    {"CheckBox18", "ComboBox1", "GroupBox12", {7, 0, 1, 4}},
    {"Edit55", "ComboBox1", "GroupBox12", {5, 0, 1, 4}},
    {"Edit56", "ComboBox1", "GroupBox12", {5, 0, 1, 4}},
    {"Edit57", "ComboBox1", "GroupBox12", {5, 0, 1, 4}},
    {"Edit64", "ComboBox1", "GroupBox12", {6, 0, 1, 4}},
    {"Edit63", "ComboBox1", "GroupBox12", {6, 0, 1, 4}},
    {"Edit60", "ComboBox1", "GroupBox12", {6, 0, 1, 4}},
    {"Edit61", "ComboBox1", "GroupBox12", {6, 0, 1, 4}},
    {"Edit62", "ComboBox1", "GroupBox12", {6, 0, 1, 4}},
    {"Edit10", "Button2", "Playback", {3, 1, 1, 1}},
    {"Edit15", "Button23", "GroupBoxObjects", {6, 0, 1, 1}},
    {"Button24", "Button23", "GroupBoxObjects", {6, 1, 1, 1}},
    {"Edit16", "Button23", "GroupBoxObjects", {6, 2, 1, 1}},
    {"Button26", "Button23", "GroupBoxObjects", {6, 3, 1, 1}},
    {"Button10", "Button8", "ToolsGroup", {3, -1, 1, 1}},
    {"Button34", "Button8", "ToolsGroup", {4, -1, 1, 1}},
    {"Button35", "Button8", "ToolsGroup", {5, -1, 1, 1}},
};

}  // namespace

TEST(PanelPlacement, ControlsSitInTheirPanelsAtTheirCells) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  for (const Place& p : kPlaces) {
    SCOPED_TRACE(p.name);
    auto* c = Find<QWidget>(&w, p.name);
    auto* beside = Find<QWidget>(&w, p.beside);
    ASSERT_TRUE(c && beside);
    EXPECT_EQ(c->parentWidget(), beside->parentWidget());
    EXPECT_EQ(GroupOf(c), p.group);
    ASSERT_TRUE(c->parentWidget()->layout());
    const std::optional<Cell> cell = CellIn(c->parentWidget()->layout(), c);
    ASSERT_TRUE(cell);
    EXPECT_EQ(*cell, p.cell) << cell->row << "," << cell->column << " spans " << cell->row_span << ","
                             << cell->column_span;
  }
  // 'Frame' labels the frame number read-out beside it.
  auto* frame = qobject_cast<QGridLayout*>(Find<QWidget>(&w, "Edit10")->parentWidget()->layout());
  ASSERT_TRUE(frame && frame->itemAtPosition(3, 0) && frame->itemAtPosition(3, 0)->widget());
  auto* label = qobject_cast<QLabel*>(frame->itemAtPosition(3, 0)->widget());
  ASSERT_TRUE(label);
  EXPECT_EQ(label->text(), "Frame");
}

TEST(PanelPlacement, TabReachesTheseControlsLastInTheirOrder) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  std::vector<std::string> chain;
  for (QWidget* f = w.nextInFocusChain(); f && f != &w; f = f->nextInFocusChain())
    if (!f->objectName().isEmpty() && !f->objectName().startsWith("qt_") && (f->focusPolicy() & Qt::TabFocus))
      chain.push_back(f->objectName().toStdString());
  const std::vector<std::string> last{"RadioButton14", "RadioButton13", "Edit59", "Button39", "Edit55",   "Edit56",
                                      "Edit57",        "Edit64",        "Edit63", "Edit60",   "Edit61",   "Edit62",
                                      "Button7",       "CheckBox8",     "CheckBox18", "Edit10", "Button24", "Button26",
                                      "Edit15",        "Edit16",        "Button10", "Button34", "Button35"};
  ASSERT_GT(chain.size(), last.size());
  EXPECT_EQ(std::vector<std::string>(chain.end() - static_cast<std::ptrdiff_t>(last.size()), chain.end()), last);
  // Nothing of these comes earlier as well.
  EXPECT_EQ(std::count(chain.begin(), chain.end(), "Button7"), 1);
}

// A click at the middle of each time-group control reaches that control, not
// one laid over it.
TEST(PanelPlacement, TimeGroupControlsDoNotCoverEachOther) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  w.resize(1500, 1000);
  w.show();
  QApplication::processEvents();
  auto* group = Find<QWidget>(&w, "GroupBox12");
  ASSERT_TRUE(group);
  for (const char* name : {"Edit59", "Button39", "CheckBox18", "Edit55", "Edit64"}) {
    SCOPED_TRACE(name);
    auto* c = Find<QWidget>(&w, name);
    ASSERT_TRUE(c);
    QWidget* hit = group->childAt(c->geometry().center());
    while (hit && hit != c && hit->parentWidget() != group) hit = hit->parentWidget();
    EXPECT_EQ(hit, c) << (hit ? hit->objectName().toStdString() : "nothing");
  }
}
