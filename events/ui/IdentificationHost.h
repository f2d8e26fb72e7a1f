#pragma once
// What the identification windows need of the main window: the shared state,
// the settings file, the results table, a few controls and the chart. The
// main window implements it; window tests use a scripted stand-in.
#include <QRect>
#include <array>
#include <string>

#include "base/FrameTimeTexts.h"
#include "base/SettingsFile.h"
#include "base/ZcToXzTable.h"
#include "chart/ChartSession.h"
#include "chart/ui/ChartHost.h"
#include "events/ChartEventState.h"

class Tchart1;

class IdentificationHost {
 public:
  virtual ~IdentificationHost() = default;
  virtual ChartEventState& Events() = 0;
  virtual ChartSession& Chart() = 0;
  virtual FrameTimeTexts& Times() = 0;
  virtual AppSettings& Settings() = 0;
  virtual const ZcToXzTable& ZcToXz() const = 0;
  // Reaches the settings file at once; throws IniWriteError when it cannot.
  virtual void WriteSetting(const std::string& section, const std::string& key, const std::string& value) = 0;
  virtual std::string ReadSetting(const std::string& section, const std::string& key,
                                  const std::string& fallback) const = 0;

  virtual ResultTableAccess& Table() = 0;
  // Detects the table's banner version; the index of the first data row.
  virtual int DetectCsvHeaderLines() = 0;

  // The time read-outs: hour, minute, seconds of field 1.
  virtual std::array<std::string, 3> TimeEdits() const = 0;
  virtual bool AutoSearchDefault() const = 0;  // the main window's 'KIWI' box
  virtual int TimeStampMode() const = 0;
  virtual bool Playing() const = 0;
  virtual QRect MainWindowGeometry() const = 0;
  virtual void AppendCodeLog(const std::string& line) = 0;  // the code log memo
  virtual void MarkXmlElementStep() = 0;                     // "2. XML element" turns aqua
  virtual void SetCameraText(const std::string& camera) = 0;
  // The measurement step (frames per record) and the frame shown.
  virtual void SetFrameStep(int step) = 0;
  virtual void ShowFrame(int frame) = 0;
  virtual void SetFieldView(bool checked) = 0;  // 'Show Field'

  // The chart: the open window (null when closed), opening and closing it.
  virtual Tchart1* ChartWindow() = 0;
  virtual void OpenChart() = 0;
  virtual void CloseChart() = 0;
};

// Writes a settings key; a failed write is shown in an error box.
void WriteSettingOrShowError(IdentificationHost& host, const std::string& section, const std::string& key,
                             const std::string& value);
