#pragma once
// 'Operation guide': leads a new user through a measurement. Every control
// forwards to an operation of the main window; the guide keeps only the copy
// of the current frame's blocks taken when a preview or a measurement starts,
// so that 'Back to Starting point' can return there.
#include <QWidget>
#include <optional>

#include "base/FrameResult.h"
#include "base/ui/ControlsForward.h"
#include "measure/PsfFit.h"

class TPlatform;
struct FrameOutcome;

class TProfile : public QWidget {
  Q_OBJECT
 public:
  explicit TProfile(TPlatform& platform);
  ~TProfile() override;

  void RadioButton1Click();
  void RadioButton2Click();
  void RadioButton3Click();
  void CheckBox1Click();
  void Button1Click();  // 'Delete' with two objects
  void Button2Click();  // 'Delete' with three objects
  void ComboBox1Change();
  void Button3Click();  // 'Preview'
  void Button4Click();  // 'Stop' (preview)
  void Button6Click();  // 'Measure'
  void Button7Click();  // 'Stop' (measurement)
  void Button5Click();  // 'Back to Starting point'
  void Button8Click();  // 'Graph'
  void RadioGroup1Click();
  // The star buttons, 'Delete' buttons and link box show the main window's
  // objects after it added, removed or selected one.
  void FollowMainWindow();
  // The main window removed object `removed` of `count`: the starting point
  // drops it too, so 'Back to Starting point' puts each object left back on its own star.
  void ObjectRemoved(int removed, int count);
  // Image1: the selected star's radial profile on the current frame and,
  // with PSF photometry, the fitted profile, in the object's colour.
  void DrawProfile();
  // The main window showed a frame: its fit of the selected star, if any, is
  // the curve drawn from now on.
  void FrameShown(const FrameOutcome& out);
  static constexpr int kPlotRadius = 15;

  // The blocks taken by the last 'Preview' or 'Measure'; none before.
  std::optional<DataLineBlocks> DataLineBackup;
  int BackupObjectCount = 0;  // the objects in use when it was taken
  int OccultationType = 0;
  bool LinkAnalyzerToBase = false;

  QRadioButton* RadioButton1 = nullptr;  // 'Analyzer for occulted star'
  QRadioButton* RadioButton2 = nullptr;  // 'Base star for tracking'
  QRadioButton* RadioButton3 = nullptr;  // 'Comparison star'
  QCheckBox* CheckBox1 = nullptr;        // 'Link Analizer to Base'
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QPushButton* Button3 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* Button5 = nullptr;
  QPushButton* Button6 = nullptr;
  QPushButton* Button7 = nullptr;
  QPushButton* Button8 = nullptr;
  TRadioGroup* RadioGroup1 = nullptr;  // 'Control'
  QLabel* Image1 = nullptr;            // the selected star's profile

 private:
  void ShowDeleteButtons();
  // A start from here keeps the rows so far, which 'Back to Starting point' puts back; a stop offers them.
  void StartKeepingBackup(void (TPlatform::*start)());
  void StopOfferingBackup(void (TPlatform::*stop)());
  TPlatform& w_;
  std::optional<PsfFitResult> fit_;  // the last fit of object fit_object_
  int fit_object_ = 0;
};
