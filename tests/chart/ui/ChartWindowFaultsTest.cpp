// The chart window as a user meets it: 'Save Image' through the real save
// dialog road (the chosen type decides the file), and the narrow layout.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QMouseEvent>
#include <QGroupBox>
#include <QImageReader>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <filesystem>
#include <unistd.h>

#include "ImageFileLib/PngLoader.h"
#include "chart/ChartScale.h"
#include "chart/ui/Tchart1.h"
#include "ChartFakeHost.h"
#include "support/ChartTestTables.h"

namespace {

// The fake host with the chart's own save dialog and the image library's save.
struct DialogHost : FakeHost {
  std::optional<ImageFileChoice> ChooseImageFile(const std::string& proposed) override {
    return ChartHost::ChooseImageFile(proposed);
  }
};

struct Chart {
  DialogHost host;
  ChartSession session;
  ChartEventState events;
  QPointer<Tchart1> chart;
  Chart() {
    host.image_save = true;
    host.library_save = true;
    std::vector<double> v;
    for (int i = 0; i < 40; ++i) v.push_back(1000 + (i % 2 ? 100 : -100) + i);
    host.table.lines = BuildResultTable(3, 1, RowsFromValues({v}));
    host.AnalyseEvents(events);
    chart = new Tchart1(host, session, events);
  }
  ~Chart() { delete chart.data(); }
};

TEST(ChartWindowFaults, SaveImageWritesTheChosenTypeAndTheTypeChangesTheName) {
  Chart c;
  const auto dir = std::filesystem::temp_directory_path() / ("tessary_chart_type_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  struct Row {
    int type;
    const char* typed;      // what the user typed
    const char* box_after;  // the name box after the type change
    const char* written;
    const char* format;     // as Qt's reader names it
  };
  const Row rows[] = {
      {2, "event.png", "event.jpg", "event.jpg", "jpeg"},
      {3, "event.jpg", "event.bmp", "event.bmp", "bmp"},
      {1, "event", "event.png", "event.png", "png"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.written);
    std::filesystem::remove(dir / r.written);
    c.host.dialogs.save_file_types.push_back(r.type);
    c.host.dialogs.save_file_names.push_back(QString::fromStdString((dir / r.typed).string()));
    c.host.dialogs.type_change_names.clear();
    c.events.Texts.IdentificationCode = (dir / r.typed).string();
    c.chart->findChild<QPushButton*>("Button12")->click();
    ASSERT_EQ(c.host.dialogs.type_change_names.size(), 1);
    EXPECT_EQ(c.host.dialogs.type_change_names[0].toStdString(), r.box_after);
    EXPECT_TRUE(c.host.Errors().empty());
    QImageReader reader(QString::fromStdString((dir / r.written).string()));
    EXPECT_EQ(reader.format().toStdString(), r.format);
  }
  // A name that is only an extension writes nothing, and says so.
  const auto before = std::distance(std::filesystem::directory_iterator(dir), {});
  c.host.dialogs.save_file_types.push_back(2);
  c.host.dialogs.save_file_names.push_back(QString::fromStdString((dir / ".png").string()));
  c.chart->findChild<QPushButton*>("Button12")->click();
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), before);
  ASSERT_EQ(c.host.Errors().size(), 1u);
  EXPECT_EQ(c.host.Errors()[0],
            "The image was not saved: the file name is only an extension.\r\n" + (dir / ".jpg").string());
  std::filesystem::remove_all(dir);
}

