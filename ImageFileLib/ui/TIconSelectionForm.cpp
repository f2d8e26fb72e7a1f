#include "ImageFileLib/ui/TIconSelectionForm.h"

#include <algorithm>

#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include "ImageFileLib/ui/LinearBitmapQImage.h"
#include "base/ui/DialogService.h"
#include "base/ui/ControlEvents.h"

using namespace ImageFile;

TPanelFrame::TPanelFrame(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(1);
}

void TPanelFrame::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  if (!OnPaint) return;
  QPainter painter(this);
  OnPaint(painter, contentsRect());
}

TDoubleBufferedPanel::TDoubleBufferedPanel(QWidget* parent) : TPanelFrame(parent) {}

void TDoubleBufferedPanel::resizeEvent(QResizeEvent* event) {
  FrameSize = 2 * frameWidth();
  const int w = std::max(1, width() - FrameSize), h = std::max(1, height() - FrameSize);
  Bitmap.New(w, h, pf24Bit);
  TPanelFrame::resizeEvent(event);
}

void TDoubleBufferedPanel::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  if (Bitmap.Present) painter.drawImage(contentsRect().topLeft(), LinearBitmapToQImage(Bitmap));
  if (OnPaint) OnPaint(painter, contentsRect());
}

namespace {

// A colour panel that opens the colour dialog when clicked.
class ClickablePanel : public TPanelFrame {
 public:
  using TPanelFrame::TPanelFrame;
  std::function<void()> OnClick;

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && OnClick) OnClick();
  }
};

}  // namespace

TIconSelectionForm::TIconSelectionForm(const TIconList& list, uint32_t transparent_color, QWidget* parent)
    : QDialog(parent), List(list) {
  setWindowTitle("Select icon to import from file");
  Color = QColor(transparent_color & 0xFF, (transparent_color >> 8) & 0xFF, (transparent_color >> 16) & 0xFF);
  SelectBox = Named<QComboBox>("SelectBox", this);
  SelectBox->setGeometry(8, 8, 193, 22);
  PanelFrame = Named<TDoubleBufferedPanel>("PanelFrame", this);
  PanelFrame->setGeometry(8, 36, 193, 73);
  TransparentButton = Named<QPushButton>("TransparentButton", "Transparent color", this);
  TransparentButton->setGeometry(208, 8, std::max(81, TransparentButton->sizeHint().width()), 25);
  auto* color_panel = new ClickablePanel(this);
  ColorPanel = color_panel;
  ColorPanel->setObjectName("ColorPanel");
  ColorPanel->setGeometry(208, 40, 25, 25);
  ColorPanel->setAutoFillBackground(true);
  ColorLabel = Named<QLabel>("ColorLabel", this);
  const QFontMetrics metrics = ColorLabel->fontMetrics();
  int digit = 0;
  for (QChar c : QString("0123456789abcdef")) digit = std::max(digit, metrics.horizontalAdvance(c));
  ColorLabel->setGeometry(240, 44, std::max(52, metrics.horizontalAdvance('$') + 6 * digit + 4), std::max(16, metrics.height()));
  // A font wider than the form was drawn for widens and lengthens it, so that
  // the button's caption, the colour's digits and the note show whole.
  const int width = std::max({296, TransparentButton->geometry().right() + 8, ColorLabel->geometry().right() + 5});
  auto* note = new QLabel("Note that writing of files with multiple icons is not supported.", this);
  note->setWordWrap(true);
  note->setGeometry(8, 112, width - 16, std::max(20, note->heightForWidth(width - 16)));
  const int buttons_top = std::max(136, note->geometry().bottom() + 5);
  OkButton = Named<QPushButton>("OkButton", "&Ok", this);
  OkButton->setDefault(true);
  CancelButton = Named<QPushButton>("CancelButton", "&Cancel", this);
  const int cancel_width = std::max(75, CancelButton->sizeHint().width());
  const int ok_width = std::max(75, OkButton->sizeHint().width());
  CancelButton->setGeometry(width - 9 - cancel_width, buttons_top, cancel_width, 25);
  OkButton->setGeometry(CancelButton->x() - 9 - ok_width, buttons_top, ok_width, 25);
  setFixedSize(width, buttons_top + 33);

  connect(SelectBox, qOverload<int>(&QComboBox::activated), this, [this] { SelectBoxChange(); });
  connect(TransparentButton, &QPushButton::clicked, this, [this] { TransparentButtonClick(); });
  color_panel->OnClick = [this] { TransparentButtonClick(); };
  connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TIconSelectionForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Restoring the minimised dialog shows it again: the choice made stays.
  if (!event->spontaneous()) FormShow();
}

void TIconSelectionForm::FormShow() {
  const QString kind = List.Kind == IconKind::Cursor ? "Cursor" : "Icon";
  SelectBox->clear();
  for (int32_t i = 0; i < List.Count(); ++i) {
    const TIconImage& image = List[i];
    SelectBox->addItem(QString("%1 %2 x %3 %4 bit").arg(kind).arg(image.Width).arg(image.Height).arg(image.BitsPerPixel));
  }
  SelectBox->setCurrentIndex(0);
  SelectBoxChange();
}

uint32_t TIconSelectionForm::TransparentColor() const {
  return uint32_t(Color.red()) | uint32_t(Color.green()) << 8 | uint32_t(Color.blue()) << 16;
}

void TIconSelectionForm::SelectBoxChange() {
  const int index = SelectBox->currentIndex();
  if (index >= 0 && index < List.Count()) {
    const TIconImage& image = List[index];
    PanelFrame->resize(std::min(image.Width + 2, 193), std::min(image.Height + 2, 73));
    PanelFrame->Bitmap.ClearColor(TransparentColor());
    image.Draw(0, 0, PanelFrame->Bitmap);
    PanelFrame->update();
  }
  ColorLabel->setText(QString("$%1").arg(Color.rgb() & 0xFFFFFF, 6, 16, QChar('0')).toLower());
  QPalette palette = ColorPanel->palette();
  palette.setColor(QPalette::Window, Color);
  ColorPanel->setPalette(palette);
}

void TIconSelectionForm::TransparentButtonClick() {
  const auto chosen = Dialogs().PickColor(Color, "Transparent color");
  if (!chosen) return;
  Color = *chosen;
  SelectBoxChange();
}

bool DialogService::ChooseIconImage(const TIconList& list, int32_t& index, uint32_t& transparent) {
  TIconSelectionForm form(list, transparent);
  if (form.exec() != QDialog::Accepted) return false;
  index = form.SelectBox->currentIndex();
  transparent = form.TransparentColor();
  return true;
}

void InstallIconSelectionDialog() {
  ICOLoader().SelectImage = [](const TIconList& list, int32_t& index, uint32_t& transparent) {
    return Dialogs().ChooseIconImage(list, index, transparent);
  };
}
