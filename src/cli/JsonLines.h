#pragma once
// JSON Lines as the upgrade log holds them: a file read line by line, the
// top-level string fields of one line's object, and a text written as a
// JSON string. Shared by `--skip-done`, `quillon report` and the batch's
// JSON document.
#include <functional>
#include <map>
#include <string>

// Calls `take` with every line of the file (without its "\n"; a last line
// without one too). False when the file cannot be opened.
bool ReadFileLines(const std::wstring& path, const std::function<void(const std::string& line)>& take);

// The top-level string fields of the JSON object `line` holds, decoded to
// UTF-8; values that are no strings are skipped. False when the line is
// no JSON object (a broken or cut line).
bool ReadJsonStringFields(const std::string& line, std::map<std::string, std::string>* fields);

// `text` as a JSON string, quotes included: quotes, backslashes and control
// characters escaped, everything else as it is.
std::string JsonString(const std::string& utf8);
std::string JsonString(const std::wstring& text);