// A still PNG with a transparent colour, read through the library, leaves
// that colour in the shared PNG loader; the chart's picture must not take it.
TEST(ChartWindowFaults, SaveImageAfterReadingATransparentPngStaysOpaque) {
  Chart c;
  const auto dir = std::filesystem::temp_directory_path() / ("tessary_chart_trns_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const QImage shown = c.chart->Picture().convertToFormat(QImage::Format_RGB888);
  const QRgb corner = shown.pixel(0, 0);  // the chart's background
  ImageFile::TLinearBitmap still;
  still.New(4, 4, ImageFile::pf24Bit);
  still.Clear(0);
  ImageFile::TPNGLoader writer;
  writer.TransparentColor = static_cast<int32_t>(qRed(corner) | qGreen(corner) << 8 | qBlue(corner) << 16);
  writer.SaveToFile((dir / "still.png").string(), "PNG", still);
  ImageFile::TLinearBitmap read;
  read.LoadFromFile((dir / "still.png").string());
  struct Reset {  // the shared loader is left as other tests expect it
    ~Reset() { ImageFile::PNGLoader().TransparentColor = -1; }
  } reset;
  ASSERT_EQ(ImageFile::PNGLoader().TransparentColor, writer.TransparentColor);

  c.host.dialogs.save_file_types.push_back(1);
  c.host.dialogs.save_file_names.push_back(QString::fromStdString((dir / "event.png").string()));
  c.events.Texts.IdentificationCode = (dir / "event.png").string();
  c.chart->findChild<QPushButton*>("Button12")->click();
  EXPECT_TRUE(c.host.Errors().empty());
  const QImage back(QString::fromStdString((dir / "event.png").string()));
  ASSERT_FALSE(back.isNull());
  EXPECT_FALSE(back.hasAlphaChannel());
  EXPECT_EQ(back.pixel(0, 0), corner);
  std::filesystem::remove_all(dir);
}

// A click (press and release) at the middle of a widget.
void ClickMiddle(QWidget* w) {
  const QPointF p(w->width() / 2.0, w->height() / 2.0);
  for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent e(type, p, w->mapToGlobal(p), Qt::LeftButton,
                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
  }
}

// A click on record r's point of curve A.
void ClickRecord(Chart& c, int r) {
  ReleaseAt(c.chart->ChartImg1, IndexToPixelX(c.chart->View(), r - c.session.ChartState.FirstShownFrame),
            ValueToPixelY(c.chart->View(), c.chart->Data().Records[r].Value[CurveA]));
}

TEST(ChartWindowFaults, NarrowLayoutKeepsItsControlsInsideAndReturnsToWide) {
  Chart c;
  c.chart->show();
  auto* layout = c.chart->findChild<QCheckBox*>("CheckBox1");
  auto inside = [&](const char* name) {
    QWidget* w = c.chart->findChild<QWidget*>(name);
    const QRect r(w->mapTo(c.chart, QPoint(0, 0)), w->size());
    return c.chart->rect().contains(r);
  };
  const char* needed[] = {"CheckBox1", "Button9", "GroupBox1", "CheckBox4", "CheckBox5", "CheckBox6", "CheckBox14"};
  for (int round = 0; round < 2; ++round) {
    if (layout->isChecked()) ClickMiddle(layout);  // to the narrow layout
    ASSERT_FALSE(layout->isChecked());
    ASSERT_EQ(c.chart->width(), 320);
    for (const char* name : needed) EXPECT_TRUE(inside(name)) << "narrow: " << name;
    ClickMiddle(layout);  // and back
    ASSERT_TRUE(layout->isChecked());
    EXPECT_EQ(c.chart->width(), 760);
    for (const char* name : needed) EXPECT_TRUE(inside(name)) << "wide: " << name;
    // 'Narrow' covers none of the object buttons; '[3D] Image' shows its whole caption.
    const QRect narrow_button = layout->geometry();
    for (const char* name : {"CheckBox4", "CheckBox5", "CheckBox6", "CheckBox14"}) {
      QWidget* box = c.chart->findChild<QWidget*>(name);
      EXPECT_FALSE(narrow_button.intersects(QRect(box->mapTo(layout->parentWidget(), QPoint(0, 0)), box->size()))) << name;
    }
    auto* image3d = c.chart->findChild<QPushButton*>("Button2");
    EXPECT_GE(image3d->width(), image3d->sizeHint().width());
  }
}

// In the wide layout, before and in diffraction mode, no button of the chart
// lies over another.
TEST(ChartWindowFaults, WideLayoutButtonsDoNotOverlap) {
  Chart c;
  c.chart->show();
  auto* layout = c.chart->findChild<QCheckBox*>("CheckBox1");
  ASSERT_TRUE(layout->isChecked());
  auto check_wide = [&](const char* mode) {
    SCOPED_TRACE(mode);
    std::vector<std::pair<QString, QRect>> shown;
    for (QPushButton* b : c.chart->findChildren<QPushButton*>())
      if (b->window() == c.chart && b->isVisibleTo(c.chart))
        shown.push_back({b->objectName(), QRect(b->mapTo(c.chart, QPoint(0, 0)), b->size())});
    for (size_t i = 0; i < shown.size(); ++i)
      for (size_t j = i + 1; j < shown.size(); ++j)
        EXPECT_FALSE(shown[i].second.intersects(shown[j].second))
            << shown[i].first.toStdString() << " and " << shown[j].first.toStdString();
  };
  check_wide("chart");
  const int r = 20;
  ClickRecord(c, r);
  ASSERT_EQ(c.session.ChartState.SelectedFrame, r);
  c.chart->findChild<QPushButton*>("Button8")->click();
  ASSERT_EQ(c.session.DiffractionMode, 1);
  check_wide("diffraction");
  // Back from the narrow layout the same holds.
  ClickMiddle(layout);
  ClickMiddle(layout);
  ASSERT_TRUE(layout->isChecked());
  check_wide("diffraction, narrow and wide again");
}

}  // namespace

