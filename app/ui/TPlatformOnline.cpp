// The launchers of the online windows: software update, station map, web
// browser and the occultation index.
#include <QAction>
#include <QGroupBox>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/ui/TPlatform.h"
#include "base/NumberText.h"
#include "base/ui/ControlEvents.h"
#include "base/ui/NamedItems.h"
#include "base/ui/HandlerTable.h"
#include "online/ui/TBrowser1.h"
#include "online/ui/TDataViewer.h"
#include "online/ui/TMap.h"
#include "online/ui/TWebAccess.h"

namespace {
// Where the GHS inserter's GPS line starts.
constexpr int kGhsGpsLineX = 180;
constexpr int kGhsGpsLineY = 386;
}  // namespace

void TPlatform::CreateOnlineMenuItems() {
  QMenu* tools = TopMenu("Tools1", "Tools");
  WebBrowser1 = HiddenNamedAction(tools, "WebBrowser1", "WebBrowser", "Ctrl+W", this, &TPlatform::WebBrowser1Click);
  Map1 = NamedAction(tools, "Map1", "Map");
  Map1->setShortcut(QKeySequence("Ctrl+M"));
  SoftwareUpdate1 = NamedAction(menuBar(), "SoftwareUpdate1", "Software Update");
  ConnectEach(this, {{WebBrowser1, &TPlatform::WebBrowser1Click}, {Map1, &TPlatform::Map1Click},
                     {SoftwareUpdate1, &TPlatform::SoftwareUpdate1Click}});
}

QWidget* TPlatform::CreateOnlinePanel() {
  auto* cabinet = new QGroupBox("Filing Cabinet");
  cabinet->setObjectName("FilingCabinet");
  auto* layout = new QVBoxLayout(cabinet);
  Button38 = Named<QPushButton>("Button38", "Button38", cabinet);
  layout->addWidget(Button38);
  connect(Button38, &QPushButton::clicked, this, &TPlatform::Button38Click);
  return cabinet;
}

void TPlatform::SoftwareUpdate1Click() {
  WebAccessOptions o;
  o.ExeFile = startup_.ExePath;
  o.EndProgram = [this] { close(); };
  auto* w = new TWebAccess(std::move(o), this);
  w->exec();
}

void TPlatform::Button38Click() {
  auto* w = new TDataViewer(this);
  w->exec();
}

void TPlatform::WebBrowser1Click() {
  auto* w = new TBrowser1(this);
  w->show();
}

void TPlatform::ReadGhsGpsLine(int x, int y) {
  Bitmap24 frame;
  if (!GrabCurrentFrame(frame)) return;
  // The start column is one of the 720-pixel line; other widths carry it scaled.
  x = static_cast<int>(RoundHalfAway(static_cast<long double>(x) * frame.Width() / 720));
  GlyphContext ctx = StampGlyphContext(false);
  LocatorOptions lo;
  lo.ghsLocateEnabled = Options.GhsLocateEnabled;
  const GpsReadResult r = ::ReadGhsGpsLine(frame, x, y, ctx, Stamp, StampLocator, lo, Station);
  StampGlyphs.gpsCharPitch = ctx.gpsCharPitch;
  DrawGpsOutlines(r.outlines);
}

void TPlatform::Map1Click() {
  if (!Run.VideoLoaded) return;
  const int mode = Options.TimeStampMode;
  // A line that cannot be read leaves the record as it was: the map must not
  // show a station read earlier, perhaps from another video.
  if (mode == 0 || mode == 2) Station = GpsStation{};
  if (mode == 0) {
    ReadIotaGpsLine();
  } else if (mode == 2) {
    Options.GhsLocateEnabled = true;
    ReadGhsGpsLine(kGhsGpsLineX, kGhsGpsLineY);
  }
  const bool ready = mode == 0 ? !Station.satellites.empty() && !Station.latitude.empty()
                               : !Station.latitude.empty() && !Station.longitude.empty();
  if (!ready) return;
  auto* map = new TMap(Station, mode, this);
  map->show();
}
