#include "run/local_date.h"

#include <ctime>

LocalYearMonth currentLocalYearMonth() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  LocalYearMonth date;
  date.year = local.tm_year + 1900;
  date.month = local.tm_mon + 1;
  return date;
}
