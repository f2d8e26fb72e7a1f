#include "online/ui/TDataViewer.h"

#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QUrl>

#include "base/ui/ControlEvents.h"
#include "online/ui/WebBrowserControl.h"

const char* const kOccultationIndexUrl =
    "https://www.euraster.net/results/Index%20Asteroidal%20Occultation%20Worldwide.xls";

TDataViewer::TDataViewer(QWidget* parent) : QDialog(parent) {
  SetUpToolWindow(this, "DataViewer", "DataViewer");
  resize(545, 324);
  GroupBox1 = Named<QGroupBox>("GroupBox1", "The Index of Asteroidal Occultation Observation Result. ", this);
  GroupBox1->setGeometry(20, 10, 491, 171);
  ListBox1 = Named<QListWidget>("ListBox1", GroupBox1);
  ListBox1->setGeometry(10, 30, 471, 65);
  Button1 = Named<QPushButton>("Button1", "Download and Open the index file", this);
  Button1->setGeometry(80, 240, 321, 31);
  connect(Button1, &QPushButton::clicked, this, &TDataViewer::Button1Click);
}

// The system's own program fetches and opens it; a failure is silent.
void TDataViewer::Button1Click() { OpenInSystemBrowser(QUrl(kOccultationIndexUrl)); }
