// Main window: rows of the results table that were never saved are not
// dropped without asking.
#include <QCheckBox>

#include "base/ui/DialogService.h"
#include "app/ui/TPlatform.h"

namespace {
const char* const kUnsavedResultsQuestion = "The results table has rows that are not saved. Save them first?";
const char* const kCannotSaveNow =
    "The results table cannot be saved while 'Direction Setting' or 'Show Field' is on.";
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
  // Saving refuses these modes without a word; the user asked to save, so
  // is told why nothing happens.
  if (Run.DirectionSettingMode || CheckBox1->isChecked()) {
    Dialogs().ShowInformation(kCannotSaveNow);
    return false;
  }
  return SaveResultCsv();
}
