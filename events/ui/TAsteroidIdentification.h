#pragma once
// The event identification window ("Asteroid timing guide"): load a
// prediction, click the observed event, check its elements, camera, video
// date and time, site and observer, and apply. It also holds the steps of
// integrated-video processing (TAsteroidIdentificationIntegrated.cpp).
#include <QPointer>
#include <QWidget>
#include <array>
#include <map>
#include <string>

#include "base/ui/ControlsForward.h"
#include "events/IntegratedVideo.h"
#include "events/ui/IdentificationHost.h"

class TAsteroidIdentification : public QWidget {
  Q_OBJECT
 public:
  explicit TAsteroidIdentification(IdentificationHost& host, QWidget* parent = nullptr);
  ~TAsteroidIdentification() override;

  // Handlers, by their designer names.
  void FormActivate();
  void Button5Click();
  void Button3Click();
  void Memo1Change();
  void Button6Click();
  void ListBox1MouseDown();
  void Edit3Change();
  void Button2Click();
  void ComboBox1Change();
  void Button4Click();
  void Edit10Change();
  void Edit12Change();
  void PushColourIndexToPanel();
  void ComboBox2Change();
  void ComboBox4Change();
  void Edit33Change();
  void Edit34Change();
  void Button12Click();
  void SaveSite(int k);  // Button13-15
  void LoadSite(int k);  // Button16-18
  void Button19Click();
  void Button1Click();
  void Button11Click();
  void Button7Click();
  void ComboBox3Change();
  void Button8Click();
  void Button9Click();
  // A date or time edit is checked (on leaving it or on Enter).
  void CheckDateTimeEdit(QLineEdit* edit);

  void ShowPredictionEvent(int k);
  void ReadPredictionText();
  void SelectEventByVideoTime();
  void ApplyEventIdentification();

  // Controls.
  QPushButton *Button1, *Button2, *Button3, *Button4, *Button5, *Button6, *Button7, *Button8, *Button9, *Button10,
      *Button11, *Button12, *Button13, *Button14, *Button15, *Button16, *Button17, *Button18, *Button19;
  QPlainTextEdit *Memo1, *Memo2, *Memo3, *Memo4, *Memo6;
  QListWidget* ListBox1;
  QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5, *Edit6, *Edit7, *Edit8, *Edit9, *Edit10, *Edit11, *Edit12,
      *Edit13, *Edit14, *Edit15, *Edit16, *Edit17, *Edit18, *Edit19, *Edit20, *Edit21, *Edit22, *Edit23, *Edit24,
      *Edit25, *Edit26, *Edit27, *Edit28, *Edit29, *Edit30, *Edit31, *Edit32, *Edit33, *Edit34, *Edit35, *Edit37;
  QComboBox *ComboBox1, *ComboBox2, *ComboBox3, *ComboBox4;
  QGroupBox* GroupBox9;  // "Processing for frame integration video"

  double VideoUtHours = 0;

 protected:
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  bool event(QEvent* e) override;

 private:
  void BuildControls();
  void FormCreate();
  void RecomputeVideoUt();
  void ClearElementEdits();
  std::array<QLineEdit*, 9> SiteEdits() const;
  void FillSite(const std::string& value);
  void WriteSettingOrWarn(const std::string& section, const std::string& key, const std::string& value);
  void StoreMapPosition();
  void FillReportRecord();
  // The frame-by-frame table the block rewrite replaced, put back on close.
  void RestoreFrameTable();

  IdentificationHost& host_;
  std::array<std::string, 6> accepted_;  // Edit4, 5, 6, 21, 22, 23
  IntegrationBoundaries boundaries_;
  bool filling_ = false;  // the memo is being filled by code
  bool site_filled_ = false;  // the first site was put into the site edits
  std::map<QLineEdit*, int> typing_limits_;  // characters a site edit takes from the keyboard
  std::vector<std::string> frame_table_;
  bool table_rewritten_ = false;
  // The "No." of every line of the averaged table: a new run or a loaded
  // file in its place makes the kept frame table stale.
  std::vector<std::string> averaged_numbers_;
  bool TableStillAveraged();
  void PutFrameTableBack();
  int phase_count_ = 0;     // the block length the first frame was found for
  bool event_clicked_ = false;  // an event of the list shown was clicked
  Occelmnt_Format shown_event_;  // the event the element edits show
  void HandOnShownEvent();
  void DropClickedEvent();
  void TakePredictionText(const QString& text);
  void EnableIntegratedMeasurement();
  int averaged_count_ = 0;  // and the one the table was averaged with
  bool RefusedFieldRecords(const std::vector<std::string>& lines, int header);
  bool RefusedSteppedRecords(const std::vector<std::string>& lines, int header);
};
