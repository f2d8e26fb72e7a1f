// The small utility windows through the main window: the AviSynth editor
// saves to the script it opened itself, the step-log list, the colour-value
// window and the image panning bars.
#include <QAction>
#include <QPointer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>

#include "MainRoadFixture.h"
#include "app/ui/UtilityWindows.h"
#include "base/AtomicFile.h"
#include "support/VideoFixtures.h"
#include "support/AviWriter.h"
#include "support/WindowControls.h"

namespace {

std::string Read(const std::filesystem::path& p) { return ReadWholeFile(p, 1 << 20).value_or("<missing>"); }

TEST(AvsEditor, SavesToTheScriptItOpenedItself) {
  MainRoadWindow m(Reader::OwnAvi);
  const auto a = m.Path("a.avs"), b = m.Path("b.avs");
  std::ofstream(a, std::ios::binary) << "AviSource(\"a.avi\")\r\n";
  std::ofstream(b, std::ios::binary) << "AviSource(\"b.avi\")\r\nTrim(0, 9)\r\n";

  m.dialogs.open_file_names.push_back(QString::fromStdString(a.string()));
  m.Find<QAction>("AVSFileEdit1")->trigger();
  TAvsEdit* ed = m.W().AvsEdit;
  ASSERT_NE(ed, nullptr);
  EXPECT_EQ(ed->Memo1->toPlainText(), "AviSource(\"a.avi\")");
  m.Find<QAction>("AVSFileEdit1")->trigger();  // open already: no second dialog
  EXPECT_EQ(m.dialogs.file_dialog_titles.size(), 1);

  // A script that is gone: the message, and the lines stay.
  m.dialogs.open_file_names.push_back(QString::fromStdString(m.Path("gone.avs").string()));
  ed->OpenAVSFile1->trigger();
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_EQ(m.dialogs.messages[0].text.toStdString(), "Could not open .AVS file.\r\n" + m.Path("gone.avs").string());
  EXPECT_EQ(ed->Memo1->toPlainText(), "AviSource(\"a.avi\")");

  m.dialogs.open_file_names.push_back(QString::fromStdString(b.string()));
  ed->OpenAVSFile1->trigger();
  EXPECT_EQ(ed->Memo1->toPlainText(), "AviSource(\"b.avi\")\nTrim(0, 9)");
  ed->Memo1->setPlainText("AviSource(\"b.avi\")\nTrim(0, 19)");
  Find<QPushButton>(ed, "Button1")->click();
  EXPECT_EQ(Read(b), "AviSource(\"b.avi\")\r\nTrim(0, 19)\r\n");
  EXPECT_EQ(Read(a), "AviSource(\"a.avi\")\r\n");  // the main window's script is untouched

  // 'Save as' takes the ".avs" extension and becomes the editor's script.
  m.dialogs.save_file_names.push_back(QString::fromStdString(m.Path("c.txt").string()));
  ed->Saveas1->trigger();
  EXPECT_EQ(Read(m.Path("c.avs")), "AviSource(\"b.avi\")\r\nTrim(0, 19)\r\n");
  EXPECT_EQ(ed->FileName().toStdString(), m.Path("c.avs").string());

  Find<QPushButton>(ed, "Button2")->click();
  QCoreApplication::processEvents();
  EXPECT_FALSE(m.W().AvsEdit);
}

// Saving a script the editor did not change writes back the very bytes it read,
// whatever code page the script was written in.
TEST(AvsEditor, SavingKeepsTheBytesOfAScriptInAnyCodePage) {
  const struct {
    const char* what;
    std::string bytes;
  } rows[] = {
      {"Windows-1252", "AviSource(\"C:\\Vid\xE9os\\occ.avi\")\r\n"},
      {"Shift-JIS", "AviSource(\"D:\\\x8A\xCF\x91\xAA\\occ.avi\")\r\nTrim(0, 9)\r\n"},
      {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" "AviSource(\"Vid\xC3\xA9os/occ.avi\")\r\n"},
      {"ASCII", "AviSource(\"occ.avi\")\r\n"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    MainRoadWindow m(Reader::OwnAvi);
    const auto script = m.Path("occ.avs");
    std::ofstream(script, std::ios::binary) << r.bytes;
    m.dialogs.open_file_names.push_back(QString::fromStdString(script.string()));
    m.Find<QAction>("AVSFileEdit1")->trigger();
    TAvsEdit* ed = m.W().AvsEdit;
    ASSERT_NE(ed, nullptr);
    Find<QPushButton>(ed, "Button1")->click();
    EXPECT_EQ(Read(script), r.bytes);
    // A line added to it leaves the old lines' bytes alone.
    ed->Memo1->appendPlainText("ConvertToRGB24()");
    Find<QPushButton>(ed, "Button1")->click();
    EXPECT_EQ(Read(script), r.bytes + "ConvertToRGB24()\r\n");
    delete ed;
  }
}

TEST(AvsEditor, AMissingScriptOpensNothing) {
  MainRoadWindow m(Reader::OwnAvi);
  m.dialogs.open_file_names.push_back(QString::fromStdString(m.Path("none.avs").string()));
  m.Find<QAction>("AVSFileEdit1")->trigger();
  EXPECT_FALSE(m.W().AvsEdit);
  ASSERT_EQ(m.dialogs.messages.size(), 1u);
  EXPECT_EQ(m.dialogs.messages[0].text, "Could not open .AVS file.\nnone.avs");
}

// A script that is there but cannot be read gives the same message, not an
// empty editor that looks like an empty script.
TEST(AvsEditor, AScriptThatCannotBeReadOpensNothing) {
  struct Case {
    const char* name;
    bool folder;
  } cases[] = {{"folder.avs", true}, {"huge.avs", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MainRoadWindow m(Reader::OwnAvi);
    const auto path = m.Path(c.name);
    if (c.folder) {
      std::filesystem::create_directory(path);
    } else {
      std::ofstream(path, std::ios::binary) << "AviSource(\"a.avi\")\r\n";
      std::filesystem::resize_file(path, 17u << 20);  // sparse: beyond what a script can be
    }
    m.dialogs.open_file_names.push_back(QString::fromStdString(path.string()));
    m.Find<QAction>("AVSFileEdit1")->trigger();
    EXPECT_FALSE(m.W().AvsEdit);
    ASSERT_EQ(m.dialogs.messages.size(), 1u);
    EXPECT_EQ(m.dialogs.messages[0].text.toStdString(), std::string("Could not open .AVS file.\n") + c.name);
  }
}

struct PanCase {
  int width, height, max_x, max_y;
};

class ImagePanning : public ::testing::TestWithParam<PanCase> {};

// Frames not larger than the view give maxima of 0, never negative ones.
TEST_P(ImagePanning, BarsReachTheFramesEdge) {
  MainRoadWindow m(Reader::OwnAvi);
  const PanCase c = GetParam();
  ASSERT_TRUE(WriteAvi(m.Path("v.avi").string(), {NumberedFrame(c.width, c.height, 0, 4)}));
  ASSERT_TRUE(m.OpenThroughButton1(m.Path("v.avi")));
  m.Find<QAction>("ImageWindowSetting1")->trigger();
  TIMGWindowSetting* s = m.W().IMGWindowSetting;
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->ScrollBar1->maximum(), c.max_x);
  EXPECT_EQ(s->ScrollBar2->maximum(), c.max_y);
  EXPECT_EQ(s->ScrollBar1->minimum(), 0);
  s->close();
}

INSTANTIATE_TEST_SUITE_P(Table, ImagePanning,
                         ::testing::Values(PanCase{720, 540, 0, 0}, PanCase{64, 48, 0, 0},
                                           PanCase{800, 600, 80, 60}));

// Panned, closed and opened again, the bars show where the view stands: moving
// one of them then pans that way only, not the other back to the corner.
TEST(ImagePanning, ReopenedBarsShowTheViewsPan) {
  MainRoadWindow m(Reader::OwnAvi);
  ASSERT_TRUE(WriteAvi(m.Path("v.avi").string(), {NumberedFrame(1600, 1200, 0, 4)}));
  ASSERT_TRUE(m.OpenThroughButton1(m.Path("v.avi")));
  QScrollArea* view = m.Find<QScrollArea>("ScrollBox1");
  m.W().show();  // the view's own bars get their range once it is laid out
  QCoreApplication::processEvents();
  ASSERT_GT(view->horizontalScrollBar()->maximum(), 200);
  ASSERT_GT(view->verticalScrollBar()->maximum(), 150);
  m.Find<QAction>("ImageWindowSetting1")->trigger();
  TIMGWindowSetting* s = m.W().IMGWindowSetting;
  ASSERT_NE(s, nullptr);
  s->ScrollBar1->setValue(200);
  s->ScrollBar2->setValue(150);
  const int x = view->horizontalScrollBar()->value(), y = view->verticalScrollBar()->value();
  ASSERT_GT(x, 0);
  ASSERT_GT(y, 0);
  s->close();
  QCoreApplication::processEvents();
  ASSERT_FALSE(m.W().IMGWindowSetting);

  m.Find<QAction>("ImageWindowSetting1")->trigger();
  s = m.W().IMGWindowSetting;
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->ScrollBar1->value(), x);
  EXPECT_EQ(s->ScrollBar2->value(), y);
  EXPECT_EQ(view->horizontalScrollBar()->value(), x);  // opening moves nothing
  s->ScrollBar2->setValue(y / 2);
  EXPECT_EQ(view->horizontalScrollBar()->value(), x);
  EXPECT_EQ(view->verticalScrollBar()->value(), y / 2);
  s->close();
}

// Left open while another video opens, the bars span the new frame: the
// larger frame's right and bottom parts can be reached, and a video that
// fails to open leaves nothing to pan.
TEST(ImagePanning, BarsFollowTheNextVideosFrame) {
  MainRoadWindow m(Reader::OwnAvi);
  ASSERT_TRUE(WriteAvi(m.Path("small.avi").string(), {NumberedFrame(800, 600, 0, 4)}));
  ASSERT_TRUE(WriteAvi(m.Path("large.avi").string(), {NumberedFrame(1600, 1200, 0, 4)}));
  ASSERT_TRUE(m.OpenThroughButton1(m.Path("small.avi")));
  m.Find<QAction>("ImageWindowSetting1")->trigger();
  QPointer<TIMGWindowSetting> s = m.W().IMGWindowSetting;
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->ScrollBar1->maximum(), 80);
  ASSERT_TRUE(m.OpenThroughButton1(m.Path("large.avi")));
  ASSERT_TRUE(s);
  EXPECT_EQ(s->ScrollBar1->maximum(), 1600 - 720);
  EXPECT_EQ(s->ScrollBar2->maximum(), 1200 - 540);

  const auto bad = m.Path("bad.avi");
  std::ofstream(bad, std::ios::binary) << "RIFF\x10\0\0\0AVI junk";
  m.dialogs.open_file_names.push_back(QString::fromStdString(bad.string()));
  m.Click("Button1");
  ASSERT_FALSE(m.W().Run.VideoLoaded);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->ScrollBar1->maximum(), 0);
  EXPECT_EQ(s->ScrollBar2->maximum(), 0);
  s->close();
}

