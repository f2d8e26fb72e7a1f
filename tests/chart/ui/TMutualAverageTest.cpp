// The mutual-event window offscreen: calculation, drawing, marking the event
// on the picture, the fit and the range search, clipboard and files, driven
// through its controls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>

#include "base/AtomicFile.h"
#include "base/CsvFields.h"
#include "base/NumberText.h"
#include "base/ui/ControlEvents.h"
#include "chart/MutualFit.h"
#include "chart/ui/TMutual_Average.h"
#include "ChartFakeHost.h"
#include "support/ChartTestTables.h"
#include "support/TemporaryFolder.h"

namespace {

struct Fixture {
  FakeHost host;
  uint8_t open = 1;
  QPointer<TMutual_Average> w;
  Fixture() {
    host.table.lines = ParabolaEventTable(480, 5.27, 40, 1000);
    w = new TMutual_Average(host, &open);
  }
  ~Fixture() { delete w.data(); }
  template <class T>
  T* C(const char* name) {
    return Find<T>(w, name);
  }
  void Click(const char* name) { C<QPushButton>(name)->click(); }
  QStringList Memo(const char* name) { return C<QPlainTextEdit>(name)->toPlainText().split('\n'); }
  void Type(const char* name, const QString& text) {
    QLineEdit* e = C<QLineEdit>(name);
    e->setText(text);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(e, &press);
  }
  // The 3:07:00 start, 16 frames per unit.
  void Calculate() {
    C<QComboBox>("ComboBox1")->setCurrentIndex(4);
    Type("Edit2", "3");
    Type("Edit3", "7");
    Type("Edit4", "0");
    Click("Button1");
  }
  // The event typed as units first..last, the degree item chosen.
  void CalculateAndMark(const QString& first, const QString& last, int degree_item) {
    Calculate();
    Type("Edit8", first);
    Type("Edit9", last);
    C<QComboBox>("ComboBox4")->setCurrentIndex(degree_item);
  }
  // A right click on the picture at x, then the popup's item.
  void Mark(int x, const char* item) {
    QLabel* image = C<QLabel>("Image1");
    const QPointF p(x, 100);
    QMouseEvent press(QEvent::MouseButtonPress, p, image->mapToGlobal(p), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QApplication::sendEvent(image, &press);
    QMenu* popup = Find<QMenu>(w, "PopupMenu1");
    EXPECT_TRUE(popup->isVisible());
    for (QAction* a : popup->actions())
      if (a->objectName() == item) a->trigger();
    popup->hide();
  }
  QRgb Pixel(int x, int y) { return w->Picture().pixel(x, y); }
};

TEST(TMutual_Average, StartsWithItsDesignDefaults) {
  Fixture f;
  EXPECT_EQ(f.w->windowTitle(), "Processing for Mutual Event");
  EXPECT_EQ(f.C<QComboBox>("ComboBox1")->currentText(), "  32");
  EXPECT_EQ(f.C<QComboBox>("ComboBox1")->count(), 11);
  EXPECT_EQ(f.C<QComboBox>("ComboBox3")->currentText(), "   5");
  EXPECT_EQ(f.C<QComboBox>("ComboBox4")->currentText(), "8");
  EXPECT_EQ(f.C<TRadioGroup>("RadioGroup1")->ItemIndex(), 1);
  EXPECT_EQ(f.C<QPlainTextEdit>("Memo2")->toPlainText(), "Memo2");
  // Nothing to draw or fit yet: scroll bars redraw a blank picture, 'Fit' says why.
  f.C<QScrollBar>("ScrollBar1")->setValue(50);
  EXPECT_EQ(f.Pixel(50, 100), qRgb(255, 255, 255));
  f.Click("Button6");
  ASSERT_EQ(f.host.Errors().size(), 1u);
}

TEST(TMutual_Average, TypedTimesStepByTheRecordingsFrameRate) {
  Fixture f;
  f.host.timing_frame_rate = 25;
  f.Calculate();
  // Unit 2: frames 17..32 timed at frame 24, 23/25 s after 3:07:00.
  EXPECT_TRUE(f.Memo("Memo1")[1].startsWith(" 3  7  0.920,")) << f.Memo("Memo1")[1].toStdString();
}

TEST(TMutual_Average, CalculateListsUnitsAndDrawsTheRatios) {
  Fixture f;
  f.C<QComboBox>("ComboBox3")->setCurrentIndex(1);
  emit f.C<QComboBox>("ComboBox3")->activated(1);
  EXPECT_EQ(f.C<QLineEdit>("Edit1")->text(), "3");
  f.Calculate();
  const QStringList lines = f.Memo("Memo1");
  ASSERT_EQ(lines.size(), 30);
  // Unit 1: frames 1..16 timed at frame 8, 7/29.97 s after 3:07:00.
  EXPECT_EQ(lines[0], " 3  7  0.234,    2009,    2000,    2009,    2000,   1.00000");
  EXPECT_EQ(f.C<QLineEdit>("Edit9")->text(), "30");
  EXPECT_EQ(f.w->LastUnit(), 30);
  // The blue target and yellow comparison curves at their units.
  const MutualGraphView& v = f.w->View();
  const TypAvgData& u5 = f.w->Units()[5];
  EXPECT_EQ(f.Pixel(v.UnitX(5), v.ValueY(u5.TargetRatio)), qRgb(0, 0, 255));
  EXPECT_EQ(f.Pixel(v.UnitX(5), v.ValueY(u5.ComparisonRatio)), qRgb(255, 255, 0));
  EXPECT_EQ(f.Pixel(50, f.w->Picture().height() - 40), qRgb(0, 0, 0));  // the axis
  EXPECT_EQ(f.C<QLineEdit>("Edit10")->text().toStdString(),
            FormatFixed(v.MutualYScale, 8, 10));

  // The scroll bars change the drawing; 'Reset' brings it back.
  const QImage before = f.w->Picture();
  f.C<QScrollBar>("ScrollBar1")->setValue(60);
  EXPECT_EQ(f.w->View().MutualPlotWidth, std::round((f.w->Picture().width() - 80) * 0.6));
  f.C<QScrollBar>("ScrollBar2")->setValue(20);
  f.C<QScrollBar>("ScrollBar3")->setValue(200);
  EXPECT_NE(f.w->Picture(), before);
  f.Click("Button2");
  EXPECT_EQ(f.C<QScrollBar>("ScrollBar1")->value(), 100);
  EXPECT_EQ(f.C<QScrollBar>("ScrollBar2")->value(), 0);
  EXPECT_EQ(f.C<QScrollBar>("ScrollBar3")->value(), 100);
  EXPECT_EQ(f.w->Picture(), before);
}

TEST(TMutual_Average, TimeEditsAndCalculationFaultsGetMessages) {
  Fixture f;
  f.Type("Edit2", "1h");
  f.Type("Edit4", "5.1.2s");
  EXPECT_EQ(f.C<QLineEdit>("Edit4")->text(), "5.12");
  // Equal first and last times: a message, the old list stays.
  f.C<TRadioGroup>("RadioGroup1")->SetItemIndex(2);
  f.Type("Edit5", "1");
  f.Type("Edit7", "5.12");
  f.Click("Button1");
  ASSERT_EQ(f.host.Errors().size(), 1u);
  EXPECT_EQ(f.host.Errors()[0], "The first and last frame times are equal: no frame rate can be found from them.");
  EXPECT_TRUE(f.w->Units().size() == 1);
  // A comparison of 0 everywhere.
  f.C<TRadioGroup>("RadioGroup1")->SetItemIndex(1);
  f.C<QLineEdit>("Edit13")->setText("0");
  f.Click("Button1");
  ASSERT_EQ(f.host.Errors().size(), 2u);
  EXPECT_EQ(f.host.Errors()[1], "The mean comparison value is 0: the ratios cannot be formed.");
  // A header-only table.
  f.host.table.lines.resize(6);
  f.Click("Button1");
  EXPECT_EQ(f.Memo("Memo1").back(), "Data is not detected.");
}

// A recalculation refused for bad input keeps the list, units and picture of
// the last one: they still belong together and can be saved.
TEST(TMutual_Average, RefusedRecalculationKeepsTheUnitList) {
  struct Case {
    const char* name;
    std::function<void(Fixture&)> spoil;
    const char* message;
  };
  const Case cases[] = {
      {"comparison text", [](Fixture& f) { f.C<QLineEdit>("Edit13")->setText("abc"); },
       "'abc' is not a valid comparison value."},
      {"comparison 0", [](Fixture& f) { f.C<QLineEdit>("Edit13")->setText("0"); },
       "The mean comparison value is 0: the ratios cannot be formed."},
      {"equal first and last times",
       [](Fixture& f) {
         f.C<TRadioGroup>("RadioGroup1")->SetItemIndex(2);
         f.Type("Edit5", "3");
         f.Type("Edit6", "7");
         f.Type("Edit7", "0");
       },
       "The first and last frame times are equal: no frame rate can be found from them."},
      // The table was measured without reading the stamp: no time in column 4.
      {"no time read from the video", [](Fixture& f) { f.C<TRadioGroup>("RadioGroup1")->SetItemIndex(0); },
       "The first record holds no time read from the video image: choose \"Based on First Frame\" or "
       "\"First & Last Frame\" and type the time."},
      // Line 20 of the table: six header lines, then data line 15.
      {"target cell", [](Fixture& f) { SetCsvField(f.host.table.lines[20], 11, "x1"); },
       "'x1' is not a valid number (data line 15, column 11)."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fixture f;
    f.Calculate();
    const QStringList list = f.Memo("Memo1");
    ASSERT_EQ(list.size(), 30);
    const QImage picture = f.w->Picture();
    c.spoil(f);
    f.Click("Button1");
    ASSERT_EQ(f.host.Errors().size(), 1u);
    EXPECT_EQ(f.host.Errors()[0], c.message);
    EXPECT_EQ(f.Memo("Memo1").join('\n').toStdString(), list.join('\n').toStdString());
    EXPECT_EQ(f.w->Units().size(), 31u);
    EXPECT_EQ(f.w->Picture(), picture);
  }
}

TEST(TMutual_Average, EventUnitsAreMarkedAndKeptInsideTheUnits) {
  Fixture f;
  f.Calculate();
  const MutualGraphView v = f.w->View();
  f.Mark(v.UnitX(4), "SetFirst1");
  EXPECT_EQ(f.C<QLineEdit>("Edit8")->text(), "4");
  f.Mark(v.UnitX(26), "SetLast1");
  EXPECT_EQ(f.C<QLineEdit>("Edit9")->text(), "26");
  EXPECT_EQ(f.Pixel(v.UnitX(4), 5), qRgb(0, 255, 0));
  EXPECT_EQ(f.Pixel(v.UnitX(26), 5), qRgb(255, 0, 255));
  // w = nearest(23 / 3) = 8: 1..30 after clipping.
  EXPECT_EQ(f.w->FitRange().MutualFitFirstUnit, 1);
  EXPECT_EQ(f.w->FitRange().MutualFitLastUnit, 30);
  // On the y axis: unit 1, not 0; left of it nothing happens.
  f.Mark(50, "SetFirst1");
  EXPECT_EQ(f.C<QLineEdit>("Edit8")->text(), "1");
  f.Mark(20, "SetFirst1");
  EXPECT_EQ(f.w->FirstUnit(), 1);
  // Typed units are filtered and clamped.
  struct Row {
    const char* edit;
    const char* typed;
    const char* shown;
  } rows[] = {{"Edit8", "1x0", "10"}, {"Edit9", "99", "30"}, {"Edit9", "", "1"}, {"Edit9", "0", "1"}, {"Edit9", "20", "20"}};
  for (const Row& r : rows) {
    f.Type(r.edit, r.typed);
    EXPECT_EQ(f.C<QLineEdit>(r.edit)->text(), r.shown) << r.typed;
  }
  EXPECT_EQ(f.w->FirstUnit(), 10);
  EXPECT_EQ(f.w->LastUnit(), 20);
  EXPECT_EQ(f.w->FitRange().MutualFitFirstUnit, 6);
  EXPECT_EQ(f.w->FitRange().MutualFitLastUnit, 24);
  // The up-downs write their position and bound each other.
  auto* up1 = f.C<TUpDown>("UpDown1");
  auto* up2 = f.C<TUpDown>("UpDown2");
  up2->setValue(15);
  EXPECT_EQ(f.C<QLineEdit>("Edit9")->text(), "15");
  EXPECT_EQ(up1->maximum(), 15);
  up1->setValue(12);
  EXPECT_EQ(f.C<QLineEdit>("Edit8")->text(), "12");
  EXPECT_EQ(up2->minimum(), 12);
  EXPECT_EQ(f.w->FirstUnit(), 12);
  EXPECT_EQ(f.w->LastUnit(), 15);
}

TEST(TMutual_Average, FitFindsTheSyntheticMinimum) {
  Fixture f;
  f.CalculateAndMark("4", "26", 0);  // degree 2
  f.Click("Button6");
  EXPECT_EQ(f.C<QLineEdit>("Edit10")->text(), "3h 7m 5.2s");
  EXPECT_EQ(f.C<QLineEdit>("Edit11")->text(), "0.0");
  const QStringList memo = f.Memo("Memo2");
  ASSERT_EQ(memo.size(), 3 + 23);
  EXPECT_TRUE(memo[1].startsWith("1 -401.1984")) << memo[1].toStdString();
  // Unit 4 at frame 56: 55 / 29.97 s after 3:07:00.
  EXPECT_TRUE(memo[3].startsWith("3,7,1.8352,")) << memo[3].toStdString();
  const MutualGraphView& v = f.w->View();
  // The red model over the units, the grey minimum line at unit 10.
  const TypAvgData& u12 = f.w->Units()[12];
  const int y12 = v.ValueY(EvalFitPolynomial(f.w->Model(), MutualUnitSeconds(u12) - MutualUnitSeconds(f.w->Units()[1])));
  EXPECT_EQ(f.Pixel(v.UnitX(12), y12), qRgb(255, 0, 0));
  EXPECT_EQ(f.Pixel(v.UnitX(10), 60), qRgb(128, 128, 128));

  // First = last is refused with a message and leaves the fit alone.
  f.Type("Edit9", "4");
  f.Click("Button6");
  ASSERT_EQ(f.host.Errors().size(), 1u);
  EXPECT_EQ(f.host.Errors()[0], "The last unit must lie after the first unit.");
  EXPECT_EQ(f.C<QLineEdit>("Edit11")->text(), "0.0");
}

// Three units marked with the default degree 8 (or 14): the model is the
// parabola through them, so the residual is 0 and the minimum that of the
// degree-2 fit, not a curve thrown about by coefficients of 1e16.
TEST(TMutual_Average, FewerUnitsThanCoefficientsAreFittedThroughTheUnits) {
  Fixture f;
  for (int item : {6, 12}) {
    SCOPED_TRACE(item);
    f.CalculateAndMark("9", "11", item);
    f.Click("Button6");
    EXPECT_EQ(f.C<QLineEdit>("Edit11")->text(), "0.0");
    EXPECT_EQ(f.C<QLineEdit>("Edit10")->text(), "3h 7m 5.2s");
    const QStringList memo = f.Memo("Memo2");
    ASSERT_EQ(memo.size(), item + 3 + 3);
    for (int k = 3; k < item + 3; ++k) EXPECT_EQ(memo[k], QString::number(k) + " 0");
  }
}

// Units set with the up-down arrows, which leave no edit to be left, are the
// units 'Fit' and the range search work on: the same as typed units.
TEST(TMutual_Average, UnitsSetWithTheArrowsAreFitted) {
  Fixture f;
  f.CalculateAndMark("4", "26", 0);
  for (int i = 0; i < 6; ++i) f.C<TUpDown>("UpDown1")->stepUp();
  for (int i = 0; i < 4; ++i) f.C<TUpDown>("UpDown2")->stepDown();
  EXPECT_EQ(f.C<QLineEdit>("Edit8")->text(), "10");
  EXPECT_EQ(f.C<QLineEdit>("Edit9")->text(), "22");
  f.Click("Button6");
  const QStringList memo = f.Memo("Memo2");
  // Three coefficients, then units 10..22; unit 10 at frame 152, 151 / 29.97 s
  // after 3:07:00.
  ASSERT_EQ(memo.size(), 3 + 13);
  EXPECT_TRUE(memo[3].startsWith("3,7,5.0384,")) << memo[3].toStdString();
  // w = nearest(13 / 3) = 4.
  EXPECT_EQ(f.w->FitRange().MutualFitFirstUnit, 6);
  EXPECT_EQ(f.w->FitRange().MutualFitLastUnit, 26);

  // Units marked on the picture: the arrows step on from them.
  const MutualGraphView v = f.w->View();
  f.Mark(v.UnitX(20), "SetFirst1");
  f.Mark(v.UnitX(26), "SetLast1");
  f.C<TUpDown>("UpDown1")->stepUp();
  f.C<TUpDown>("UpDown2")->stepDown();
  EXPECT_EQ(f.C<QLineEdit>("Edit8")->text(), "21");
  EXPECT_EQ(f.C<QLineEdit>("Edit9")->text(), "25");
  EXPECT_EQ(f.w->FirstUnit(), 21);
  EXPECT_EQ(f.w->LastUnit(), 25);
}

TEST(TMutual_Average, RangeSearchRunsAwayFromTheWindowAndMatchesTheSerialSearch) {
  Fixture f;
  f.CalculateAndMark("8", "22", 1);
  f.w->SetSearchThreads(3);
  f.Click("Button5");
  EXPECT_EQ(f.C<QLineEdit>("Edit12")->text(), "3");
  EXPECT_EQ(f.C<QProgressBar>("ProgressBar1")->maximum(), 6);
  QElapsedTimer t;
  t.start();
  while (f.w->RangeSearchRunning() && t.elapsed() < 20000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  ASSERT_FALSE(f.w->RangeSearchRunning());
  EXPECT_EQ(f.C<QProgressBar>("ProgressBar1")->value(), 6);
  const MutualRangeSearchResult serial = MutualRangeSearch(f.w->Units(), {8, 22, 3, 27, 1, false}, nullptr, 1);
  EXPECT_EQ(f.w->Model().Coef, serial.Model.Coef);
  EXPECT_EQ(f.C<QLineEdit>("Edit10")->text(), "3h 7m 5.2s");
  // The residual shown is the one the search chose by: over units 8..22.
  EXPECT_EQ(f.C<QLineEdit>("Edit11")->text().toStdString(), FormatFixed(serial.BestResidual, 1, 8));
  EXPECT_EQ(f.C<QPushButton>("Button5")->text(), "Button5");

  // A second click while it runs cancels it and keeps the last fit.
  f.Type("Edit8", "3");
  f.Type("Edit9", "28");
  f.Click("Button5");
  f.Click("Button5");
  EXPECT_FALSE(f.w->RangeSearchRunning());
  EXPECT_EQ(f.w->Model().Coef, serial.Model.Coef);
  EXPECT_TRUE(f.C<QPushButton>("Button6")->isEnabled());
}

TEST(TMutual_Average, ClipboardCsvAndPictureFiles) {
  Fixture f;
  f.Calculate();
  f.Click("Button3");
  const QImage clip = QGuiApplication::clipboard()->image();
  EXPECT_EQ(clip.width(), static_cast<int>(f.w->View().MutualPlotWidth) + 80);
  EXPECT_EQ(clip.height(), f.w->Picture().height());

  TemporaryFolder dir("tessary-mutual");
  f.host.dialogs.save_file_names.push_back(QString::fromStdString(dir.File("units.txt")));
  f.Click("Button4");
  const auto csv = ReadWholeFile(dir.File("units.csv"), 1 << 20);
  ASSERT_TRUE(csv);
  EXPECT_EQ(csv->substr(0, 64), " 3  7  0.234,    2009,    2000,    2009,    2000,   1.00000\r\n 3 ");
  EXPECT_EQ(std::count(csv->begin(), csv->end(), '\n'), 30);
  EXPECT_EQ(std::count(csv->begin(), csv->end(), '\r'), 30);
  f.Click("Button4");  // cancelled: nothing more
  EXPECT_EQ(dir.Names().size(), 1u);

  f.host.image_save = true;
  f.host.library_save = true;
  f.host.image_choices.push_back(ImageFileChoice{dir.File("graph.jpg"), 1});
  f.Click("Button7");
  EXPECT_TRUE(f.host.Errors().empty());
  // Decoded by Qt's own PNG reader, pixel for pixel.
  const QImage back(QString::fromStdString(dir.File("graph.png")));
  ASSERT_EQ(back.size(), f.w->Picture().size());
  EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), f.w->Picture().convertToFormat(QImage::Format_RGB32));
  // A name that is only an extension writes nothing, and says so.
  f.host.image_choices.push_back(ImageFileChoice{dir.File(".png"), 3});
  f.Click("Button7");
  EXPECT_EQ(f.host.saved_images.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(dir.File(".bmp")));
  ASSERT_EQ(f.host.Errors().size(), 1u);
  EXPECT_EQ(f.host.Errors()[0],
            "The image was not saved: the file name is only an extension.\r\n" + dir.File(".bmp"));
}

}  // namespace

TEST(TMutual_Average, TablesShorterThanOneUnitSaySo) {
  // One row and 31 rows at the default 32 frames per unit give no unit to list
  // or draw; one frame per unit lists the single row.
  struct Case {
    int frames, per_unit_item, units;
  };
  for (const Case c : {Case{1, 5, 0}, Case{31, 5, 0}, Case{1, 0, 1}}) {
    SCOPED_TRACE(c.frames);
    Fixture f;
    f.host.table.lines = ParabolaEventTable(c.frames, 5.27, 40, 1000);
    f.C<QComboBox>("ComboBox1")->setCurrentIndex(c.per_unit_item);
    f.Click("Button1");
    EXPECT_EQ(static_cast<int>(f.w->Units().size()) - 1, c.units);
    EXPECT_TRUE(f.host.Errors().empty());
    if (c.units == 0) {
      ASSERT_EQ(f.host.Informations().size(), 1u);
      EXPECT_EQ(f.host.Informations()[0], "The table holds " + std::to_string(c.frames) +
                                              " frames, fewer than one unit of 32 frames: choose fewer frames per unit.");
      EXPECT_EQ(f.Pixel(50, 100), qRgb(255, 255, 255));
    } else {
      EXPECT_TRUE(f.host.Informations().empty());
      EXPECT_EQ(f.Memo("Memo1").size(), 1);
    }
  }
}

// The window goes (with the program) while a unit edit holds typed text: the
// edit's leaving must not run a handler of the half-destroyed window.
TEST(TMutual_Average, DestroyedWhileAnEditHasTheFocus) {
  for (const char* name : {"Edit2", "Edit4", "Edit8", "Edit9"}) {
    SCOPED_TRACE(name);
    Fixture f;
    ASSERT_TRUE(LeaveTypingIn(f.w, f.C<QLineEdit>(name), "3"));
    delete f.w.data();
    EXPECT_EQ(f.w, nullptr);
  }
}

// A broken stamp of 1e4000 s between two good ones: the minimum's search
// around the lowest unit reaches its neighbour no further than a day, so
// 'Fit' ends and shows a time.
TEST(TMutual_Average, NonsenseStampBetweenUnitsKeepsTheFitFinite) {
  Fixture f;
  std::vector<TableRowCells> rows(3);
  const char* seconds[] = {"5.0000", "1e4000", "5.1000"};
  for (size_t r = 0; r < rows.size(); ++r) {
    rows[r].No = std::to_string(r) + ".0";
    rows[r].H = "3";
    rows[r].M = "7";
    rows[r].EndS = seconds[r];
    rows[r].Objects[0].Value = r == 1 ? "900.0" : "1000.0";
  }
  f.host.table.lines = BuildResultTable(3, 1, rows);
  f.C<TRadioGroup>("RadioGroup1")->Item(0)->click();
  f.C<QComboBox>("ComboBox1")->setCurrentIndex(0);  // 1 frame
  f.Click("Button1");
  f.Type("Edit8", "1");
  f.Type("Edit9", "3");
  f.C<QComboBox>("ComboBox4")->setCurrentIndex(0);  // degree 2
  f.Click("Button6");
  EXPECT_TRUE(f.host.Errors().empty());
  EXPECT_FALSE(f.C<QLineEdit>("Edit10")->text().isEmpty());
}
