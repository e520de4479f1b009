#pragma once
// minizip file-function sets whose open goes through the platform layer.
#include <minizip/ioapi.h>

// The path given to minizip is a `const char*` in the ANSI code page: the
// native build converts it, so GBK archive names open there too.
zlib_filefunc64_def AnsiPathFileFunctions();
// The path given to minizip is a `const wchar_t*`.
zlib_filefunc64_def WidePathFileFunctions();