namespace {

// The controls of the chart in the window's rows, with their places in window
// coordinates.
std::vector<std::pair<QWidget*, QRect>> ShownControls(Tchart1* chart) {
  std::vector<std::pair<QWidget*, QRect>> shown;
  QWidget* panel = chart->findChild<QWidget*>("Panel1");
  QWidget* objects = chart->findChild<QWidget*>("GroupBox1");
  for (QWidget* w : chart->findChildren<QWidget*>()) {
    if (w == panel || w->window() != chart || !w->isVisibleTo(chart)) continue;
    QWidget* parent = w->parentWidget();
    if (parent != chart && parent != panel && parent != objects) continue;
    const QRect r(w->mapTo(chart, QPoint(0, 0)), w->size());
    // Controls kept below the window's bottom are not shown; any other one is,
    // however far right it lies.
    if (r.top() < chart->height()) shown.push_back({w, r});
  }
  return shown;
}

// The places of the chart's own controls (not the parts Qt builds inside them).
std::vector<std::pair<QString, QRect>> Places(Tchart1* chart) {
  std::vector<std::pair<QString, QRect>> places = {{"window", chart->geometry()}};
  QWidget* panel = chart->findChild<QWidget*>("Panel1");
  QWidget* objects = chart->findChild<QWidget*>("GroupBox1");
  for (QWidget* w : chart->findChildren<QWidget*>()) {
    QWidget* parent = w->parentWidget();
    if (parent == chart || parent == panel || parent == objects) places.push_back({w->objectName(), w->geometry()});
  }
  return places;
}

void ExpectSamePlaces(const std::vector<std::pair<QString, QRect>>& now,
                      const std::vector<std::pair<QString, QRect>>& before) {
  ASSERT_EQ(now.size(), before.size());
  for (size_t i = 0; i < now.size(); ++i) {
    const QRect& a = now[i].second;
    const QRect& b = before[i].second;
    EXPECT_EQ(a, b) << now[i].first.toStdString() << " at " << a.x() << "," << a.y() << " " << a.width() << "x"
                    << a.height() << ", was " << b.x() << "," << b.y() << " " << b.width() << "x" << b.height();
  }
}

void ExpectInsideAndApart(Tchart1* chart) {
  const auto shown = ShownControls(chart);
  ASSERT_GT(shown.size(), 20u);
  for (const auto& [w, r] : shown)
    EXPECT_TRUE(chart->rect().contains(r)) << w->objectName().toStdString() << " leaves the window";
  for (size_t i = 0; i < shown.size(); ++i)
    for (size_t j = i + 1; j < shown.size(); ++j) {
      QWidget* a = shown[i].first;
      QWidget* b = shown[j].first;
      if (a->isAncestorOf(b) || b->isAncestorOf(a)) continue;
      EXPECT_FALSE(shown[i].second.intersects(shown[j].second))
          << a->objectName().toStdString() << " and " << b->objectName().toStdString();
    }
}

TEST(ChartWindowFaults, NarrowLayoutControlsLieInsideAndApartInBothModes) {
  Chart c;
  c.chart->show();
  auto* layout = c.chart->findChild<QCheckBox*>("CheckBox1");
  ASSERT_TRUE(layout->isChecked());
  const auto wide = Places(c.chart);
  ClickMiddle(layout);
  ASSERT_FALSE(layout->isChecked());
  ASSERT_EQ(c.chart->width(), 320);
  {
    SCOPED_TRACE("narrow");
    ExpectInsideAndApart(c.chart);
  }
  ClickMiddle(layout);
  ASSERT_TRUE(layout->isChecked());
  {
    SCOPED_TRACE("wide after a narrow round trip");
    ExpectSamePlaces(Places(c.chart), wide);
  }

  const int r = 20;
  ClickRecord(c, r);
  ASSERT_EQ(c.session.ChartState.SelectedFrame, r);
  c.chart->findChild<QPushButton*>("Button8")->click();
  ASSERT_EQ(c.session.DiffractionMode, 1);
  const auto wide_diffraction = Places(c.chart);
  ClickMiddle(layout);
  ASSERT_FALSE(layout->isChecked());
  {
    SCOPED_TRACE("narrow, diffraction");
    ExpectInsideAndApart(c.chart);
  }
  ClickMiddle(layout);
  SCOPED_TRACE("wide diffraction after a narrow round trip");
  ExpectSamePlaces(Places(c.chart), wide_diffraction);
}

}  // namespace

