#pragma once
// The library is built with hidden visibility; KORVEX_NR_API marks the few
// declarations its callers may use.
#define KORVEX_NR_API __attribute__((visibility("default")))
