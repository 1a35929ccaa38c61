// Whether the test program runs under AddressSanitizer, whose shadow memory and quarantine make
// a child's peak memory say nothing about the code's own.
#pragma once

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool k_address_sanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool k_address_sanitizer = true;
#else
inline constexpr bool k_address_sanitizer = false;
#endif
#else
inline constexpr bool k_address_sanitizer = false;
#endif
