#pragma once
// 'Setting for predicted track': per object whether its recent tracked
// positions feed a predicted track, and over how many frames it is fitted.
#include <QWidget>
#include <array>

class QCheckBox;
class TPlatform;
class TUpDown;

class TSetPredictTrack : public QWidget {
  Q_OBJECT
 public:
  explicit TSetPredictTrack(TPlatform& platform, QWidget* parent = nullptr);
  // Shows each object's Enabled and FrameRange.
  void ShowObjects();

  std::array<QCheckBox*, 3> CheckBox{};  // CheckBox1..3 'Object A'..'Object C'
  std::array<TUpDown*, 3> UpDown{};      // UpDown1..3 'Frame range ' (Edit1..3)

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void EnabledClick(int k);
  void FrameRangeClick(int k);
  TPlatform& platform_;
};
