#pragma once
// A scripted stand-in for the main window as the identification windows see
// it: in-memory settings and table, and a record of what was asked.
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>

#include <map>

#include "base/ResultCsvFormat.h"
#include "base/ui/DialogService.h"
#include "events/ui/IdentificationHost.h"

class IdentFakeTable : public ResultTableAccess {
 public:
  std::vector<std::string> lines;
  uint64_t revision = 1;
  const std::vector<std::string>& Lines() const override { return lines; }
  void ReplaceLines(std::vector<std::string> l) override {
    lines = std::move(l);
    ++revision;
  }
  uint64_t Revision() const override { return revision; }
};

class IdentFakeHost : public IdentificationHost {
 public:
  ScriptedDialogService dialogs;
  ScopedDialogService use_dialogs{dialogs};
  ChartEventState events;
  ChartSession chart;
  FrameTimeTexts times;
  AppSettings settings;
  ZcToXzTable zc{};
  std::map<std::pair<std::string, std::string>, std::string> ini;
  IdentFakeTable table;
  std::array<std::string, 3> time_edits{"14", "30", "05.0000"};
  bool auto_search = false, playing = false, field_view = false;
  int time_stamp_mode = 0, frame_step = 1, chart_opened = 0, chart_closed = 0,
      xml_step_marked = 0;
  std::vector<int> shown_frames;
  std::vector<std::string> code_log;

  ChartEventState& Events() override { return events; }
  ChartSession& Chart() override { return chart; }
  FrameTimeTexts& Times() override { return times; }
  AppSettings& Settings() override { return settings; }
  const ZcToXzTable& ZcToXz() const override { return zc; }
  void WriteSetting(const std::string& s, const std::string& k, const std::string& v) override { ini[{s, k}] = v; }
  std::string ReadSetting(const std::string& s, const std::string& k, const std::string& fallback) const override {
    const auto it = ini.find({s, k});
    return it == ini.end() ? fallback : it->second;
  }
  ResultTableAccess& Table() override { return table; }
  int DetectCsvHeaderLines() override { return DetectCsvVersion(table.lines).CsvHeaderLines; }
  std::array<std::string, 3> TimeEdits() const override { return time_edits; }
  bool AutoSearchDefault() const override { return auto_search; }
  int TimeStampMode() const override { return time_stamp_mode; }
  bool Playing() const override { return playing; }
  QRect MainWindowGeometry() const override { return {10, 10, 800, 600}; }
  void AppendCodeLog(const std::string& line) override { code_log.push_back(line); }
  void MarkXmlElementStep() override { ++xml_step_marked; }
  void SetCameraText(const std::string&) override {}
  void SetFrameStep(int step) override { frame_step = step; }
  void ShowFrame(int frame) override { shown_frames.push_back(frame); }
  void SetFieldView(bool checked) override { field_view = checked; }
  Tchart1* chart_window = nullptr;  // the open chart, when a test makes one
  Tchart1* ChartWindow() override { return chart_window; }
  void OpenChart() override { ++chart_opened; }
  void CloseChart() override { ++chart_closed; }

  std::vector<std::string> Messages() const {
    std::vector<std::string> out;
    for (const auto& m : dialogs.messages) out.push_back(m.text.toStdString());
    return out;
  }
};

// An elements file of two asteroid events, as the prediction service writes it.
inline const char* const kElements =
    "<Occultations>\r\n"
    "  <Event>\r\n"
    "    <Elements>JPL,2.0,2024,5,12,14.25,a,b,1.2,-0.9</Elements>\r\n"
    "    <Star>TYC 1234-00567-1,1,2,11.9,11.2,10.1,0.3</Star>\r\n"
    "    <Object>1234,Some name,14.5,123.4,2.1</Object>\r\n"
    "  </Event>\r\n"
    "  <Event>\r\n"
    "    <Elements>JPL,2.0,2024,5,13,3.5,a,b,0.5,0.5</Elements>\r\n"
    "    <Star>HIP 99,,,,9.5,,</Star>\r\n"
    "    <Object>7,Iris,10,10,1.0</Object>\r\n"
    "  </Event>\r\n"
    "</Occultations>\r\n";

// Presses the list's row as the mouse does.
inline void PressRow(QListWidget* list, int row) {
  const QRect r = list->visualItemRect(list->item(row));
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(r.center()), QPointF(list->viewport()->mapToGlobal(r.center())),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(list->viewport(), &press);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(r.center()),
                      QPointF(list->viewport()->mapToGlobal(r.center())), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(list->viewport(), &release);
}

// Types a text into an edit and presses Enter in it.
inline void TypeAndEnter(QWidget* edit, const QString& text) {
  if (auto* line = qobject_cast<QLineEdit*>(edit)) line->setText(text);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(edit, &enter);
}
