// The main window's mode switches: inserter type, 'KIWI', the position-set
// buttons, PSF photometry and field measurement, the occultation presets, the
// rectangle aperture and the frame reader, checked on the controls they change.
#include <QAction>
#include <QCheckBox>
#include <QSignalBlocker>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "MainRoadFixture.h"
#include "app/ui/TPreserveSetting.h"
#include "base/ui/ControlEvents.h"
#include "support/StampRender.h"

namespace {

void ChooseInserter(MainRoadWindow& m, int index) {
  auto* combo = m.Find<QComboBox>("ComboBox1");
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}

int Threshold(MainRoadWindow& m) { return m.Find<QSpinBox>("UpDown4")->value(); }

std::filesystem::path PlainVideo(MainRoadWindow& m, int w = 64, int h = 48) {
  std::vector<Bitmap24> frames;
  for (int n = 0; n < 3; ++n) {
    Bitmap24 f(w, h);
    FillFrame(f, 20);
    frames.push_back(f);
  }
  const auto path = m.Path("plain.avi");
  EXPECT_TRUE(WriteAvi(path.string(), frames));
  return path;
}

}  // namespace

TEST(ModesSwitches, InserterTypeSetsThresholdsAndLayouts) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  w.Stamp.DigitX[1][7] = 0;

  ChooseInserter(m, 2);  // GHS
  EXPECT_EQ(w.Options.TimeStampMode, 2);
  EXPECT_EQ(Threshold(m), 100);
  EXPECT_EQ(m.Find<QLineEdit>("Edit4")->text(), "100");
  EXPECT_EQ(w.Options.GlyphThreshold, 100);
  EXPECT_EQ(w.Options.StampLocated, 0);  // no video: nothing to locate

  ChooseInserter(m, 1);  // KIWI keeps the glyph threshold GHS left
  EXPECT_EQ(w.Options.TimeStampMode, 1);
  EXPECT_EQ(Threshold(m), 100);
  EXPECT_EQ(w.Options.GlyphThreshold, 100);
  EXPECT_EQ(w.Stamp.DigitX[1][7], 85);
  EXPECT_EQ(w.Stamp.DigitX[4][18], 431);

  ChooseInserter(m, 0);  // IOTA
  EXPECT_EQ(Threshold(m), 80);
  EXPECT_EQ(w.Options.GlyphThreshold, 80);
  ChooseInserter(m, 1);
  EXPECT_EQ(w.Options.GlyphThreshold, 80);

  // 'Sharp' before any video: the type and no time correction, nothing more.
  w.Video.FrameRateFactor = 1.5L;
  ChooseInserter(m, 3);
  EXPECT_EQ(w.Options.TimeStampMode, 3);
  EXPECT_EQ(w.Options.SharpTimeCorrection, 0);
  EXPECT_DOUBLE_EQ(static_cast<double>(w.Video.FrameRateFactor), 1.0);
  EXPECT_EQ(w.Options.Signal1HalfWidth, 2);

  // Refused while measuring: the combo moves, the type does not.
  w.Run.MeasuringRun = true;
  ChooseInserter(m, 0);
  EXPECT_EQ(w.Options.TimeStampMode, 3);
  w.Run.MeasuringRun = false;
}

TEST(ModesSwitches, KiwiTickSetsTheThresholdAndClearsTheTimes) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  auto* kiwi = m.Find<QCheckBox>("CheckBox5");
  ASSERT_FALSE(kiwi->isChecked());
  kiwi->setChecked(true);  // type KIWI ticked
  EXPECT_EQ(Threshold(m), 80);
  EXPECT_EQ(w.Options.GlyphThreshold, 80);
  m.Find<QLineEdit>("Edit26")->setText("12.345");
  w.Times.StampCount1 = "123";
  kiwi->setChecked(false);
  EXPECT_EQ(Threshold(m), 100);
  EXPECT_TRUE(m.Find<QLineEdit>("Edit26")->text().isEmpty());
  EXPECT_TRUE(w.Times.StampCount1.empty());
  // GHS keeps its threshold whatever the tick.
  ChooseInserter(m, 2);
  m.Find<QSpinBox>("UpDown4")->setValue(120);
  kiwi->setChecked(true);
  EXPECT_EQ(Threshold(m), 120);
}

