#pragma once
// A short recording made through the real 'Video Capture' window.
#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "MainRoadFixture.h"
#include "support/WindowControls.h"
#include "video/CaptureDevices.h"
#include "video/ui/TCapture_1.h"

// Opens 'Video Capture', records at least `frames` frames of the test pattern
// as uncompressed RGB into the test folder as obs.avi and stops ('ESC'). The
// window stays open for the caller's 'Close'; null when a step failed.
inline TCapture_1* RecordTestPattern(MainRoadWindow& m, int frames) {
  m.Find<QAction>("VideoCapture1")->trigger();
  TCapture_1* cap = m.W().Capture_1;
  if (!cap) {
    ADD_FAILURE() << "no capture window";
    return nullptr;
  }
  auto* devices = Find<QListWidget>(cap, "ListBox1");
  int pattern = -1;
  for (int i = 0; i < devices->count(); ++i)
    if (devices->item(i)->text() == kTestPatternName) pattern = i;
  if (pattern < 0) {
    ADD_FAILURE() << "no test pattern device";
    return nullptr;
  }
  ClickListRow(devices, pattern);
  auto* compressors = Find<QListWidget>(cap, "ListBox2");
  for (int i = 0; i < compressors->count(); ++i)
    if (compressors->item(i)->text() == "Uncompressed RGB") ClickListRow(compressors, i);
  m.dialogs.folder_names.push_back(QString::fromStdString(m.dir.Path().string()));
  Find<QPushButton>(cap, "SpeedButton1")->click();  // the recording's folder
  Find<QLineEdit>(cap, "Edit2")->setText("obs");
  Find<QPushButton>(cap, "SpeedButton2")->click();  // 'F1'
  if (!SpinUntil([&] { return cap->Session().FramesWritten() >= int64_t{frames}; }, 30000)) {
    ADD_FAILURE() << "the recording did not start";
    return nullptr;
  }
  Find<QPushButton>(cap, "SpeedButton3")->click();  // 'ESC'
  if (cap->RecordedFile().empty()) {
    ADD_FAILURE() << "nothing recorded";
    return nullptr;
  }
  return cap;
}
