// Caption and control pairs fill a grid's rows: each pair takes two
// neighbouring columns, and a row holds as many pairs as it was given.
#include <gtest/gtest.h>

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include "events/ui/IdentificationWidgets.h"

namespace {

struct Placed {
  int per_row;
  int pair;  // 0-based, in the order added
  int row, caption_column;
};

TEST(CaptionedCells, EachPairTakesTheNextTwoColumnsAndWrapsAfterAFullRow) {
  const Placed cases[] = {
      {4, 0, 0, 0}, {4, 3, 0, 6}, {4, 4, 1, 0}, {4, 9, 2, 2},
      {6, 5, 0, 10}, {6, 6, 1, 0}, {6, 13, 2, 2},
  };
  for (const Placed& c : cases) {
    QWidget form;
    CaptionedCells cells(&form, new QGridLayout(&form), c.per_row);
    QLineEdit* edit = nullptr;
    for (int k = 0; k <= c.pair; ++k) edit = cells.AddEdit("Edit", k == c.pair ? "wanted" : "other");
    int row = -1, column = -1, span_r = 0, span_c = 0;
    cells.Grid()->getItemPosition(cells.Grid()->indexOf(edit), &row, &column, &span_r, &span_c);
    EXPECT_EQ(row, c.row) << c.per_row << " a row, pair " << c.pair;
    EXPECT_EQ(column, c.caption_column + 1) << c.per_row << " a row, pair " << c.pair;
    auto* caption = qobject_cast<QLabel*>(cells.Grid()->itemAtPosition(c.row, c.caption_column)->widget());
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->text(), "wanted");
    EXPECT_EQ(edit->parentWidget(), &form);
  }
}

}  // namespace