TEST(ModesSwitches, PositionSetButtons) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  auto* tivi = m.Find<QRadioButton>("RadioButton13");
  ASSERT_NE(tivi, nullptr);
  m.Find<QRadioButton>("RadioButton11")->setChecked(true);
  EXPECT_EQ(w.Options.PositionSetMode, 1);
  m.Find<QRadioButton>("RadioButton12")->setChecked(true);
  EXPECT_EQ(w.Options.PositionSetMode, 2);
  m.Find<QSpinBox>("UpDown4")->setValue(60);
  tivi->setChecked(true);
  EXPECT_EQ(w.Options.PositionSetMode, 3);
  EXPECT_EQ(Threshold(m), 100);
  EXPECT_FALSE(m.Find<QRadioButton>("RadioButton12")->isChecked());  // one group
  m.Find<QRadioButton>("RadioButton10")->setChecked(true);
  EXPECT_EQ(w.Options.PositionSetMode, 0);

  // 'Show Field' ticked: neither the mode nor the threshold changes.
  m.Find<QSpinBox>("UpDown4")->setValue(60);
  {
    // Without a video 'Show Field' unticks itself; only its state matters here.
    QSignalBlocker keep(m.Find<QCheckBox>("CheckBox1"));
    m.Find<QCheckBox>("CheckBox1")->setChecked(true);
  }
  tivi->setChecked(true);
  EXPECT_EQ(w.Options.PositionSetMode, 0);
  EXPECT_EQ(Threshold(m), 60);
}

TEST(ModesSwitches, PsfPhotometryRefusesFieldMeasurement) {
  MainRoadWindow m(Reader::OwnAvi);
  auto* psf = m.Find<QCheckBox>("CheckBox14");
  auto* field = m.Find<QCheckBox>("CheckBox2");
  field->setChecked(true);
  psf->setChecked(true);
  EXPECT_FALSE(field->isChecked());
  EXPECT_FALSE(field->isEnabled());
  EXPECT_EQ(m.Find<QGroupBox>("GroupBox3")->title(), "FWHM");
  EXPECT_FALSE(m.Find<QPushButton>("Button40")->isEnabled());
  EXPECT_TRUE(m.dialogs.messages.empty());

  field->setChecked(true);  // ticked by code while PSF photometry is on
  EXPECT_FALSE(field->isChecked());
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_EQ(m.dialogs.messages[0].text, "Field mode is not available on PSF photometry.");
  EXPECT_EQ(m.dialogs.messages[0].caption, "Note");

  psf->setChecked(false);
  EXPECT_TRUE(field->isEnabled());
  EXPECT_EQ(m.Find<QGroupBox>("GroupBox3")->title(), "Half Flux");
  EXPECT_TRUE(m.Find<QPushButton>("Button40")->isEnabled());
  // Field measurement rewrites the header for field rows.
  field->setChecked(true);
  EXPECT_NE(m.W().Results.Lines().at(4).find("Field"), std::string::npos);
}

