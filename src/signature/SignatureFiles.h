#pragma once
// The small files of signing: keys, signatures and trust lists. They are
// read only when they are regular files of bounded size (a FIFO or a
// device would block the reader, a huge file would fill its memory), and
// written without following a link someone left in their place.
#include <cstddef>
#include <string>

inline constexpr size_t kSmallFileLimit = 64 * 1024;

// The whole file; false with the problem ("is not a regular file", "is
// longer than 65536 bytes", "cannot be read") otherwise. The text is read
// into one buffer that is never moved, so a secret's text can be wiped.
bool ReadSmallFile(const std::wstring& path, std::string* text, std::string* problem,
                   size_t limit = kSmallFileLimit);

// A new file; false when the path exists already (a link too, even a
// dangling one) or cannot be written. `ownerOnly`: natively mode 0600,
// on Windows an access list that names the owner alone (nothing
// inherited from the folder); otherwise the system's default access.
bool WriteNewFile(const std::wstring& path, const std::string& text, bool ownerOnly);

// Writes the file, replacing a regular file of that name; natively a link
// in its place is refused rather than followed.
bool OverwriteSmallFile(const std::wstring& path, const std::string& text);

// Whether anyone besides the file's owner (and, on Windows, the system
// and the administrators, who may read any file) may read the file;
// `who` then says who, for the message.
bool OthersMayRead(const std::wstring& path, std::string* who);

// Overwrites a secret (key text, password) before its memory is freed.
void WipeSecret(void* bytes, size_t size);
void WipeSecret(std::string* text);
void WipeSecret(std::wstring* text);
