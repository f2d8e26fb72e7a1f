#pragma once
// The main window. Its controls keep their designer names (member and
// objectName). The shared state lives in the named structs below; other
// windows reach it through the window (`Platform`).
//
// Files: TPlatform.cpp (controls and layout), TPlatformStartup.cpp (start-up,
// exit), TPlatformResults.cpp (results table), TPlatformSettings.cpp
// (settings file), TPlatformVideo.cpp (opening a video), TPlatformFrame.cpp
// (showing and measuring the current frame), TPlatformRun.cpp (runs,
// playback and frame navigation).
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "base/FrameResult.h"
#include "base/FrameTimeTexts.h"
#include "app/MainWindowState.h"
#include "base/ResultCsvFormat.h"
#include "base/ResultTable.h"
#include "base/SettingsFile.h"
#include "base/ZcToXzTable.h"
#include "app/ui/TPlatformChartHost.h"  // ---- chart ----
#include "chart/ChartSession.h"
#include "events/ChartEventState.h"
#include "app/ui/TPlatformReports.h"
#include "measure/AperturePhotometry.h"
#include "measure/DriftTracks.h"
#include "measure/StarProfile3D.h"
#include "measure/FrameDriver.h"
#include "app/RunControl.h"
#include "app/RunPace.h"
#include "measure/TrackingHooks.h"
#include "video/VideoOpening.h"
// ---- time stamps ----
#include "timestamp/FrameTimeDisplay.h"
#include "timestamp/GpsLine.h"
#include "timestamp/InserterSettings.h"
#include "timestamp/SevenSegmentDigits.h"
#include "video/CaptureLog.h"
#include "timing/LedTimeCorrection.h"  // ---- LED time correction ----

#include "base/ui/ControlsForward.h"