TEST(ModesSwitches, OccultationPresets) {
  MainRoadWindow m(Reader::OwnAvi);
  ASSERT_TRUE(m.OpenThroughButton1(PlainVideo(m)));
  TPlatform& w = m.W();
  auto& objects = w.Frames.FrameDataLines[0].Objects;
  struct Row {
    const char* name;
    int type;
    int inner;          // inner radius of every object before the preset
    int outer_before;
    int outer_after;    // of object A (and shown in UpDown3)
    int outer_c_after;  // of object C
    int threshold;
    uint8_t form;       // of object A
    const char* track_button;
  };
  const Row rows[] = {
      {"none", 0, 8, 20, 25, 25, 50, 0, "RadioButton4"},
      {"lunar bright, outer only for A", 1, 8, 20, 25, 20, 50, 2, "RadioButton5"},
      {"lunar dim, outer for all", 2, 8, 20, 25, 25, 50, 2, "RadioButton4"},
      {"asteroidal, inner 17 sets outer 17", 3, 17, 22, 17, 17, 50, 0, "RadioButton4"},
      {"asteroidal, inner 18 keeps outer", 3, 18, 22, 22, 22, 50, 0, "RadioButton4"},
      {"asteroidal single, inner 15", 4, 15, 22, 17, 17, 75, 0, "RadioButton5"},
      {"asteroidal single, inner 16", 4, 16, 22, 22, 22, 75, 0, "RadioButton5"},
  };
  for (const Row& r : rows) {
    for (auto& o : objects) {
      o.BackgroundInner = r.inner;
      o.BackgroundOuter = r.outer_before;
      o.ApertureRadius = 5;
      o.BackgroundForm = 0;
    }
    w.Stars.ObjectFitWidth = {3.5, 4.0, 2.4};
    w.Options.OccultationTypeIndex = r.type;
    w.ApplyOccultationPreset();
    EXPECT_EQ(objects[0].BackgroundOuter, r.outer_after) << r.name;
    EXPECT_EQ(objects[2].BackgroundOuter, r.outer_c_after) << r.name;
    EXPECT_EQ(m.Find<QSpinBox>("UpDown3")->value(), r.outer_after) << r.name;
    EXPECT_EQ(m.Find<QSpinBox>("UpDown7")->value(), r.threshold) << r.name;
    EXPECT_EQ(objects[0].BackgroundForm, r.form) << r.name;
    EXPECT_TRUE(m.Find<QRadioButton>(r.track_button)->isChecked()) << r.name;
    if (r.type != 0) {
      // Tracking radii from the fitted widths, halves away from zero.
      EXPECT_EQ(objects[0].TrackRadius, 4) << r.name;
      EXPECT_EQ(objects[2].TrackRadius, 2) << r.name;
      EXPECT_EQ(m.Find<QSpinBox>("UpDown5")->value(), 4) << r.name;
    }
  }
  EXPECT_TRUE(m.dialogs.messages.empty());
}

TEST(ModesSwitches, RectangleApertureOnAndOff) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  QAction* rect = w.findChild<QAction*>("RectangleAperture1");
  ASSERT_NE(rect, nullptr);
  rect->trigger();  // no video: the check goes again
  EXPECT_FALSE(rect->isChecked());

  ASSERT_TRUE(m.OpenThroughButton1(PlainVideo(m)));
  auto* width = m.Find<QSpinBox>("UpDown8");
  auto* gap = m.Find<QSpinBox>("UpDown6");
  width->setValue(3);
  gap->setValue(4);
  m.Find<QRadioButton>("RadioButton2")->setChecked(true);  // 'Avoid Sunlit Face'
  auto& a = w.Frames.FrameDataLines[0].Objects[0];
  a.TrackMode = 1;
  rect->trigger();
  EXPECT_TRUE(rect->isChecked());
  EXPECT_EQ(width->value(), 5);
  EXPECT_EQ(width->maximum(), 51);
  EXPECT_EQ(gap->value(), 51);
  EXPECT_EQ(gap->minimum(), 1);
  for (const char* b : {"RadioButton1", "RadioButton2", "RadioButton3"})
    EXPECT_FALSE(m.Find<QRadioButton>(b)->isEnabled()) << b;
  EXPECT_EQ(a.BackgroundForm, 3);
  EXPECT_EQ(a.TrackMode, 2);
  EXPECT_TRUE(m.Find<QRadioButton>("RadioButton6")->isChecked());

  rect->trigger();
  EXPECT_FALSE(rect->isChecked());
  EXPECT_EQ(width->value(), 3);
  EXPECT_EQ(gap->value(), 4);
  EXPECT_EQ(width->maximum(), 25);
  EXPECT_TRUE(m.Find<QRadioButton>("RadioButton1")->isEnabled());
  EXPECT_EQ(a.TrackMode, 1);
  // Always back to 'Meteor/Lunar Limb', whatever form was kept.
  EXPECT_TRUE(m.Find<QRadioButton>("RadioButton3")->isChecked());
  EXPECT_EQ(a.BackgroundForm, 2);
  EXPECT_TRUE(m.dialogs.messages.empty());
}

