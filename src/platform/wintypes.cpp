#include "platform/wintypes.h"

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  int64_t product = static_cast<int64_t>(a) * b;
  bool negative = (product < 0) != (c < 0);
  int64_t num = product < 0 ? -product : product;
  int64_t den = c < 0 ? -static_cast<int64_t>(c) : c;
  int64_t q = (num + den / 2) / den;
  int64_t r = negative ? -q : q;
  if (r > INT32_MAX || r < INT32_MIN) return -1;
  return static_cast<int>(r);
}
