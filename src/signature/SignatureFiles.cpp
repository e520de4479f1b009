#include "signature/SignatureFiles.h"

#include <sodium.h>

void WipeSecret(void* bytes, size_t size) {
    if (size) sodium_memzero(bytes, size);
}

void WipeSecret(std::string* text) {
    WipeSecret(&(*text)[0], text->size());
    text->clear();
}

void WipeSecret(std::wstring* text) {
    WipeSecret(&(*text)[0], text->size() * sizeof(wchar_t));
    text->clear();
}
