// Closing a file the program has written.
#pragma once
#include <stdio.h>

// Flushes and closes `file`; false when either fails, so that data lost to a
// full disk is not taken for a finished file.
bool CloseWrittenFile(FILE* file);
