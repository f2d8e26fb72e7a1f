#pragma once
// What the identification windows and integrated-video processing keep
// between windows: the chosen prediction, names, the lunar prediction file's
// state and the integration blocks.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "events/PredictionElements.h"

struct IdentificationState {
  Occelmnt_Format OccultationElements;       // the chosen event
  std::vector<Occelmnt_Format> PredictionEvents;
  std::string SpectralTypeText;              // two characters for the model
  uint8_t LunarPredictionLoaded = 0;         // the lunar window holds the file's text
  std::string IdentTargetText;
  std::string LunarObserver;                 // the report's lunar observer text
  std::string SiteNameText, CountryCodeText;
  uint8_t AsteroidIdentificationOpen = 0;
  uint8_t IntegratedPanelOpened = 0;
  uint8_t ShowGraphAtRunEnd = 0;
  int32_t IntegrationSampleOffset = 0;
  // The time the lunar window accepted (h, m, s) and its last accepted copy.
  std::array<double, 3> BaseTime{0, 0, 0}, AcceptedBaseTime{0, 0, 0};
};
