#pragma once
// The main window. Its controls keep their designer names (member and
// objectName). The shared state lives in the named structs below; other
// windows reach it through the window (`Platform`).
//
// Files: TPlatform.cpp (controls and layout), TPlatformStartup.cpp (start-up,
// exit), TPlatformResults.cpp (results table), TPlatformSettings.cpp
// (settings file).
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <array>
#include <filesystem>
#include <memory>

#include "app/FrameResult.h"
#include "app/FrameTimeTexts.h"
#include "app/MainWindowState.h"
#include "app/ResultCsvFormat.h"
#include "app/ResultTable.h"
#include "app/SettingsFile.h"
#include "app/ZcToXzTable.h"
#include "measure/AperturePhotometry.h"
#include "measure/DriftTracks.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QScrollBar;
class ResultMemoView;
class TRadioGroup;
class TUpDown;

// What the window needs from outside at creation.
struct PlatformOptions {
  // The running program's path; the settings file and "ZC2XZ.txt" are looked
  // up beside it. Empty: the application's own path.
  std::filesystem::path ExePath;
};

class TPlatform : public QMainWindow {
  Q_OBJECT
 public:
  explicit TPlatform(const PlatformOptions& options = {}, QWidget* parent = nullptr);
  ~TPlatform() override;

  // ---- shared state ----
  RunState Run;
  VideoGlobals Video;
  MainOptions Options;          // measuring, time-stamp and table options
  FrameTimeTexts Times;
  FrameResults Frames;          // FrameDataLines, InitialDataLines, RecordedDataLines
  PassedPointTable PassedPoints{};  // per object: spare, 'Frame1', 'Frame2'
  LinkedPointTable LinkedPoints{};  // per object: linked 'Begin', 'End'
  LimbProfileValues Limb{};             // limb profile of a rectangle aperture, for the rows
  CaptureLogValues CaptureLog;
  EventToolState EventTools;
  AppSettings Settings;         // folders, observer names and the rest of the settings file
  SettingsLocation SettingsPlace;
  ZcToXzTable ZCtoXZ{};
  ResultTable Results;          // the results table; Memo1 shows it

  // ---- results table ----
  CsvFormatParams CsvParams() const;
  void WriteInitialCsvHeader();
  void WriteCsvHeader();
  void AppendResultRows();
  void DetectCsvVersion();
  // Shows pending changes of the results table in Memo1 now.
  void SyncMemo1();

  // ---- settings file ----
  bool IniFileExists() const;
  void WriteDefaultIni();
  void LoadSettingsFromIni();
  void SaveAllSettings();
  void SaveCheckedSettings(const SettingsSaveSelection& ticks);
  void SaveLatestAccessPaths();
  // The settings as the controls and globals now hold them.
  AppSettings CurrentSettings() const;

  void ResetTimeEdits();
  std::string ExeFolder() const { return SettingsPlace.ExeFolder; }

  // ---- handlers ----
  void FormCreate();
  void FormActivate() {}
  void Button2Click();
  void Exit1Click();
  void CheckBox2Click();
  void CheckBox5Click();
  void CheckBox7Click();
  void CheckBox14Click();
  void ComboBox1Change();
  void RadioGroup2Click();
  void RadioButtonFormClick();
  void UpDown9Click();

  // ---- controls ----
  QPlainTextEdit* Memo1 = nullptr;
  QPlainTextEdit* Memo2 = nullptr;
  QScrollArea* ScrollBox1 = nullptr;
  QLabel* Image1 = nullptr;
  QScrollBar* ScrollBar1 = nullptr;
  QWidget* Panel7 = nullptr;
  QGroupBox* GroupBox3 = nullptr;   // 'Half Flux'
  QLabel* Label11 = nullptr;        // 'Diameter'
  QGroupBox* GroupBox12 = nullptr;  // time read-outs
  QCheckBox* CheckBox1 = nullptr;   // 'Show Field'
  QCheckBox* CheckBox2 = nullptr;   // 'Field Measure'
  QCheckBox* CheckBox3 = nullptr;   // 'Sync-Tracking APT'
  QCheckBox* CheckBox5 = nullptr;   // 'KIWI'
  QCheckBox* CheckBox7 = nullptr;   // 'DShow'
  QCheckBox* CheckBox10 = nullptr;  // memo height
  QCheckBox* CheckBox14 = nullptr;  // 'Photometry'
  QCheckBox* CheckBox22 = nullptr;  // 'Auto Location for LED'
  TRadioGroup* RadioGroup2 = nullptr;  // 'Field Order'
  TRadioGroup* RadioGroup3 = nullptr;  // 'FrameFlickerFree'
  QRadioButton* RadioButton1 = nullptr;  // 'Standard'
  QRadioButton* RadioButton2 = nullptr;  // 'Avoid Sunlit Face'
  QRadioButton* RadioButton3 = nullptr;  // 'Meteor/Lunar Limb'
  QRadioButton* RadioButton4 = nullptr;  // 'Anchor'
  QRadioButton* RadioButton5 = nullptr;  // 'Drift'
  QRadioButton* RadioButton6 = nullptr;  // 'OFF'
  QRadioButton* RadioButton7 = nullptr;  // object A
  QRadioButton* RadioButton8 = nullptr;  // object B
  QRadioButton* RadioButton9 = nullptr;  // object C
  QRadioButton* RadioButton10 = nullptr;  // 'Star'
  QRadioButton* RadioButton11 = nullptr;  // 'Signal1'
  QRadioButton* RadioButton12 = nullptr;  // 'Signal2'
  TUpDown* UpDown1 = nullptr;  // aperture radius (Edit1)
  TUpDown* UpDown2 = nullptr;  // inner background radius (Edit2)
  TUpDown* UpDown3 = nullptr;  // outer background radius (Edit3)
  TUpDown* UpDown4 = nullptr;  // digit threshold (Edit4)
  TUpDown* UpDown5 = nullptr;  // tracking radius (Edit6)
  TUpDown* UpDown6 = nullptr;  // 'Gap'
  TUpDown* UpDown7 = nullptr;  // tracking threshold
  TUpDown* UpDown8 = nullptr;  // 'Width'
  TUpDown* UpDown9 = nullptr;  // frame step (Edit19)
  QComboBox* ComboBox1 = nullptr;  // inserter type
  QLineEdit* Edit5 = nullptr;      // video path
  QLineEdit* Edit18 = nullptr;     // gamma
  QLineEdit* Edit24 = nullptr;     // h
  QLineEdit* Edit25 = nullptr;     // m
  QLineEdit* Edit26 = nullptr;     // s(Field1)
  QLineEdit* Edit27 = nullptr;     // s(Field2)
  QPushButton* Button2 = nullptr;  // exit
  QAction* Exit1 = nullptr;
  QAction* Add1 = nullptr;         // 'Object Star Add'
  QAction* Remove1 = nullptr;      // 'Remove Object'
  QTimer* Timer1 = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateControls();
  void CreateMenus();
  QWidget* CreateControlPanel();
  void ConnectHandlers();
  void ApplySettings(const AppSettings& s);
  void ResetMarkers();
  void InitialiseFrameBlocks();
  void ShowWidthLabels();

  PlatformOptions startup_;
  ResultMemoView* memo_view_ = nullptr;
  bool closing_allowed_ = false;
};

// The main window while it exists.
extern QPointer<TPlatform> Platform;
