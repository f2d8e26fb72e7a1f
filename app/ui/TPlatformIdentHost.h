#pragma once
// The main window as the identification windows see it.
#include "events/ui/IdentificationHost.h"

class TPlatform;

class TPlatformIdentHost final : public IdentificationHost {
 public:
  explicit TPlatformIdentHost(TPlatform& w) : w_(w) {}
  ChartEventState& Events() override;
  ChartSession& Chart() override;
  FrameTimeTexts& Times() override;
  AppSettings& Settings() override;
  const ZcToXzTable& ZcToXz() const override;
  void WriteSetting(const std::string& section, const std::string& key, const std::string& value) override;
  std::string ReadSetting(const std::string& section, const std::string& key,
                          const std::string& fallback) const override;
  ResultTableAccess& Table() override;
  int DetectCsvHeaderLines() override;
  std::array<std::string, 3> TimeEdits() const override;
  bool AutoSearchDefault() const override;
  int TimeStampMode() const override;
  bool Playing() const override;
  QRect MainWindowGeometry() const override;
  void AppendCodeLog(const std::string& line) override;
  void MarkXmlElementStep() override;
  void SetCameraText(const std::string& camera) override;
  void SetFrameStep(int step) override;
  void ShowFrame(int frame) override;
  void SetFieldView(bool checked) override;
  Tchart1* ChartWindow() override;
  void OpenChart() override;
  void CloseChart() override;
  void OpenDiffractionPanel() override;

 private:
  TPlatform& w_;
};
