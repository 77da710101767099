#include "ui/integer_field.h"

#include <climits>
#include <cwctype>

bool readIntegerField(const std::wstring& text, int& value) {
  const std::wstring head = text.substr(0, 63);
  size_t i = 0;
  while (i < head.size() && std::iswspace(head[i])) ++i;
  bool negative = false;
  if (i < head.size() && (head[i] == L'+' || head[i] == L'-')) {
    negative = head[i] == L'-';
    ++i;
  }
  if (i >= head.size() || head[i] < L'0' || head[i] > L'9') return false;
  long long magnitude = 0;
  for (; i < head.size() && head[i] >= L'0' && head[i] <= L'9'; ++i) {
    magnitude = magnitude * 10 + (head[i] - L'0');
    if (magnitude > 1LL + INT_MAX) magnitude = 1LL + INT_MAX;  // saturated: beyond every limit
  }
  long long signedValue = negative ? -magnitude : magnitude;
  if (signedValue > INT_MAX) signedValue = INT_MAX;
  if (signedValue < INT_MIN) signedValue = INT_MIN;
  value = static_cast<int>(signedValue);
  return true;
}