// The view's own scroll bars can pan further down than the window's bar
// reaches (the view is less than 540 pixels high): moving the horizontal bar
// then leaves the vertical pan where it is, rather than pulling it back to
// the bar's end. The window's bars show the view's pan however it was made.
TEST(ImagePanning, EachBarPansItsOwnDirectionOnly) {
  MainRoadWindow m(Reader::OwnAvi);
  ASSERT_TRUE(WriteAvi(m.Path("v.avi").string(), {NumberedFrame(1600, 800, 0, 4)}));
  ASSERT_TRUE(m.OpenThroughButton1(m.Path("v.avi")));
  QScrollArea* view = m.Find<QScrollArea>("ScrollBox1");
  m.W().show();
  QCoreApplication::processEvents();
  QScrollBar *vx = view->horizontalScrollBar(), *vy = view->verticalScrollBar();
  ASSERT_GT(vy->maximum(), 800 - 540);
  vy->setValue(vy->maximum());
  m.Find<QAction>("ImageWindowSetting1")->trigger();
  TIMGWindowSetting* s = m.W().IMGWindowSetting;
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->ScrollBar2->value(), 800 - 540);
  s->ScrollBar1->setValue(100);
  EXPECT_EQ(vx->value(), 100);
  EXPECT_EQ(vy->value(), vy->maximum());
  s->ScrollBar2->setValue(50);
  EXPECT_EQ(vy->value(), 50);
  EXPECT_EQ(vx->value(), 100);
  // Panned by the view's own bars, the window's bars follow.
  vx->setValue(300);
  vy->setValue(20);
  EXPECT_EQ(s->ScrollBar1->value(), 300);
  EXPECT_EQ(s->ScrollBar2->value(), 20);
  s->close();
}

