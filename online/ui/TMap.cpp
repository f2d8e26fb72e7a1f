#include "online/ui/TMap.h"

#include <QFont>
#include <QPlainTextEdit>

#include "base/ui/ControlEvents.h"
#include "online/MapPage.h"
#include "online/ui/WebBrowserControl.h"

TMap::TMap(const GpsStation& station, int time_stamp_mode, QWidget* parent)
    : QWidget(parent, Qt::Window), station_(station), time_stamp_mode_(time_stamp_mode) {
  SetUpToolWindow(this, "Map", "Map");
  resize(898, 621);
  Panel1 = Named<QWidget>("Panel1", this);
  Panel1->setGeometry(0, 0, 890, 489);
  WebBrowser1 = Named<TWebBrowserControl>("WebBrowser1", Panel1);
  WebBrowser1->setGeometry(0, 0, 890, 489);
  Memo1 = Named<QPlainTextEdit>("Memo1", this);
  Memo1->setGeometry(424, 408, 457, 79);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo2 = Named<QPlainTextEdit>("Memo2", this);
  Memo2->setGeometry(0, 494, 377, 81);
  QFont courier("Courier New");
  courier.setStyleHint(QFont::Monospace);
  Memo2->setFont(courier);
  FormCreate();
}

void TMap::FormCreate() {
  WebBrowser1->resize(880, 480);
  Memo1->clear();
  const MapPageSlots page = MapPageForStation(station_, time_stamp_mode_);
  QStringList lines;
  for (int i = 0; i <= 32; ++i) lines << QString::fromStdString(page[static_cast<size_t>(i)]);
  Memo1->setPlainText(lines.join("\n"));
  WebBrowser1->Navigate("about:blank");
  WebBrowser1->LoadHtml(QString::fromStdString(MapPageText(page)));
  Memo2->clear();
  for (const std::string& line : MapGpsLines(station_, time_stamp_mode_))
    Memo2->appendPlainText(QString::fromStdString(line));
}
