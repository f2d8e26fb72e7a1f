// 'Update Setting Items' over an open video with a star placed: what its
// buttons and keys leave in force for the rows measured next.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>

#include "MainRoadFixture.h"
#include "app/ui/TPreserveSetting.h"
#include "base/AtomicFile.h"
#include "support/WindowControls.h"

namespace {

// A steady-star video open through 'Open AVI', object A placed on the star.
void OpenAndPlace(MainRoadWindow& m) {
  const auto path = m.Path("steady.avi");
  ASSERT_TRUE(WriteSteadyStarVideo(path, 6));
  ASSERT_TRUE(m.OpenThroughButton1(path));
  m.ClickImage1(40, 30);
}

// Option > 'Update Setting Items'.
TPreserveSetting* OpenDialog(MainRoadWindow& m) {
  m.W().findChild<QAction*>("UpdateSettingItems1")->trigger();
  return m.W().findChild<TPreserveSetting*>("PreserveSetting");
}

void PressEnter(QWidget* target) {
  target->setFocus();
  for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
    QKeyEvent press(QEvent::KeyPress, key, key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    QApplication::sendEvent(target, &press);
  }
  QApplication::processEvents();
}

}  // namespace

// After 'Default' the next row of object A is measured and tracked with the
// factory set-up the main window now shows: radii 6 / 8 / 25, 'Drift' with
// radius 6 and threshold 95, whatever A was set to before.
TEST(SettingsDialogRoad, DefaultIsInForceForTheNextRow) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  OpenAndPlace(m);
  // A set-up of its own by the controls, none of it the factory's.
  w.CheckBox3->click();  // 'Sync-Tracking APT' off: the radii stay as set
  w.UpDown3->setValue(20);
  w.UpDown2->setValue(10);
  w.UpDown1->setValue(4);
  w.UpDown5->setValue(9);
  w.UpDown7->setValue(60);
  w.RadioButton6->click();  // tracking 'OFF'
  m.Click("Button16");
  ASSERT_EQ(m.Rows().size(), 1u);

  TPreserveSetting* d = OpenDialog(m);
  ASSERT_NE(d, nullptr);
  m.dialogs.yes_no_answers = {true};
  d->Button3->click();
  d->close();
  m.Click("Button16");
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 2u);

  const struct {
    int cell;
    std::string factory;
    QSpinBox* shown;
  } table[] = {
      {21, "6", w.UpDown1}, {22, "8", w.UpDown2}, {23, "25", w.UpDown3}, {32, "6", w.UpDown5}, {33, "95", w.UpDown7},
  };
  for (const auto& t : table) {
    SCOPED_TRACE("cell " + std::to_string(t.cell));
    EXPECT_EQ(GetCsvField(rows[1], t.cell), t.factory);
    EXPECT_EQ(t.shown->text().toStdString(), t.factory);
  }
  EXPECT_EQ(StripQuotes(GetCsvField(rows[1], 31)), "Drift");
  EXPECT_TRUE(w.RadioButton5->isChecked());
  // Object A's tracking disk reaches 6 pixels and no further.
  const TrackDisk& disk = w.Driver.Track[0];
  EXPECT_EQ(disk.At(0, 6), 1);
  EXPECT_EQ(disk.At(0, 7), 0);
}

