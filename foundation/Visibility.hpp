#pragma once
// Marks types whose identity must be shared by every module of the process:
// exception types thrown from one shared library and caught in another, and
// class templates instantiated in libraries built with hidden visibility.
#define KORVEX_VISIBLE __attribute__((visibility("default")))
