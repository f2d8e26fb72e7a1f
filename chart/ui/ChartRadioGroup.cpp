#include "chart/ui/ChartRadioGroup.h"

#include <QGridLayout>

ChartRadioGroup::ChartRadioGroup(const QString& name, const QString& title, const QStringList& items, int columns,
                                 QWidget* parent)
    : QGroupBox(title, parent), buttons_(new QButtonGroup(this)) {
  setObjectName(name);
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(4, 2, 4, 2);
  const int rows = columns > 0 ? (static_cast<int>(items.size()) + columns - 1) / columns : 1;
  for (int i = 0; i < items.size(); ++i) {
    auto* b = new QRadioButton(items[i], this);
    b->setObjectName(name + "_Item" + QString::number(i));
    buttons_->addButton(b, i);
    // Items run down the columns, as the designer lays them out.
    grid->addWidget(b, i % rows, i / rows);
  }
  connect(buttons_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    if (checked && !signalsBlocked()) emit itemSelected(id);
  });
}

void ChartRadioGroup::SetItemIndex(int index) {
  if (auto* b = buttons_->button(index)) b->setChecked(true);
}
