// Main window: rows of the results table that were never saved are not
// dropped without asking.
#include "base/ui/DialogService.h"
#include "app/ui/TPlatform.h"

namespace {
const char* const kUnsavedResultsQuestion = "The results table has rows that are not saved. Save them first?";
}  // namespace

bool TPlatform::ResultsMayBeDropped() {
  // A table without rows, or with the rows last saved or loaded, loses nothing.
  if (Results.Count() <= TableHeaderLines() || !Results.ChangedSinceSaved()) return true;
  switch (Dialogs().SaveQuestion(kUnsavedResultsQuestion, {})) {
    case SaveAnswer::DontSave: return true;
    case SaveAnswer::Cancel: return false;
    case SaveAnswer::Save: break;
  }
  // The rows of a run still going are saved as they stand.
  if (Run.MeasuringRun) StopMeasurement();
  return SaveResultCsv();
}