// Enter pressed in a folder edit or on a tick of any page saves nothing and
// closes nothing: only the buttons save.
TEST(SettingsDialogRoad, EnterSavesNoPage) {
  MainRoadWindow m(Reader::OwnAvi);
  OpenAndPlace(m);
  TPreserveSetting* d = OpenDialog(m);
  ASSERT_NE(d, nullptr);
  const auto ini = m.W().SettingsPlace.IniPath;
  const std::optional<std::string> before = ReadWholeFile(ini, 1 << 20);
  ASSERT_TRUE(before);
  d->PageControl1->setCurrentIndex(0);  // 'File reading'
  d->CheckBox14->click();               // '.AVI' not remembered: not saved until asked
  for (QWidget* target : std::initializer_list<QWidget*>{d->Edit1, d->Edit2, d->Edit3, d->CheckBox14, d->CheckBox22}) {
    SCOPED_TRACE(target->objectName().toStdString());
    PressEnter(target);
    EXPECT_EQ(ReadWholeFile(ini, 1 << 20), before);
    EXPECT_TRUE(d->isVisible());
  }
  for (int page : {1, 2, 3}) {
    d->PageControl1->setCurrentIndex(page);
    QCheckBox* tick = d->PageControl1->currentWidget()->findChild<QCheckBox*>();
    ASSERT_NE(tick, nullptr);
    SCOPED_TRACE(tick->objectName().toStdString());
    tick->click();
    PressEnter(tick);
    EXPECT_EQ(ReadWholeFile(ini, 1 << 20), before);
    EXPECT_TRUE(d->isVisible());
  }
  EXPECT_TRUE(m.dialogs.questions.empty());
  EXPECT_TRUE(m.dialogs.messages.empty());
  // The page's own button still saves it.
  d->PageControl1->setCurrentIndex(0);
  d->Button4->click();
  EXPECT_FALSE(IniFile(ini).ReadBool("Files", "Memory Latest Access to .AVI files", true));
}

// A video opened through its AviSynth script is read by the AVI reader
// whichever reader is chosen: 'Direct Show' leaves the page showing 'Video
// for Windows', the reader in force and the one 'Update.INI file' writes.
TEST(SettingsDialogRoad, ScriptShowsTheReaderInForce) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  const auto video = m.Path("steady.avi");
  ASSERT_TRUE(WriteSteadyStarVideo(video, 4));
  const auto script = m.Path("steady.avs");
  std::ofstream(script, std::ios::binary) << "AVISource(\"" << video.string() << "\")\r\n";
  ASSERT_TRUE(m.OpenThroughButton1(script));
  TPreserveSetting* d = OpenDialog(m);
  ASSERT_NE(d, nullptr);
  ASSERT_TRUE(d->RadioButton2->isChecked());
  d->RadioButton1->click();  // 'Direct Show'
  EXPECT_TRUE(w.Run.VideoLoaded);
  EXPECT_EQ(w.Video.UseDirectShow, 0);
  EXPECT_FALSE(d->RadioButton1->isChecked());
  EXPECT_TRUE(d->RadioButton2->isChecked());
  m.dialogs.yes_no_answers = {true};
  d->Button1->click();
  EXPECT_EQ(IniFile(w.SettingsPlace.IniPath).ReadString("FileRead", "API for reading file", ""), "VideoForWindows");
}

// The tracking radius kept in the settings file is the one object A tracks
// with after 'Open AVI' and a click on the star, the one its rows record and
// the one the next 'Update.INI file' keeps in the file.
TEST(SettingsDialogRoad, StoredTrackingRadiusIsInForceAfterOpening) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  IniFile ini(w.SettingsPlace.IniPath);
  ini.WriteString("Star Tracking", "Radius", "9");
  OpenAndPlace(m);
  EXPECT_EQ(w.UpDown5->text().toStdString(), "9");
  m.Click("Button16");
  const std::vector<std::string> rows = m.Rows();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(GetCsvField(rows[0], 32), "9");
  const TrackDisk& disk = w.Driver.Track[0];
  EXPECT_EQ(disk.At(0, 9), 1);
  EXPECT_EQ(disk.At(0, 10), 0);

  TPreserveSetting* d = OpenDialog(m);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->Label9->text().toStdString(), "9");
  d->CheckBox10->setChecked(true);  // 'Radius :'
  m.dialogs.yes_no_answers = {true};
  d->Button1->click();
  d->close();
  EXPECT_EQ(ini.ReadString("Star Tracking", "Radius", ""), "9");
}
