#include "events/ChartEventState.h"

void ResetForOpenedVideo(ChartEventState& s) {
  ResetTimingList(s.AsteroidTiming);
  s.Flags.TimeFieldEdited = {0, 0, 0};
  s.Flags.IntegratedVideoMeasured = 0;
  s.Diffraction.RateFactor = s.Diffraction.ModelFrameRate;
}

void ResetTimingList(TAsteroidTiming& t) {
  t.EntryCount = 0;
  t.Counter2 = 0;
  for (TAsteroidEachEventTime& e : t.Entries) {
    for (std::string& text : e.Texts) text.clear();
    e.Flag1 = 1;
    e.Flag2 = 0;
    e.Value1 = e.Value2 = 0;
    e.SortKey = 0;
  }
}
