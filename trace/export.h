#ifndef TDF_EXPORT_H
#define TDF_EXPORT_H

// The library is built with hidden visibility; this marks its public API.
#if defined(TDF_BUILDING_LIBRARY)
#define TDF_EXPORT __attribute__((visibility("default")))
#else
#define TDF_EXPORT
#endif

#endif
