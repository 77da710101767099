// The job that the main dialog runs from its settings file.
#pragma once

#include "run/job_settings.h"

// The job settings that the main dialog runs with when it starts from `stored` (what its settings
// file gave, read by readJobSettings) and 実行 is pressed without a change: its start shows every
// value in its control, and its data exchange reads the controls back.
//   "In", "Out", "Number", "Kikan"  the text as it stands (edit boxes);
//   "Year", "Month"   shown as "%d" and read back by the integer rule: the same number;
//   "BKei"  a value outside 0 to 2 is first set to 0; the checkbox has two states, so 2 ticks it
//           as 1 does; read back as 1 when ticked, else 0;
//   "Kei"   a list position 0 to 18 is selected; any other value leaves the list without a
//           selection, read back as -1 (the fallback zone is then 0, even with the box ticked);
//   "Par"   no field: the parameter file is loaded from it as it stands.
// The year and month ranges are left to the run's checks.
JobSettings settingsAsTheDialogRunsThem(const JobSettings& stored);
