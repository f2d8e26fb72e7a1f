#pragma once
// "Timing Error Simulation": Monte-Carlo trials of fitting a step event's time.
#include <QDialog>
#include <QImage>
#include <atomic>
#include <functional>
#include <thread>

#include "base/ui/ControlsForward.h"
#include "timing/TimingErrorSimulation.h"

class TTimingErrorSimulation : public QDialog {
  Q_OBJECT
 public:
  explicit TTimingErrorSimulation(QWidget* owner = nullptr);
  ~TTimingErrorSimulation() override;
  // A Monte-Carlo run is on its way (on worker threads).
  bool Running() const { return worker_.joinable(); }

  QGroupBox* GroupBox1 = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QGroupBox* GroupBox3 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QLineEdit* Edit4 = nullptr;
  QLineEdit* Edit5 = nullptr;
  QLineEdit* Edit6 = nullptr;
  QLineEdit* Edit7 = nullptr;
  TUpDown* UpDown1 = nullptr;
  TUpDown* UpDown2 = nullptr;
  TUpDown* UpDown3 = nullptr;
  TUpDown* UpDown4 = nullptr;
  TUpDown* UpDown5 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* Label7 = nullptr;
  QLabel* Label8 = nullptr;
  QLabel* Label9 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QLabel* Image1 = nullptr;
  QImage Picture;  // what Image1 shows
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* Button5 = nullptr;
  QPushButton* Button6 = nullptr;
  QPushButton* Button7 = nullptr;
  QPushButton* Button8 = nullptr;
  QProgressBar* ProgressBar1 = nullptr;  // the trials of a run fitted so far

  SimSettings Settings;
  int GraphWidth = 1;
  int IntegrationFrames = 1;
  SingleSimulation LastSimulation;

  void FormCreate();
  void Edit1Change();
  void UpDown1Click();
  void UpDown2Click();
  void UpDown3Click();
  void UpDown4Click();
  void UpDown5Click();
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void Button6Click();
  void Button7Click();
  void Button8Click();

 protected:
  void done(int result) override;  // closing stops a run

 private:
  // Runs `run` on a copy of the settings off the GUI thread, with the run
  // buttons disabled and the progress shown; its memo lines are added when it
  // ends, the settings it left are taken where the user did not change them
  // meanwhile, then `after` runs.
  using Run = std::function<std::vector<std::string>(SimSettings&, const SimHooks&)>;
  void StartRun(bool clear_memo, Run run, std::function<void()> after = {});
  void StopRun();
  void EnableRunButtons(bool enabled);
  std::thread worker_;
  std::atomic<bool> cancel_{false};
  void QuickEstimate();
  // One noise deviation moved; with CheckBox1 on the other one follows it.
  void DeviationClick(TUpDown* moved, QLineEdit* edit, long double& value, TUpDown* other, QLineEdit* other_edit,
                      long double& other_value);
  void DrawSimulation();
  void AddLines(const std::vector<std::string>& lines);
};
