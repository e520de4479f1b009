#pragma once
// GDI+ headers; they use unqualified min and max, which NOMINMAX removes.
#include <windows.h>

#include <algorithm>
using std::max;
using std::min;
#include <gdiplus.h>