TEST(StepLog, ListsTheVideoSourcesSteps) {
  MainRoadWindow m(Reader::OwnAvi);
  m.Find<QAction>("ErrorMessagesfromDSHOW1")->trigger();
  TDshowErrors* log = m.W().DshowErrors;
  ASSERT_NE(log, nullptr);
  EXPECT_TRUE(log->Memo1->toPlainText().isEmpty());
  EXPECT_EQ(log->windowTitle(), "Result of DirectShow's process");
  Find<QPushButton>(log, "ErrorOfDshow")->click();
  QCoreApplication::processEvents();
  EXPECT_FALSE(m.W().DshowErrors);

  // After a video opened through the FFmpeg source its steps are listed in order.
  MainRoadWindow d(Reader::Ffmpeg);
  ASSERT_TRUE(WriteAvi(d.Path("v.avi").string(), {NumberedFrame(32, 24, 0, 2), NumberedFrame(32, 24, 1, 2)}));
  ASSERT_TRUE(d.OpenThroughButton1(d.Path("v.avi")));
  d.Find<QAction>("ErrorMessagesfromDSHOW1")->trigger();
  const DirectShowSource& ds = d.W().Sources.DirectShow;
  ASSERT_GT(ds.DSErrorCount, 0);
  const QStringList lines = d.W().DshowErrors->Memo1->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), ds.DSErrorCount);
  EXPECT_EQ(lines.front().toStdString(), ds.DSErrors[1]);
}

