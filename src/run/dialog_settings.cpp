#include "run/dialog_settings.h"

namespace {

// Entries of the zone list: zones 1 to 19.
const int kZoneListEntries = 19;

}  // namespace

JobSettings settingsAsTheDialogRunsThem(const JobSettings& stored) {
  JobSettings job = stored;
  const int shown = (stored.useFallbackZone < 0 || stored.useFallbackZone > 2)
                        ? 0
                        : stored.useFallbackZone;
  job.useFallbackZone = shown == 0 ? 0 : 1;
  const bool selectable = stored.fallbackZoneIndex >= 0 &&
                          stored.fallbackZoneIndex < kZoneListEntries;
  job.fallbackZoneIndex = selectable ? stored.fallbackZoneIndex : -1;
  return job;
}
