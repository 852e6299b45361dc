#pragma once
// Whether the process's output can show hyperlinks. Off until the program that
// owns the output turns it on; safe to read and set from any thread.

#include "foundation/Visibility.hpp"

KORVEX_VISIBLE bool utPrintfIsHot();

KORVEX_VISIBLE void setPrintfIsHot(bool hot);
