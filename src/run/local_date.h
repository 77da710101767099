// Today's date in the user's local time, for the defaults of the history entry.
#pragma once

struct LocalYearMonth {
  int year = 0;   // full year, e.g. 2013
  int month = 0;  // 1 to 12
};

LocalYearMonth currentLocalYearMonth();
