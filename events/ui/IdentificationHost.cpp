#include "events/ui/IdentificationHost.h"

#include "base/ui/DialogService.h"

void WriteSettingOrShowError(IdentificationHost& host, const std::string& section, const std::string& key,
                             const std::string& value) {
  try {
    host.WriteSetting(section, key, value);
  } catch (const IniWriteError& e) {
    Dialogs().ShowError(QString::fromStdString(e.what()));
  }
}