class QScrollArea;
class QSplitter;
class ResultMemoView;
class DisplayPacer;
class TSetPredictTrack;
struct ResultCsvLoadResult;
class TRestoreNoTimeRecorded;
class TThreeDGraph;
class THistogram;
class TPlatformIdentHost;
class TAsteroidIdentification;
class TIdentification;
class TMutual_Average;
class TMeasurementOption;
class TPreserveSetting;
class TCapture_1;
class TProfile;
class TAvsEdit;
class TColorValueDisplay;
class TDshowErrors;
class TIMGWindowSetting;

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
  // The open video as the window and the frame sources see it; UseDirectShow
  // is the window's reader choice, written by SetUseDirectShow only.
  VideoState Video;
  MainOptions Options;          // measuring, time-stamp and table options
  FrameTimeTexts Times;
  FrameResults Frames;          // FrameDataLines, InitialDataLines, RecordedDataLines
  // Tracking and profile state of the three objects. Its passed and linked
  // points are the window's own, which the tracking steps read and mark.
  TrackingState Tracking;
  PassedPointTable& PassedPoints = Tracking.PassedPoints;  // per object: spare, 'Frame1', 'Frame2'
  LinkedPointTable& LinkedPoints = Tracking.LinkedPoints;  // per object: linked 'Begin', 'End'
  SoundTrackState Sound;        // the open video's sound track
  AppSettings Settings;         // folders, observer names and the rest of the settings file
  SettingsLocation SettingsPlace;
  ZcToXzTable ZCtoXZ{};
  ResultTable Results;          // the results table; Memo1 shows it

  // ---- chart ----
  ChartSession Chart;             // ChartState and the flags of the chart's tools
  ChartEventState Events;         // report data, event timing list, diffraction state
  TPlatformChartHost ChartLink{*this};
  TPlatformReportHost ReportLink{*this};  // the report and magnitude windows' view
  ChartWindowSlot chart1;         // the open chart, closed before the state above goes
  QAction* FixMin6MaxofGraph1 = nullptr;  // 'Fix Graph's Min & Max'
  QLineEdit* Edit54 = nullptr;    // the chart's selection read-out
  QLineEdit* Edit71 = nullptr;    // "3. Light curve"
  void Button18Click();           // 'Graph'
  void ShowLightCurveGraph();
  void ResetChartState();         // the chart's next opening starts from its defaults
  void ClearEventTimingList();    // 'Open AVI'
  void ChartVideoOpened();        // a video was opened
  void RedrawChart();             // the chart, when open, shows a change
  bool CloseChartWindows();       // the chart and its analysis windows; true when it was open
  void CloseEventAnalysisWindows();  // the panel, calculator and report window of the table before
  QAction* forMutualEvent1 = nullptr;  // Tools > 'for Mutual Event'
  QPointer<TMutual_Average> Mutual_Average;
  void forMutualEvent1Click();

  // ---- identification ---- (TPlatformIdentification.cpp)
  std::unique_ptr<TPlatformIdentHost> IdentLink;
  QPointer<TAsteroidIdentification> AsteroidIdentification;
  QPointer<TIdentification> Identification;
  QAction* Identificationforlightcurve1 = nullptr;  // 'Identification for light curve graph'
  QPushButton* Button41 = nullptr;                  // 'Asteroid timing guide'
  QPlainTextEdit* Memo4 = nullptr;                  // identification code log
  QLineEdit* Edit70 = nullptr;                      // "2. XML element"
  void Identificationforlightcurve1Click();
  void Button41Click();
  void OpenLunarIdentification(bool from_chart);
  // The results file name the save dialog proposes: the identification code when there is one.
  std::string ProposedCsvName(const std::string& folder) const;

  // ---- results table ----
  CsvFormatParams CsvParams() const;
  void WriteInitialCsvHeader();
  void WriteCsvHeader();
  void RefreshVideoSystemLine();
  void RefreshTimeColumnNames();
  // The inserter type as the settings file sets it (also the settings
  // dialog's type buttons): 'Sharp' time ends, and a stamp found for another
  // type is forgotten.
  void SetInserterTypeFromSettings(int mode);
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
  // Keeps aperture < inner <= outer <= 25 through the ranges of UpDown1-3.
  void LimitApertureRadii();
  // The radius, gap, width and threshold edits are the up-downs' own text
  // fields and always show their positions; kept for the callers' order.
  void ShowApertureValues() {}
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
  QGroupBox* GroupBox8 = nullptr;   // 'Form of BKG-Area'
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
  TUpDown* UpDown6 = nullptr;  // 'Gap' (Edit22)
  TUpDown* UpDown7 = nullptr;  // tracking threshold (Edit42)
  TUpDown* UpDown8 = nullptr;  // 'Width' (Edit14)
  TUpDown* UpDown9 = nullptr;  // frame step (Edit19)
  QComboBox* ComboBox1 = nullptr;  // inserter type
  QLineEdit* Edit5 = nullptr;      // video path
  QLineEdit* Edit9 = nullptr;      // selected object's value
  QLineEdit* Edit20 = nullptr;     // aperture pixel count of its mask
  QLineEdit* Edit21 = nullptr;     // background pixel count of its mask
  QLineEdit* Edit23 = nullptr;     // half-flux diameter (aperture) or FWHM (PSF)
  // Edit20 / Edit21: the selected object's class counts, empty with PSF or a rectangle.
  void ShowClassPixelCounts(std::optional<std::pair<int, int>> counts);
  // Edit9 / Edit23 after a measured frame.
  void ShowSelectedResult(const FrameOutcome& out);
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

  // ---- video ----
  VideoSources Sources;  // GKAvi1 and the FFmpeg ("DirectShow") source
  void ResetRectangleAndObjectState();  // 'Open AVI' and 'Load CSV'
  // After a failed open: no frame, path, size or rate of the closed video stays shown.
  void ClearClosedVideo();
  // prepare runs once the chosen file has opened as a video, before it is taken;
  // true when it was.
  bool OpenVideoDialog(const std::function<void()>& prepare = {});
  void Button1Click();         // 'Open AVI'
  void AVIRileOpen1Click();    // 'AVI File Open'
  // keep_table 1 keeps the results table, 0 writes a fresh header.
  bool OpenVideoFile(const std::string& file_name, int keep_table, const std::function<void()>& prepare = {});
  bool OpenVideoStream();
  void ShowExposureLength();
  QPushButton* Button1 = nullptr;   // 'Open AVI'
  QAction* AVIRileOpen1 = nullptr;  // 'AVI File Open'
  QLineEdit* Edit30 = nullptr;      // frame rate for timing
  QLineEdit* Edit48 = nullptr;      // frame width
  QLineEdit* Edit49 = nullptr;      // frame height

  // ---- play ---- (TPlatformPlay.cpp: 'Play' and 'Stop' through the FFmpeg
  // source, the video shown in Panel3 at its own rate)
  QPushButton* Button19 = nullptr;  // 'Play'
  QPushButton* Button27 = nullptr;  // 'Stop'
  QLabel* Panel3 = nullptr;         // the playing video
  QTimer* PlayTimer = nullptr;
  PanelPlayState Play;
  QWidget* CreatePlayPanel();
  void Button19Click();
  void Button27Click();
  void PlayTimerTick();

  // ---- frame ----
  FrameDriverState Driver = InitialFrameDriverState();
  FrameDisplayState Display;  // what Image1 shows, and the measured frame's outlines
  // Measures and shows the frame at ScrollBar1's position (appending rows
  // during a run). The radius and band controls count as the selected
  // object's settings. Returns what the frame gave (nothing measured when no
  // video is loaded or the driver is already running).
  FrameOutcome ShowNeighbor();
  // A filter changed: the frame is shown again with it, except during a run,
  // where measuring it again would append a second row for it.
  void ShowFilterChange();
  // The controls the driver reads, as they stand now.
  FrameDriverSettings DriverSettings() const;
  void Image1MouseDown(Qt::MouseButton button, int x, int y);
  // Shows a pending Image1Bitmap now (playback draws at most every few ms).
  void DrawImage1Now();

  // ---- run ----
  void StartMeasurement();      // START
  void StopMeasurement();       // STOP
  void Button16Click();         // '1Frame'
  // The size of what is measured: the still while one is shown, else the video's frame.
  std::pair<int, int> ShownFrameSize() const;
  // False, with a message, when an object in use stands outside the frame:
  // its rows would all be 0.
  bool ObjectsInsideFrame();
  void SizeImage1(int width, int height);  // the image area takes the frame's size
  void Button21Click();         // 'DEL'
  bool RemoveMeasurementData(); // 'DataRemove'
  void Timer1Timer();
  void Timer1Step();  // one frame of a tick
  void StartTimer1();  // measuring run and playback, with the run's own clock
  void ScrollBar1Change();
  // During a run or playback the per-frame read-outs paint at most every 30 ms.
  void PaceDisplays();
  void StartPlayback();         // play
  void SpeedButton10Click();    // play backwards
  void StopPlayback();          // stop
  void SpeedButton3Click();     // back to start
  void SpeedButton4Click();     // '1Fr+'
  void SpeedButton5Click();     // '-1Fr'
  void SpeedButton6Click();     // '1sec+'
  void SpeedButton7Click();     // '-1sec'
  void SpeedButton8Click();     // '10sec+'
  void SpeedButton9Click();     // '-10sec'
  void TrackBar1Change();       // 'Speed Control'
  void GoToFrame(int n);
  QPushButton* Button3 = nullptr;   // 'START'
  QPushButton* Button4 = nullptr;   // 'STOP'
  QPushButton* Button16 = nullptr;  // '1Frame'
  QPushButton* Button21 = nullptr;  // 'DEL'
  QPushButton* Button5 = nullptr;   // 'DataRemove'
  QPushButton* Button18 = nullptr;  // 'Graph'
  QPushButton* Button40 = nullptr;  // 'Set radius to recorded'
  QPushButton* SpeedButton1 = nullptr;   // play
  QPushButton* SpeedButton2 = nullptr;   // stop
  QPushButton* SpeedButton3 = nullptr;   // back to start
  QPushButton* SpeedButton4 = nullptr;   // '1Fr+'
  QPushButton* SpeedButton5 = nullptr;   // '-1Fr'
  QPushButton* SpeedButton6 = nullptr;   // '1sec+'
  QPushButton* SpeedButton7 = nullptr;   // '-1sec'
  QPushButton* SpeedButton8 = nullptr;   // '10sec+'
  QPushButton* SpeedButton9 = nullptr;   // '-10sec'
  QPushButton* SpeedButton10 = nullptr;  // play backwards
  QSlider* TrackBar1 = nullptr;     // 'Speed Control', Timer1 interval in ms
  QCheckBox* CheckBox21 = nullptr;  // 'Fast'
  QLineEdit* Edit53 = nullptr;      // start frame
  QPlainTextEdit* Memo3 = nullptr;  // run log
  QLabel* Panel1 = nullptr;         // 'S1': red while LED signal 1 is lit
  QLabel* Panel2 = nullptr;         // 'S2'

  // ---- objects ---- (TPlatformObjects.cpp: placing, selecting, object
  // controls; TPlatformTracking.cpp: the driver's tracking hooks;
  // TPlatformOverlay.cpp: outlines and markers; TPlatformCsvFile.cpp: result
  // CSV save and load)
  // The options the tracking steps read (refreshed from the controls before
  // every frame).
  TrackingOptions TrackingOpts;
  PositionMarks Marks;  // the LED signal boxes and the digit box placed on the frame
  ImageMouseState Mouse;  // clicks on Image1, and what 'Direction Setting' puts back
  ObjectStarState Stars;  // which objects are placed, and their stars' fitted widths
  QPointer<TSetPredictTrack> SetPredictTrack;  // 'Setting for predicted track'
  OpenWindowFlags OpenWindows;  // tool windows whose being open matters here

  void SetStarsPosition(int k, int x, int y);
  void ObjectStarAdd();
  void RemoveObject();
  // Object `removed` of `count` taken out of the blocks as RemoveObject does: C moves up into B's place.
  void RemoveObjectFrom(DataLineBlocks& blocks, int removed, int count) const;
  void SelectObject(int k);
  void ApplyObjectSettings(int k);
  void Add1Click();
  void SetPositiononly1Click();
  void Remove1Click();
  void RadioButton7Click() { SelectObject(1); }
  void RadioButton8Click() { SelectObject(2); }
  void RadioButton9Click() { SelectObject(3); }
  void Object11Click() { SelectObjectFromMenu(1); }
  void Object21Click() { SelectObjectFromMenu(2); }
  void Object31Click() { SelectObjectFromMenu(3); }
  void UpDown1Click() { RadiusUpDownClick(1); }
  void UpDown2Click() { RadiusUpDownClick(2); }
  void UpDown3Click() { RadiusUpDownClick(3); }
  void UpDown5Click();
  // The selected object's rows and tracking disk take the radius UpDown5 shows.
  void TrackWithShownRadius();
  void UpDown7Click();
  void TrackModeClick(int mode);
  void CheckBox4Click();
  // The selected object's estimated-track flag into its predicted track (and that window).
  void SyncEstimatedTrack();
  void CheckBox6Click();
  void Button11Click() { SetPassedPoint(1); }
  void Button12Click() { ClearPassedPoint(1); }
  void Button13Click() { SetPassedPoint(2); }
  void Button14Click() { ClearPassedPoint(2); }
  void Button23Click() { SetLinkedPoint(LinkedPointKind::Begin); }
  void Button25Click() { SetLinkedPoint(LinkedPointKind::End); }
  void EnableLinkedTracking();
  void ShowPassedPoints();
  void Position1Show(int k);
  // GHS digit-box snap: the click onto the inserter's character grid.
  static std::pair<int, int> SnapToGhsGrid(int x, int y);
  // Before each frame: the tracking options from the controls, the points into
  // the tracking state; after it: what tracking changed back.
  void PrepareTracking(FrameDriverSettings& s);
  bool VideoNeedsPixelAspectCorrection() const;  // for the open video and time-stamp mode
  void FinishTracking(const FrameOutcome& out);
  // Called by the driver after the objects are measured.
  void DrawFrameOverlay(FrameContext& ctx);
  void DrawStampMarkers();
  // The bitmap Image1 shows for the last measured frame.
  const Bitmap24* MeasuredImage() const { return Display.OverlayDrawn ? &Display.OverlayBitmap : &Driver.FrameBitmap; }
  void OpenSetPredictTrack();

  // Results CSV files.
  void Button6Click();          // 'SaveToCSV-File'
  void SavetoCSVFile1Click();
  void SaveToCSVClick() { SaveResultCsv(); }
  void Button20Click();         // 'Load CSV'
  void LoadCSVFile1Click();
  bool SaveResultCsv();  // true when the file was written
  void LoadResultCsv();
  // Asks before unsaved rows of the results table are dropped (TPlatformUnsaved.cpp);
  // false when the user keeps them: Cancel, or the save did not happen.
  bool ResultsMayBeDropped();
  QString AskResultCsvName();  // empty when refused or cancelled
  // prepare runs once the file has been read as a table, before it is taken.
  void LoadResultCsvFrom(const QString& name, const std::function<void()>& prepare = {});

  QMenu* PopupMenu1 = nullptr;
  QAction* SetPositiononly1 = nullptr;
  QAction* Object11 = nullptr;  // 'Object A'
  QAction* Object21 = nullptr;  // 'Object B'
  QAction* Object31 = nullptr;  // 'Object C'
  QAction* SavetoCSVFile1 = nullptr;
  QAction* LoadCSVFile1 = nullptr;
  QCheckBox* CheckBox4 = nullptr;   // 'Estimated track'
  QCheckBox* CheckBox6 = nullptr;   // 'Link'
  QCheckBox* CheckBox11 = nullptr;  // 'Rotate'
  QCheckBox* CheckBox15 = nullptr;  // 'Tracking' (profile)
  QRadioButton* RadioButton14 = nullptr;  // 'CSV'
  QPushButton* Button11 = nullptr;  // 'Frame1' Set
  QPushButton* Button12 = nullptr;  // 'Frame1' Clr
  QPushButton* Button13 = nullptr;  // 'Frame2' Set
  QPushButton* Button14 = nullptr;  // 'Frame2' Clr
  QPushButton* Button23 = nullptr;  // linked 'Begin'
  QPushButton* Button25 = nullptr;  // linked 'End'
  QPushButton* Button6 = nullptr;   // 'SaveToCSV-File'
  QPushButton* Button20 = nullptr;  // 'Load CSV'
  QLineEdit* Edit40 = nullptr;      // 'Frame1' frame
  QLineEdit* Edit41 = nullptr;      // 'Frame2' frame
  QLineEdit* Edit11 = nullptr;      // linked 'Begin' frame
  QLineEdit* Edit32 = nullptr;      // linked 'End' frame
  QLineEdit* Edit7 = nullptr;       // selected object's tracked x
  QLineEdit* Edit8 = nullptr;       // selected object's tracked y
  QLineEdit* Edit12 = nullptr;      // selected object's x
  QLineEdit* Edit13 = nullptr;      // selected object's y
  TUpDown* UpDown14 = nullptr;      // frames for the width search (Edit50)
  // ---- time stamps ---- (TPlatformTimeStamp.cpp, TPlatformModes.cpp)
  TimeStampState Stamp;            // layouts, offsets and field order of the burnt-in stamp
  StampLocatorState StampLocator;
  GlyphContext StampGlyphs;        // pitch and background level found by the locators
  GpsStation Station;
  CaptureLogState CaptureLogTimes;  // the capture log; outlives its window
  QPointer<TRestoreNoTimeRecorded> RestoreNoTimeRecorded;
  TickStampState Ticks;             // tick-count stamps and a fixed frame interval
  RectangleApertureState RectAperture;  // sizes, and what the rectangle replaced
  bool SelectedIsRectangle() const;
  // Reads and shows the time of `frame` (the field view when `field_view`).
  void ShowFrameTime(const Bitmap24& frame, bool field_view);
  // The per-frame time step of the driver: 'KIWI' ticked and the stamp readable.
  void FrameTimeStep(const Bitmap24& frame, bool field_view);
  GlyphContext StampGlyphContext(bool field_view) const;
  void LocateIotaTimeStamp();
  void LocateGhsTimeStamp(int x, int y);
  // The locates on a frame at hand; a line not found is looked for again on
  // the next frames shown (RetryStampLocate), and Edit56 says so meanwhile.
  bool LocateIotaOnFrame(const Bitmap24& frame);
  // Keeps the IOTA layout a locate (or the fallback) left in `ctx`.
  void TakeIotaLayout(const GlyphContext& ctx);
  bool LocateGhsOnFrame(const Bitmap24& frame, int x, int y);
  void ShowStampLocated(bool found);
  // True when the line was found on this frame.
  bool RetryStampLocate(const Bitmap24& frame);
  void ApplyStampFieldOrder();
  void ReadIotaGpsLine();
  // Opening a video: locate the stamp before the first frame, tick-count detection after.
  void LocateStampBeforeFirstFrame();
  void DetectTickStampOnOpen();
  void DeriveFrameRateFromTicks();
  void SelectSharpTime();
  // The rate (and seek scale) of a video timed by its ticks or capture log, and the header naming it.
  void DeriveSharpFrameRate();
  // A capture log loaded over a video timed by the log's kind of time.
  void CaptureLogLoaded();
  void SwitchVideoAccess();
  void SetUseDirectShow(bool on);  // the one writer of Video.UseDirectShow
  void ApplyOccultationPreset();
  void ClearTimeEdits();
  void AddTimeToNoCmosTime1Click();
  void RadioButton10Click();
  void RadioButton11Click();
  void RadioButton12Click();
  void RadioButton13Click();
  void CheckBox15Click();
  void RectangleAperture1Click();
  void RestoreRectangleLabels();  // 'Width'/'Gap' labels back to their plain look
  void ShowRectangleControls(int k);  // 'Rectangle Aperture' and its controls as object k has them
  void Button40Click();  // 'Set  radius to recorded'
  // The radius, band and tracking controls show the selected object's settings.
  void ShowSelectedObjectSettings();
  void Button39Click();  // 'LongLat recognition'
  // 'TIVi' pop-up (PopupMenu2, on the 'TIVi' button).
  void IViavailable1Click();
  void IViunavailable1Click();
  void Cancel2Click() {}
  QMenu* PopupMenu2 = nullptr;
  // A click on the frame in 'Position Set' mode TIVi: the digit box (or the
  // stamp line with 'KIWI') is found from this point on every frame.
  void TiviDigitBoxClick(int x, int y);
  // The digit box of the frame before its time is read, when a click asked for it.
  void LocateTiviDigits(const Bitmap24& frame);
  TiviDigitState Tivi;
  QPushButton* Button39 = nullptr;
  QRadioButton* RadioButton13 = nullptr;  // 'TIVi'
  QLineEdit* Edit59 = nullptr;            // date of the stamp
  QLineEdit* Edit55 = nullptr;            // background level of the GHS stamp area
  QLineEdit* Edit56 = nullptr;            // row of the located GHS line
  QLineEdit* Edit57 = nullptr;            // first frame of a loaded table with CMOS times
  // Tick counts of the last and first frame, their difference, the last
  // frame's index and the span in seconds.
  QLineEdit *Edit60 = nullptr, *Edit61 = nullptr, *Edit62 = nullptr, *Edit63 = nullptr, *Edit64 = nullptr;
  // Outlines the character cells a GPS reader found, in blue, on the shown image.
  void DrawGpsOutlines(const std::vector<GpsCellOutline>& outlines);
  QAction* RectangleAperture1 = nullptr;  // Option > 'Rectangle Aperture'
  QAction* DisplayCamcordersTime2 = nullptr;  // Option > 'Display Camcorders Time'
  void DisplayCamcordersTime2Click();
  QAction* AddTimeToNoCmosTime1 = nullptr;  // 'Add Time to no CMOS time recorded'
  // ---- image tools ---- (TPlatformImageTools.cpp: the mouse over the frame,
  // 'Direction Setting', 'Show Field', the gap and width up-downs, the linked
  // 'Clr' buttons, 'FrameFlickerFree', the frame number,
  // 'Acurate', the wide IOTA-VTI scan and the diagnostic buttons)
  void Image1MouseMove(int x, int y);
  void Button7Click();     // 'Direction Setting'
  void CheckBox1Click();   // 'Show Field'
  void UpDown6Click();     // 'Gap'
  void UpDown8Click();     // 'Width'
  void Button24Click();    // linked 'Begin' Clr
  void Button26Click();    // linked 'End' Clr
  void RadioGroup3Click(); // 'FrameFlickerFree'
  void Button10Click();    // the profile fit's window and model into Memo2
  void Button34Click();    // the selected object's profile model into Memo2
  void Button35Click();    // reads the GHS GPS line
  void ShowFrameNumber(int n);
  // Where 'Object Star Add' from the menu bar puts the new object.
  std::pair<int, int> VisibleImageCentre() const;
  QPushButton* Button7 = nullptr;
  QPushButton* Button10 = nullptr;
  QPushButton* Button24 = nullptr;
  QPushButton* Button26 = nullptr;
  QPushButton* Button34 = nullptr;
  QPushButton* Button35 = nullptr;
  QCheckBox* CheckBox8 = nullptr;   // 'Acurate'
  QCheckBox* CheckBox18 = nullptr;  // 'IOTA-VTI Wide scan '
  QLineEdit* Edit10 = nullptr;      // frame number
  QLineEdit* Edit15 = nullptr;      // object B's linked x
  QLineEdit* Edit16 = nullptr;      // object B's linked y
  // ---- online ---- (TPlatformOnline.cpp)
  void SoftwareUpdate1Click();
  void Button38Click();
  void WebBrowser1Click();
  void Map1Click();
  // Reads the GHS GPS line starting at (x, y) into Station.
  void ReadGhsGpsLine(int x, int y);
  QAction* SoftwareUpdate1 = nullptr;  // 'Software Update'
  QAction* WebBrowser1 = nullptr;      // Tools > 'WebBrowser' (hidden, Ctrl+W)
  QAction* Map1 = nullptr;             // Tools > 'Map'
  QPushButton* Button38 = nullptr;     // group 'Filing Cabinet'
  // ---- timing tools ---- (TPlatformTiming.cpp)
  void ExposureTimeCalculationforCMOSCam1Click();
  void LinearityofVideo1Click();
  void Errorestimation1Click();
  void Button30Click();
  QAction* ExposureTimeCalculationforCMOSCam1 = nullptr;  // Tools > 'Exposure Time Calculation for CMOS Cam'
  QAction* LinearityofVideo1 = nullptr;                   // Tools > 'Linearity of Video'
  QAction* Errorestimation1 = nullptr;                    // Tools > 'Error estimation'
  QPushButton* Button30 = nullptr;                        // 'Timing Error Simulation'
  void LunarVelocityCalculator1Click();  // Tools > 'Lunar Velocity Calculator'
  // Developer listings of the diffraction tools (hidden text area Memo5).
  QCheckBox* CheckBox12 = nullptr;  // 'fresnel textout'
  QCheckBox* CheckBox25 = nullptr;  // 'Diffraction calc to Memo5'
  TRadioGroup* RadioGroup6 = nullptr;  // colour of the fitted curve
  QPlainTextEdit* Memo5 = nullptr;
  // The sound indicator, opened once the sound track is written.
  void OpenSoundIndicator();
  void RedrawSoundIndicator();
  QPointer<QWidget> SoundIndicator;
  // ---- LED time correction ---- (TPlatformLed.cpp)
  LedCorrectionState Led;            // LedFrameTimes and the calibration, kept between openings
  QPointer<QWidget> LEDGraph;
  QPushButton* BitBtn2 = nullptr;    // 'SharpCap Timing Analysis'
  QListWidget* ListBox1 = nullptr;   // the memorised calibration points
  QLineEdit* Edit69 = nullptr;       // "1. Time correct"
  void BitBtn2Click();
  void OpenLedGraph();
  QWidget* CreateLedPanel();
  void LedVideoOpened();  // a new video: no memorised points, step box white
  // The LED-corrected time of a frame while corrected times are in use.
  std::optional<LedFrameTime> LedRecordFor(int frame) const;
  // ---- tools ---- (TPlatformTools.cpp)
  void Button8Click();     // 'Star Image [3D]'
  void StarImg3DShow();
  void Button9Click();     // 'Audio Channel Display'
  void Button31Click();    // 'Opitimize': the background direction of the selected object
  void HistGram1Click();   // Tools > 'Histogram'
  // The open tool windows follow a shown frame.
  void RedrawThreeDGraph();
  void RedrawHistogram();
  // The per-frame driver's pixel reader for the 3-D view.
  void ReadThreeDPixels(FrameContext& ctx, int k);
  QPushButton* Button8 = nullptr;
  QPushButton* Button9 = nullptr;
  QPushButton* Button31 = nullptr;
  QAction* HistGram1 = nullptr;
  QPointer<TThreeDGraph> ThreeDGraph;  // open: ThreeDGraphOn
  QPointer<THistogram> Histogram;      // open: HistogramOn
  QPointer<QWidget> Tmsg;              // the note shown while the sound track is written
  ProfileGrids ThreeDGrids;            // kept between openings of the 3-D view
  // ---- capture, guide, utility windows ---- (TPlatformCapture.cpp)
  void VideoCapture1Click();
  void Button37Click();        // 'Capture'
  void Button32Click();        // 'Operation Guide'
  void CloseOperationGuide();  // a new video or an identification window ends the guide
  void OpenOperationGuide();   // unless open; no redraw
  void AVSFileEdit1Click();
  void ImageWindowSetting1Click();
  void ShowPanInImageWindowSetting();  // an open panning window follows the open video
  void ErrorMessagesfromDSHOW1Click();
  void Button15Click();        // 'Color Value'
  QAction* VideoCapture1 = nullptr;            // Tools > 'Video Capture'
  QAction* AVSFileEdit1 = nullptr;             // Option > 'AVS File Edit'
  QAction* ImageWindowSetting1 = nullptr;      // Option > 'ImageWindowSetting'
  QAction* ErrorMessagesfromDSHOW1 = nullptr;  // Tools > 'Error Messages from DShow' (hidden, Ctrl+E)
  QPushButton* Button37 = nullptr;
  QPushButton* Button32 = nullptr;
  QPushButton* Button15 = nullptr;
  QLineEdit* Edit72 = nullptr;  // "4. Diffraction tit"
  QLineEdit* Edit73 = nullptr;  // "5. Make report"
  QPointer<TCapture_1> Capture_1;      // open: CaptureWindowOpen
  QPointer<TProfile> Profile;          // open: ProfileGraphOn
  QPointer<TAvsEdit> AvsEdit;          // open: AvsEditOpen
  QPointer<TColorValueDisplay> ColorValueDisplay;  // open: ColorValueOpen
  QPointer<TDshowErrors> DshowErrors;  // open: DSErrorsOpen
  QPointer<TIMGWindowSetting> IMGWindowSetting;

  // ---- commands ---- (TPlatformCommands.cpp: image and table commands,
  // gamma, frame step, filters, display aids, 'Filing Cabinet'; the options
  // window and the settings dialog)
  void SaveImage1Click();                    // File > 'Save Image'
  void LoadBMP1Click();                      // File > 'Load BMP'
  void Button22Click();                      // 'Load bmp'
  void CopyImagetoClipBoard1Click();
  void CopyCurrentTimetoClipboard1Click();
  void Button42Click();                      // 'Copy CSV'
  void RadioButton15Click();                 // gamma 'OFF'
  void RadioButton16Click();                 // gamma 'Measure'
  void RadioButton17Click();                 // gamma 'Field'
  void Edit18Enter();
  void Edit18KeyPress(int key);
  void Edit18Exit();
  void Edit19Enter();
  void Edit19Exit();
  void Edit30Change();
  void CheckBox10Click();                    // 'More'
  void CheckBox16Click();                    // 'Hide Main Menu'
  void CheckBox22Click();                    // 'Auto Location for LED'
  void UpDown13Click();
  void RadioGroup5Click();                   // both Gaussian groups
  void RadioGroup4Click();
  void CheckBox19Click();
  void CheckBox24Click();
  void UpDown17Click();
  void UpDown19Click();
  void UpDown10Click();
  void UpDown11Click();
  void UpDown12Click();
  void UpDown15Click();
  void UpDown16Click();
  void Button28Click();
  void Button33Click();
  void MeasuremenOption1Click();             // Option > 'Measurement Option'
  void Button17Click();                      // 'Update Setting Items'
  void UpdateSettingItems1Click();           // Option > 'Update Setting Items'
  // Redraws the frame (and the 3-D view) unless a run or direction setting is on.
  void RedrawWhenIdle();
  // The filter controls as the driver reads them.
  FilterSettings FilterControls() const;
  // The gamma table the profile fit reads pixels through: only in 'Measure'.
  const GammaTable* MeasureGamma() const;
  // The playback steps of a drifting object A: play and stop start its passed points afresh.
  void RestartDriftPassedPoints(bool store_frame1);
  // The still bitmap as the frame (BmpMode); an error text when it cannot be read.
  std::string GrabStillBitmap(Bitmap24& bmp);
  StillImageState Still;            // a loaded bitmap shown instead of the video's frames
  QPointer<TMeasurementOption> MeasurementOption;
  QPointer<TPreserveSetting> PreserveSetting;
  QAction* SaveImage1 = nullptr;
  QAction* LoadBMP1 = nullptr;
  QAction* CopyImagetoClipBoard1 = nullptr;
  QAction* CopyCurrentTimetoClipboard1 = nullptr;
  QAction* MeasuremenOption1 = nullptr;
  QAction* UpdateSettingItems1 = nullptr;
  QAction* LunarVelocityCalculator1 = nullptr;
  QPushButton* Button17 = nullptr;   // 'Update Setting Items'
  QPushButton* Button22 = nullptr;   // 'Load bmp'
  QPushButton* Button42 = nullptr;   // 'Copy CSV'
  QPushButton* Button28 = nullptr;
  QPushButton* Button33 = nullptr;
  QRadioButton* RadioButton15 = nullptr;
  QRadioButton* RadioButton16 = nullptr;
  QRadioButton* RadioButton17 = nullptr;
  TRadioGroup* RadioGroup1 = nullptr;  // 'Gaussian Filtre' (tracking and PSF windows)
  TRadioGroup* RadioGroup4 = nullptr;  // 'Moving Average'
  TRadioGroup* RadioGroup5 = nullptr;  // 'Gaussian Filtre for all'
  QCheckBox* CheckBox9 = nullptr;    // 'Fixed' PSF width
  QCheckBox* CheckBox16 = nullptr;   // 'Hide Main Menu'
  QCheckBox* CheckBox17 = nullptr;   // drift passed points of object A
  QCheckBox* CheckBox19 = nullptr;   // 'Contour line'
  QCheckBox* CheckBox24 = nullptr;   // 'Enhance contrast'
  TUpDown* UpDown10 = nullptr;       // 'adjust' (Edit29)
  TUpDown* UpDown11 = nullptr;       // (Edit31)
  TUpDown* UpDown12 = nullptr;       // (Edit46)
  TUpDown* UpDown13 = nullptr;       // position of the main controls
  TUpDown* UpDown15 = nullptr;       // lowest PSF width, percent (Edit51)
  TUpDown* UpDown16 = nullptr;       // highest PSF width, percent (Edit52)
  TUpDown* UpDown17 = nullptr;       // gain in tenths (Edit66)
  TUpDown* UpDown19 = nullptr;       // field rotation (Edit67)
  QLineEdit *Edit29 = nullptr, *Edit31 = nullptr, *Edit46 = nullptr;
  QLineEdit *Edit51 = nullptr, *Edit52 = nullptr, *Edit66 = nullptr, *Edit67 = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void CreateMenus();
  // The menu-bar menu of that name, added with the caption when missing.
  QMenu* TopMenu(const char* name, const char* caption);
  // The menu bar's menus, made by the first part of the window that fills them.
  QMenu* File1 = nullptr;
  QMenu* Edit1 = nullptr;
  QMenu* Object1 = nullptr;
  QMenu* Option1 = nullptr;
  QMenu* Tools1 = nullptr;
  QMenu* Analysis1 = nullptr;
  QScrollBar* Memo1Rows = nullptr;  // beside Memo1: rows of a table too long for it
  QSplitter* Splitter1 = nullptr;   // the frame and the results panel
  QGroupBox* GammaGroup = nullptr;  // 'Gamma Reverse Correction'
  QLabel* Label2 = nullptr;         // 'Gap', 'Height' while the rectangle aperture is on
  QLabel* StaticText10 = nullptr;   // 'Width'
  QWidget* CreateControlPanel();
  void ConnectHandlers();
  void ApplySettings(const AppSettings& s);
  void ResetMarkers();
  void InitialiseFrameBlocks();
  void ShowWidthLabels();
  // ---- commands ----
  QWidget* CreateCommandsPanel();
  void CreateCommandsMenuItems();
  // ---- time stamps ----
  void SetUpTimeStampControls();
  bool GrabCurrentFrame(Bitmap24& frame);
  InserterSettings InserterNow() const;
  void KeepInserter(const InserterSettings& s);
  void RunInserterSteps(const InserterSteps& steps);

  // ---- identification ----
  QWidget* CreateIdentificationPanel();
  void ConnectIdentificationHandlers();

  // ---- chart ----
  QWidget* CreateChartPanel();
  void CreateChartMenuItems();
  void ConnectChartHandlers();
  void CreateMutualMenuItems();

  // ---- online ----
  void CreateOnlineMenuItems();
  QWidget* CreateOnlinePanel();
  // ---- timing tools ----
  void CreateTimingMenuItems();
  QWidget* CreateTimingPanel();
  QWidget* CreateToolsPanel();
  void CreateToolsMenuItems();
  // ---- capture, guide, utility windows ----
  void CreateCaptureMenuItems();
  QWidget* CreateCapturePanel();
  void CaptureClosed(bool open_recording, const std::string& file);

  // ---- video ----
  QWidget* CreateVideoPanel();
  void ConnectVideoHandlers();
  bool VideoIsScript() const;  // the open video is an AviSynth script
  QString open_dialog_file_name_;  // OpenDialog1.FileName

  // ---- frame ----
  static FrameDriverState InitialFrameDriverState();
  void PutControlsIntoSelectedObject();
  void RefreshObjectMasks(const FrameDriverSettings& s, bool force);
  std::string GrabFrameText(int n, Bitmap24& bmp);
  void ActOnFrameOutcome(const FrameOutcome& out, bool was_measuring);
  void ShowImage1Bitmap();
  void ShowBlackImage1();
  std::array<std::optional<MaskSettings>, 3> built_masks_{};
  std::array<std::pair<int, int>, 3> built_directions_{};
  const Bitmap24* image1_source_ = nullptr;  // the bitmap the next Image1 draw shows
  QTimer* image1_timer_ = nullptr;
  qint64 image1_drawn_ms_ = 0;
  bool image1_pending_ = false;
  // A reader switch that could not reopen the video left the window set up
  // for it: the switch that reopens it shows it again.
  bool video_closed_by_switch_ = false;

  // ---- run ----
  QWidget* CreateRunPanel();
  void ConnectRunHandlers();
  void SetUpImageTools();  // ---- image tools ----
  void Prime();
  void FinishRun();
  void EndOfRange();
  void SetRadiusControlsEnabled(bool on);
  void RestartPredictTracks();
  void RestoreFieldMeasure();
  void StepTo(StepButton button);
  void AddToRunLog(const std::string& text);
  int TableHeaderLines() const;
  // Playback ended: not playing, and forwards again from here.
  void EndPlayback();
  // 'Photometry', 'Set radius to recorded' (aperture only) and 'DShow' (not
  // for a script), held while playing, usable again.
  void ReleasePlaybackLocks();
  // Playback stopped outright (timer, state and locks), as when its video goes.
  void StopPlaybackTimer();
  bool run_end_pending_ = false;  // the driver ended the run at the last frame
  bool field_measure_was_enabled_ = true;  // 'Field Measure' before 'Show Field' or 'Direction Setting' took it
  RunPaceClock run_pace_;         // Timer1's frames owed since it started

  // ---- objects ----
  QWidget* CreateObjectsPanel();
  void CreateObjectsMenus();
  void ConnectObjectsHandlers();
  void SelectObjectFromMenu(int k);
  void UpdateObjectMenuItems();
  // The object radio buttons show the selected object, running no handler.
  void ShowSelectedObject();
  void RadiusUpDownClick(int which);
  void SetPassedPoint(int which);
  void ClearPassedPoint(int which);
  void SetLinkedPoint(LinkedPointKind which);
  void ShowLinkedPointFrames();  // object A's 'Begin' and 'End' frames in Edit11, Edit32
  void ApplyLoadedObjects(const ResultCsvLoadResult& r);
  bool placing_ = false;

  PlatformOptions startup_;
  ResultMemoView* memo_view_ = nullptr;
  DisplayPacer* display_pacer_ = nullptr;
  QScrollArea* panel_scroll_ = nullptr;  // the settings panel
  bool closing_allowed_ = false;
};

// The main window while it exists.
extern QPointer<TPlatform> Platform;