namespace {

// A selection kept over a closing shows its frame and value again when the
// chart opens anew.
TEST(ChartWindowFaults, ReopenedChartShowsTheKeptSelectionsReadouts) {
  Chart c;
  c.chart->show();
  const int r = 12;
  ClickRecord(c, r);
  ASSERT_EQ(c.session.ChartState.SelectedFrame, r);
  const QString frame = c.chart->findChild<QLineEdit*>("Edit4")->text();
  const QString value = c.chart->findChild<QLineEdit*>("Edit6")->text();
  ASSERT_FALSE(frame.isEmpty());
  // The A value of record r as the table holds it.
  EXPECT_DOUBLE_EQ(value.toDouble(), c.chart->Data().Records[r].Value[CurveA]);
  c.chart->close();
  delete c.chart.data();
  ASSERT_EQ(c.session.ChartState.Reset, 0);
  c.chart = new Tchart1(c.host, c.session, c.events);
  c.chart->show();
  EXPECT_EQ(c.session.ChartState.SelectedFrame, r);
  EXPECT_EQ(c.chart->findChild<QLineEdit*>("Edit4")->text(), frame);
  EXPECT_EQ(c.chart->findChild<QLineEdit*>("Edit6")->text(), value);
  // A second click on the same record clears the selection and its read-outs.
  ClickRecord(c, r);
  EXPECT_EQ(c.session.ChartState.SelectedFrame, -1);
  EXPECT_TRUE(c.chart->findChild<QLineEdit*>("Edit4")->text().isEmpty());
}

}  // namespace
