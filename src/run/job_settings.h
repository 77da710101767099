// The user's entries for a run, and the run's shared flags.
#pragma once

#include <string>

// One instance, owned by the main dialog (or the batch front end) for the program's lifetime.
// Filled from the dialog's fields when Execute starts a run; kept between program starts in the
// settings file.
struct JobSettings {
  std::wstring inputFolder;    // folder whose DM files are corrected              (key "In")
  std::wstring outputFolder;   // folder that receives the corrected files         (key "Out")
  std::wstring parameterPath;  // parameter file last loaded successfully          (key "Par")
  int year = 0;                // year of the history entry, two digits, 0 to 99   (key "Year")
  int month = 1;               // month of the history entry, 1 to 12              (key "Month")
  std::wstring adviceNumber;   // public-survey advice number                      (key "Number")
  std::wstring organisation;   // organisation that did the work                   (key "Kikan")
  int useFallbackZone = 0;     // 1 when the fallback-zone checkbox is ticked      (key "BKei")
  int fallbackZoneIndex = 8;   // zone list position 0 to 18 (zones 1 to 19), -1 none (key "Kei")
};

// The run's shared flags and counter; all 0 when the dialog is created.
struct RunState {
  int running = 0;          // 1 from the start of the file loop to its end
  int cancelRequested = 0;  // 1 once the user has confirmed that the run is to stop
  int pointErrorCount = 0;  // point errors listed in the log during this run (listing stops at 100)
};
