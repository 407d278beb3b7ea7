// Bounded UTF-16 string helpers. No Windows header: the install action's
// text handling is tested on its own.
#pragma once
#include <stddef.h>

// Number of characters before the first null within `limit` characters;
// `limit` when there is none.
size_t BoundedLength(const wchar_t* text, size_t limit);

// Copies `source` with its terminator into `target` (capacity `targetChars`).
// Returns false, leaving `target` empty, when it does not fit.
bool CopyBounded(wchar_t* target, size_t targetChars, const wchar_t* source);

// Copies the folder of `path`, up to and including its last backslash or
// slash, into `target`. Returns false, leaving `target` empty, when `path`
// names no folder or the folder does not fit.
bool CopyFolderOf(wchar_t* target, size_t targetChars, const wchar_t* path);

// Copies `text` in double quotes into `target`. Returns false, leaving
// `target` empty, when the result with its terminator does not fit.
bool BuildQuoted(wchar_t* target, size_t targetChars, const wchar_t* text);

// Builds the Application Manager's command line: both paths in double quotes,
// separated by one space. Returns false, leaving `target` empty, when the
// result with its terminator does not fit `targetChars`.
bool BuildAppManagerCommandLine(wchar_t* target, size_t targetChars,
                                const wchar_t* managerPath, const wchar_t* iniPath);