// 'Open AVI' turns a rectangle aperture off and gives the object back the
// form it had; without a rectangle the form stays in step with its buttons.
TEST(ModesSwitches, OpenAviEndsTheRectangleAperture) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  // The object's form in every block matches the form button that is on.
  auto expect_form_in_step = [&](const char* when) {
    const int shown = m.Find<QRadioButton>("RadioButton1")->isChecked()   ? 0
                      : m.Find<QRadioButton>("RadioButton2")->isChecked() ? 1
                      : m.Find<QRadioButton>("RadioButton3")->isChecked() ? 2
                                                                          : -1;
    for (const auto& block : w.Frames.FrameDataLines) EXPECT_EQ(block.Objects[0].BackgroundForm, shown) << when;
  };
  ASSERT_TRUE(m.OpenThroughButton1(PlainVideo(m)));
  expect_form_in_step("first open");
  ASSERT_TRUE(m.OpenThroughButton1(PlainVideo(m)));  // no rectangle: nothing stale comes back
  expect_form_in_step("second open");

  QAction* rect = w.findChild<QAction*>("RectangleAperture1");
  rect->trigger();
  ASSERT_TRUE(rect->isChecked());
  ASSERT_EQ(w.Frames.FrameDataLines[0].Objects[0].BackgroundForm, 3);
  auto* gap_label = w.findChild<QLabel*>("Label2");
  ASSERT_NE(gap_label, nullptr);
  EXPECT_EQ(gap_label->text(), "Height");
  ASSERT_TRUE(m.OpenThroughButton1(PlainVideo(m)));
  EXPECT_FALSE(rect->isChecked());
  EXPECT_EQ(gap_label->text(), "Gap");
  for (const char* b : {"RadioButton1", "RadioButton2", "RadioButton3"})
    EXPECT_TRUE(m.Find<QRadioButton>(b)->isEnabled()) << b;
  expect_form_in_step("open after the rectangle");
  EXPECT_EQ(m.Find<QSpinBox>("UpDown8")->maximum(), 25);
}

TEST(ModesSwitches, UntickingDShowReopensThroughTheAviReader) {
  MainRoadWindow m(Reader::Ffmpeg);
  TPlatform& w = m.W();
  ASSERT_TRUE(m.OpenThroughButton1(PlainVideo(m)));
  EXPECT_EQ(w.Video.VideoAccessKind, static_cast<uint8_t>(VideoAccess::DirectShow));
  auto* dshow = m.Find<QCheckBox>("CheckBox7");
  dshow->setChecked(false);
  EXPECT_EQ(dshow->text(), "VFW");
  EXPECT_EQ(w.Video.UseDirectShow, 0);
  EXPECT_EQ(w.Video.VideoAccessKind, static_cast<uint8_t>(VideoAccess::AviFile));
  EXPECT_TRUE(w.Run.VideoLoaded);
  dshow->setChecked(true);
  EXPECT_EQ(dshow->text(), "DShow");
  EXPECT_EQ(w.Video.VideoAccessKind, static_cast<uint8_t>(VideoAccess::DirectShow));
  EXPECT_TRUE(m.dialogs.messages.empty());

  // During a run the tick keeps its new state and the reader stays.
  w.Run.MeasuringRun = true;
  dshow->setChecked(false);
  EXPECT_EQ(w.Video.UseDirectShow, 1);
  w.Run.MeasuringRun = false;
}

