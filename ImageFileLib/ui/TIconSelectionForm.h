#pragma once
// The question an icon or cursor file with several images asks: which image
// to load, and which colour stands for its transparent pixels.
#include <QColor>
#include <QDialog>
#include <QFrame>
#include <functional>

#include "ImageFileLib/IconFile.h"

class QComboBox;
class QLabel;
class QPushButton;

// A bevelled panel with a paint hook.
class TPanelFrame : public QFrame {
  Q_OBJECT
 public:
  explicit TPanelFrame(QWidget* parent = nullptr);
  std::function<void(QPainter&, const QRect&)> OnPaint;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// The same panel showing an off-screen picture that its users draw into.
class TDoubleBufferedPanel : public TPanelFrame {
  Q_OBJECT
 public:
  explicit TDoubleBufferedPanel(QWidget* parent = nullptr);
  ImageFile::TLinearBitmap Bitmap;  // 24-bit, the panel's inner size
  int FrameSize = 0;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
};

class TIconSelectionForm : public QDialog {
  Q_OBJECT
 public:
  TIconSelectionForm(const ImageFile::TIconList& list, uint32_t transparent_color, QWidget* parent = nullptr);

  void FormShow();
  void SelectBoxChange();
  void TransparentButtonClick();
  // red in the low byte
  uint32_t TransparentColor() const;

  QComboBox* SelectBox;
  TDoubleBufferedPanel* PanelFrame;
  QPushButton* TransparentButton;
  TPanelFrame* ColorPanel;
  QLabel* ColorLabel;
  QPushButton* OkButton;
  QPushButton* CancelButton;
  QColor Color;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  const ImageFile::TIconList& List;
};

// Lets the icon loader ask the user through the dialog service.
void InstallIconSelectionDialog();
