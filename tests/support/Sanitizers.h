#pragma once
// SK_ADDRESS_SANITIZER is 1 in a build under AddressSanitizer, with GCC
// (which defines __SANITIZE_ADDRESS__) and with clang (which says so through
// __has_feature), else 0. Tests that measure memory, or whose size makes the
// sanitizer tree slow, ask it.
#if defined(__SANITIZE_ADDRESS__)
#define SK_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SK_ADDRESS_SANITIZER 1
#endif
#endif
#ifndef SK_ADDRESS_SANITIZER
#define SK_ADDRESS_SANITIZER 0
#endif
