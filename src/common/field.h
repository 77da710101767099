// Reading and writing fixed-width text fields of DM records, index files and parameter files.
// Columns are 0-based byte positions; fields are bytes, never converted.
#pragma once

// Integer value of a fixed-width field. Looks at exactly `width` bytes in order (a NUL byte is an
// ordinary byte), starting from the value 0:
//  - a digit makes value = value * 10 + digit;
//  - '-' ends the scan when the value is not 0, otherwise marks the result negative;
//  - any other byte ends the scan when the value is greater than 0, otherwise is skipped.
// So "    " reads 0, " 12 34" reads 12, "- 5" reads -5, "0-5" reads -5, "12.5" reads 12 and
// "1-2" reads 1. Arithmetic wraps like a 32-bit integer for absurdly wide fields.
int parseFieldInt(const char* field, int width);

// Decimal value of a fixed-width field by the C library's atof rules: leading white space skipped,
// an optional sign, digits with an optional decimal point and exponent (also "inf", "nan" and
// hexadecimal forms), the conversion stopping at the first byte that cannot continue the number;
// 0 when no number begins the field. At most `width` bytes (up to 111) are looked at, and a NUL
// byte ends the field early, as it ends the line that holds it. Locale-free and correctly rounded,
// the same on every platform.
double parseFieldReal(const char* field, int width);

// Renders `value` as a decimal integer right-aligned in `width` characters ("%7d" for width 7) and
// copies exactly `width` bytes of it into the field, without a terminator. A rendering wider than
// the field is cut to its first `width` characters: 100 with width 2 gives "10", -12 gives "-1".
void writeFieldInt(char* field, int value, int width);
