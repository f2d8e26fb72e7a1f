// The capture window under a monkey with no capture device, and the
// capture-log window with a log loaded: nonsense in every edit and clicks in
// any order never crash them.
#include <QPushButton>
#include <fstream>

#include "base/ui/DialogService.h"
#include "support/TestFolder.h"
#include "support/WindowMonkey.h"
#include "video/ui/TCapture_1.h"
#include "video/ui/TRestoreNoTimeRecorded.h"

namespace {

struct Rig {
  TestFolder dir;
  ScriptedDialogService dialogs;
  ScopedDialogService use{dialogs};
  CaptureLogState log;
};

TEST(VideoWindowMonkey, CaptureWindowWithoutDevices) {
  Rig rig;
  RunMonkeyOn({"Capture_1",
               [&]() -> QWidget* {
                 CaptureHost h;
                 h.CaptureFolder = rig.dir.Path().string();
                 h.VideoDevices = [] { return std::vector<CaptureDevice>{}; };
                 h.AudioDevices = [] { return std::vector<CaptureDevice>{}; };
                 h.Compressors = [] { return std::vector<CaptureCompressor>{{"Uncompressed RGB", "rawvideo"}}; };
                 h.StoreCaptureFolder = [](const std::string&) {};
                 h.Closed = [](bool, const std::string&) {};
                 return new TCapture_1(h, nullptr);
               },
               {},
               101});
}

TEST(VideoWindowMonkey, CaptureLogWindowWithALog) {
  Rig rig;
  const auto path = rig.dir / "capture.txt";
  std::ofstream(path, std::ios::binary) << "StartCapture=2026-12-06 12:00:09.9600000\r\n"
                                           "EndCapture=2026-12-06 12:00:10.1600000\r\n"
                                           "ActualFrameRate=25.000000 fps\r\nFrameCount=5\r\n";
  RunMonkeyOn({"RestoreNoTimeRecorded",
               [&]() -> QWidget* {
                 auto* w = new TRestoreNoTimeRecorded(rig.log, nullptr);
                 rig.dialogs.open_file_names.push_back(QString::fromStdString(path.string()));
                 w->Button1->click();
                 return w;
               },
               {},
               102});
}

}  // namespace
