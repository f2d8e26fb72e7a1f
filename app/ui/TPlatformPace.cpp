// Main window: the read-outs that change with every frame paint at the pace
// of Image1 during a run or playback, and at once when it stops.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>

#include "app/ui/DisplayPacer.h"
#include "app/ui/TPlatform.h"

namespace {
// The same pace as the frame picture.
constexpr int kReadoutPaintMs = 30;
}  // namespace

void TPlatform::PaceDisplays() {
  if (!display_pacer_) {
    std::vector<QWidget*> shown_per_frame{ScrollBar1, Edit7,  Edit8,  Edit9,  Edit20, Edit21, Edit23, Edit24, Edit25,
                                          Edit26,     Edit27, Edit56, Edit57, Edit59, Panel1, Panel2, Memo3};
    display_pacer_ = new DisplayPacer(
        std::move(shown_per_frame), [this] { return Run.Playing && Timer1->isActive(); }, kReadoutPaintMs, this);
  }
  display_pacer_->FrameShown();
}
