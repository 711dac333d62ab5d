// SPDX-License-Identifier: MIT
// Whether this build has the x86 vector walks: x86-64 with GCC or Clang,
// whose target attributes let those functions use instructions the rest of
// the build does not.
#pragma once

#if (defined(__GNUC__) || defined(__clang__)) && defined(__x86_64__)
#define VELMOR_X86_WALKS 1
#include <immintrin.h>
#endif
