#ifndef TDF_EXPORT_H
#define TDF_EXPORT_H

// How the library is built, as its headers need to know.

// The library is built with hidden visibility; this marks its public API.
#if defined(TDF_BUILDING_LIBRARY)
#define TDF_EXPORT __attribute__((visibility("default")))
#else
#define TDF_EXPORT
#endif

// Under AddressSanitizer the pools tell the sanitizer which of their blocks
// are free, so that a use after free is reported as it would be for delete;
// their inline shortcuts then give way to the library's functions.
#if defined(__SANITIZE_ADDRESS__)
#define TDF_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TDF_ADDRESS_SANITIZER 1
#endif
#endif

#endif
