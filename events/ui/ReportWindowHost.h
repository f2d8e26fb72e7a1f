#pragma once
// What the report and magnitude windows need of the main window.
#include <string>

#include "events/ObservationReport.h"

class ReportWindowHost {
 public:
  virtual ~ReportWindowHost() = default;
  virtual std::string ReportSiteName() const { return {}; }
  virtual std::string ReportCountryCode() const { return {}; }
  virtual ReportClock Clock() const { return {}; }
  virtual std::string LastVideoDirectory() const { return {}; }
  // The operation guide's "5. Make report" box turns yellow.
  virtual void MarkReportStepDone() {}
};
