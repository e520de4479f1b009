#pragma once
// Asks for a secret key's password on the terminal (the console on
// Windows) without echoing it; scripts give it in PACKTOOL_KEY_PASSWORD.
#include <string>

// False when there is no terminal to ask on, or nothing could be read.
// The password comes back as UTF-8; the caller wipes it.
bool ReadPasswordFromTerminal(const std::wstring& prompt, std::string* password);