TEST(ModesSwitches, SetRadiusToRecorded) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  ASSERT_TRUE(m.OpenThroughButton1(PlainVideo(m)));
  for (size_t k = 0; k < 3; ++k) {
    ObjectResult& r = w.Frames.RecordedDataLines[0].Objects[k];
    r.ApertureRadius = 4 + static_cast<int>(k);
    r.BackgroundInner = 9;
    r.BackgroundOuter = 14 + static_cast<int>(k);
  }
  m.Find<QSpinBox>("UpDown1")->setValue(7);
  m.Click("Button40");
  EXPECT_EQ(m.Find<QSpinBox>("UpDown1")->value(), 4);
  EXPECT_EQ(m.Find<QSpinBox>("UpDown2")->value(), 9);
  EXPECT_EQ(m.Find<QSpinBox>("UpDown3")->value(), 14);
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[2].BackgroundOuter, 16);
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[1].ApertureRadius, 5);
  // With PSF photometry the button does nothing.
  m.Find<QCheckBox>("CheckBox14")->setChecked(true);
  w.Frames.RecordedDataLines[0].Objects[0].ApertureRadius = 3;
  w.Button40Click();
  EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].ApertureRadius, 4);
}

// The recorded radii replace the shown ones whatever limits the shown ones set.
TEST(ModesSwitches, SetRadiusToRecordedPassesTheLimitsOfTheShownRadii) {
  const struct {
    int shown[3];     // set through the up-downs, in this order: aperture, outer, inner
    int recorded[3];  // aperture, inner, outer
  } rows[] = {
      {{3, 5, 8}, {12, 14, 20}},  // every recorded radius beyond the shown limits
      {{12, 14, 20}, {3, 5, 8}},  // every one below them
      {{6, 8, 25}, {2, 24, 25}},
  };
  for (const auto& r : rows) {
    MainRoadWindow m(Reader::OwnAvi);
    TPlatform& w = m.W();
    ASSERT_TRUE(m.OpenThroughButton1(PlainVideo(m)));
    auto* aperture = m.Find<QSpinBox>("UpDown1");
    auto* inner = m.Find<QSpinBox>("UpDown2");
    auto* outer = m.Find<QSpinBox>("UpDown3");
    // Widen first, then narrow, so each value is inside the limits of the others.
    outer->setValue(25);
    inner->setValue(std::max(r.shown[1], inner->value()));
    aperture->setValue(r.shown[0]);
    inner->setValue(r.shown[1]);
    outer->setValue(r.shown[2]);
    ASSERT_EQ(aperture->value(), r.shown[0]);
    ASSERT_EQ(inner->value(), r.shown[1]);
    ASSERT_EQ(outer->value(), r.shown[2]);
    for (ObjectResult& o : w.Frames.RecordedDataLines[0].Objects) {
      o.ApertureRadius = r.recorded[0];
      o.BackgroundInner = r.recorded[1];
      o.BackgroundOuter = r.recorded[2];
    }
    m.Click("Button40");
    SCOPED_TRACE(std::to_string(r.recorded[0]) + "/" + std::to_string(r.recorded[1]) + "/" +
                 std::to_string(r.recorded[2]));
    EXPECT_EQ(aperture->value(), r.recorded[0]);
    EXPECT_EQ(inner->value(), r.recorded[1]);
    EXPECT_EQ(outer->value(), r.recorded[2]);
    // The measurement of the selected object uses them too.
    const ObjectResult& a = w.Frames.FrameDataLines[0].Objects[0];
    EXPECT_EQ(a.ApertureRadius, r.recorded[0]);
    EXPECT_EQ(a.BackgroundInner, r.recorded[1]);
    EXPECT_EQ(a.BackgroundOuter, r.recorded[2]);
  }
}

