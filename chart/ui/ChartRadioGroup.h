#pragma once
// A titled group of radio buttons addressed by item index. Its items are
// named "<group name>_Item<i>". Changing the index, by a click or by code,
// emits itemSelected (a code set inside a QSignalBlocker does not).
#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QStringList>

class ChartRadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  ChartRadioGroup(const QString& name, const QString& title, const QStringList& items, int columns,
                  QWidget* parent);
  int ItemIndex() const { return buttons_->checkedId(); }
  void SetItemIndex(int index);
  QRadioButton* Item(int index) const { return qobject_cast<QRadioButton*>(buttons_->button(index)); }

 signals:
  void itemSelected(int index);

 private:
  QButtonGroup* buttons_;
};
