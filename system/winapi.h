// The Windows services that the program uses, by their Windows names.
// On Windows this is the real API; elsewhere it is our own POSIX implementation
// (winapi_posix.h), which provides exactly what the program needs of it.
#pragma once

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commctrl.h>
#else
#include "winapi_posix.h"
#endif
