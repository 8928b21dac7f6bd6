#include "app/AppMessages.h"

#include "framework/error/ErrorLevel.h"

namespace app {

void AppMessages::Add(framework::error::ErrorManager& errors) {
  errors.AddCatalogueEntry(TooLong, "The value of %Field must be at most %Message long.", "Range Error",
                           framework::error::LevelNotice);
  errors.AddCatalogueEntry(SettingsNotSaved,
                           "The position of the window could not be saved in %File.|Error: %ErrorText.",
                           "Settings Not Saved", framework::error::LevelNotice);
}

}  // namespace app
