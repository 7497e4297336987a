#pragma once

#include <QtGlobal>

// What the program's shared library shows the program, its plug-in, the tests and the benchmarks:
// the classes and functions its headers declare for them. All else stays inside it.
#if defined(NUMIO_BASE_LIBRARY)
#define NUMIO_EXPORT Q_DECL_EXPORT
#else
#define NUMIO_EXPORT Q_DECL_IMPORT
#endif
