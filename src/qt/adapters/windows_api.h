#pragma once
// The Windows API as both programs include it: without the min and max macros that would
// break std::min, and without the parts of windows.h nothing here uses. Windows only.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <io.h>
#include <windows.h>