// A preset that shrinks the outer radius also lowers how far the inner one may go.
TEST(ModesSwitches, PresetOuterRadiusLimitsTheInnerUpDown) {
  MainRoadWindow m(Reader::OwnAvi);
  TPlatform& w = m.W();
  ASSERT_TRUE(m.OpenThroughButton1(PlainVideo(m)));
  auto* inner = m.Find<QSpinBox>("UpDown2");
  auto* outer = m.Find<QSpinBox>("UpDown3");
  outer->setValue(25);
  inner->setValue(10);
  w.Options.OccultationTypeIndex = 3;  // asteroidal with a tracking star: outer 17
  w.ApplyOccultationPreset();
  EXPECT_EQ(outer->value(), 17);
  EXPECT_EQ(inner->maximum(), 17);
  inner->setValue(22);
  EXPECT_LE(inner->value(), outer->value());
  EXPECT_LE(w.Frames.FrameDataLines[0].Objects[0].BackgroundInner, w.Frames.FrameDataLines[0].Objects[0].BackgroundOuter);
}

// Turned off, the rectangle leaves the tracking buttons showing the mode the
// object tracks with again (a settings save stores what they show).
TEST(ModesSwitches, RectangleApertureOffShowsTheTrackingModeItGaveBack) {
  struct Row {
    const char* button;
    uint8_t mode;
  };
  // A loaded table's mode 3 shows as 'OFF', as selecting the object shows it.
  const Row rows[] = {{"RadioButton4", 0}, {"RadioButton5", 1}, {"RadioButton6", 2}, {"RadioButton6", 3}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.button);
    MainRoadWindow m(Reader::OwnAvi);
    ASSERT_TRUE(m.OpenThroughButton1(PlainVideo(m)));
    TPlatform& w = m.W();
    QAction* rect = w.findChild<QAction*>("RectangleAperture1");
    ASSERT_NE(rect, nullptr);
    m.Find<QRadioButton>(r.button)->click();
    if (r.mode == 3) SetObjectSetting(w.Frames.FrameDataLines, 0, &ObjectResult::TrackMode, uint8_t{3});
    rect->trigger();
    ASSERT_TRUE(m.Find<QRadioButton>("RadioButton6")->isChecked());
    rect->trigger();
    ASSERT_FALSE(rect->isChecked());
    EXPECT_EQ(w.Frames.FrameDataLines[0].Objects[0].TrackMode, r.mode);
    EXPECT_TRUE(m.Find<QRadioButton>(r.button)->isChecked());
    // The drift's passed-point buttons go with the drift.
    EXPECT_EQ(m.Find<QPushButton>("Button11")->isEnabled(), r.mode == 1);
    EXPECT_EQ(w.CurrentSettings().TrackingMode, static_cast<TrackModeKind>(std::min<int>(r.mode, 2)));
  }
}

// 'Default' of 'Update Setting Items' with a rectangle aperture on: the
// factory form replaces the rectangle, so the rectangle's menu tick, its
// 'Height' control and the locked form buttons go with it.
TEST(ModesSwitches, DefaultSettingsEndTheRectangleAperture) {
  MainRoadWindow m(Reader::OwnAvi);
  ASSERT_TRUE(m.OpenThroughButton1(PlainVideo(m)));
  TPlatform& w = m.W();
  QAction* rect = w.findChild<QAction*>("RectangleAperture1");
  ASSERT_NE(rect, nullptr);
  rect->trigger();
  ASSERT_TRUE(rect->isChecked());
  m.Click("Button17");
  auto* d = w.findChild<TPreserveSetting*>("PreserveSetting");
  ASSERT_NE(d, nullptr);
  m.dialogs.yes_no_answers = {true};
  d->findChild<QPushButton*>("Button3")->click();
  d->close();
  EXPECT_FALSE(rect->isChecked());
  for (const char* b : {"RadioButton1", "RadioButton2", "RadioButton3"})
    EXPECT_TRUE(m.Find<QRadioButton>(b)->isEnabled()) << b;
  EXPECT_TRUE(m.Find<QRadioButton>("RadioButton3")->isChecked());  // factory 'Meteor/Lunar Limb'
  EXPECT_TRUE(m.Find<QRadioButton>("RadioButton5")->isChecked());  // factory 'Drift'
  // The factory gap 0 and width 5, in the background's own ranges.
  EXPECT_EQ(m.Find<QSpinBox>("UpDown6")->value(), 0);
  EXPECT_EQ(m.Find<QSpinBox>("UpDown6")->maximum(), 25);
  EXPECT_EQ(m.Find<QSpinBox>("UpDown8")->value(), 5);
  EXPECT_EQ(m.Find<QLabel>("Label2")->text(), "Gap");
  for (const DataLine& block : w.Frames.FrameDataLines) {
    EXPECT_EQ(block.Objects[0].BackgroundForm, 2);
    EXPECT_EQ(block.Objects[0].TrackMode, 1);
  }
}