TEST(ColorValue, OpensOnceAtItsPlace) {
  MainRoadWindow m(Reader::OwnAvi);
  m.Click("Button15");
  TColorValueDisplay* c = m.W().ColorValueDisplay;
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->windowTitle(), "Measurement");
  EXPECT_EQ(c->size(), QSize(204, 183));
  m.Click("Button15");
  EXPECT_EQ(m.W().findChildren<TColorValueDisplay*>().size(), 1);
  for (const char* name : {"Edit14", "Edit15", "Edit16", "Edit17"}) EXPECT_NE(Find<QLineEdit>(c, name), nullptr);
  c->close();
}

// While it is open, a measured frame shows the selected object's plane sums
// and values for field 1, field 2 and the frame: the two fields add up to
// the frame, the flat background of 20 gives 20 per background pixel, and
// the frame's value is the one the main window shows.
TEST(ColorValue, ShowsThePlaneSumsOfTheMeasuredFrame) {
  MainRoadWindow m(Reader::OwnAvi);
  const auto video = m.Path("star.avi");
  ASSERT_TRUE(WriteAvi(video.string(), StarFrames(120, 100, 4, 60.3, 49.8, [](int) { return 20000.0; })));
  ASSERT_TRUE(m.OpenThroughButton1(video));
  m.Click("Button15");
  TColorValueDisplay* c = m.W().ColorValueDisplay;
  ASSERT_NE(c, nullptr);
  m.ClickImage1(60, 50);
  m.Click("Button16");  // '1Frame'
  ASSERT_TRUE(m.WaitUntilStopped());

  auto Blocks = [](const QLineEdit* e) {
    std::vector<std::vector<long long>> out;
    for (const QString& block : e->text().split(" | ")) {
      out.emplace_back();
      for (const QString& n : block.split(' ')) out.back().push_back(n.toLongLong());
    }
    return out;
  };
  const auto star = Blocks(c->Edit14), bkg = Blocks(c->Edit15);
  ASSERT_EQ(star.size(), 3u);
  ASSERT_EQ(bkg.size(), 3u);
  const long long background_count = m.Find<QLineEdit>("Edit21")->text().toLongLong();
  ASSERT_GT(background_count, 0);
  for (size_t p = 0; p < 3; ++p) {
    EXPECT_EQ(star[0][p] + star[1][p], star[2][p]) << "plane " << p;
    EXPECT_EQ(bkg[0][p] + bkg[1][p], bkg[2][p]) << "plane " << p;
    EXPECT_EQ(bkg[2][p], 20 * background_count) << "plane " << p;
    EXPECT_GT(star[2][p], 20 * m.Find<QLineEdit>("Edit20")->text().toLongLong()) << "plane " << p;
  }
  const QStringList values = c->Edit16->text().split(" | ");
  ASSERT_EQ(values.size(), 3);
  EXPECT_EQ(values[2], m.Find<QLineEdit>("Edit9")->text());
  EXPECT_EQ(c->Edit17->text(), QString::number(m.W().ScrollBar1->value()));
  c->close();
}

}  // namespace