// A preset that sets the background form (types 1 to 4) on an object with a
// rectangle aperture ends the rectangle, as its menu item does: the menu, the
// form buttons, the gap and width and the rows all show the preset's form.
// Type 0 leaves the form, and with it the rectangle.
TEST(ModesSwitches, PresetWithAFormEndsTheRectangleAperture) {
  struct Row {
    int type;
    bool rectangle_after;
    const char* form_button;  // checked after the preset (nullptr: none asked)
    uint8_t form;
    const char* form_cell;    // of object A in the next row
  };
  const Row rows[] = {
      {0, true, nullptr, 3, ""},
      {1, false, "RadioButton3", 2, "\"Meteor/LunarLimb\""},
      {2, false, "RadioButton3", 2, "\"Meteor/LunarLimb\""},
      {3, false, "RadioButton1", 0, ""},
      {4, false, "RadioButton1", 0, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.type);
    MainRoadWindow m(Reader::OwnAvi);
    TPlatform& w = m.W();
    ASSERT_TRUE(m.OpenThroughButton1(PlainVideo(m)));
    m.ClickImage1(30, 20);
    m.Find<QRadioButton>("RadioButton3")->click();  // 'Meteor/Lunar Limb': gap and width in use
    auto* width = m.Find<QSpinBox>("UpDown8");
    auto* gap = m.Find<QSpinBox>("UpDown6");
    width->setValue(4);
    gap->setValue(7);
    QAction* rect = w.findChild<QAction*>("RectangleAperture1");
    rect->trigger();
    ASSERT_TRUE(rect->isChecked());

    w.Options.OccultationTypeIndex = r.type;
    w.ApplyOccultationPreset();
    const ObjectResult& a = w.Frames.FrameDataLines[0].Objects[0];
    EXPECT_EQ(rect->isChecked(), r.rectangle_after);
    EXPECT_EQ(a.BackgroundForm, r.form);
    m.Click("Button16");
    ASSERT_FALSE(m.Rows().empty());
    EXPECT_EQ(GetCsvField(m.Rows().back(), 24), r.form_cell);
    if (r.rectangle_after) continue;
    EXPECT_TRUE(m.Find<QRadioButton>(r.form_button)->isChecked());
    for (const char* b : {"RadioButton1", "RadioButton2", "RadioButton3"})
      EXPECT_TRUE(m.Find<QRadioButton>(b)->isEnabled()) << b;
    EXPECT_EQ(gap->maximum(), 25);
    EXPECT_EQ(gap->value(), 7);
    EXPECT_EQ(width->value(), 4);
    // The limb band is cut 7 pixels out and 4 wide, as the row says.
    if (r.form == 2) {
      EXPECT_EQ(GetCsvField(m.Rows().back(), 29), "4");
      EXPECT_EQ(GetCsvField(m.Rows().back(), 30), "7");
    }
  }
}
