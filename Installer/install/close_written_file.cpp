#include "close_written_file.h"

bool CloseWrittenFile(FILE* file)
{
    // The flush is explicit: its failure is the one that matters, and not
    // every runtime's fclose reports it.
    const bool flushed = fflush(file) == 0;
    const bool closed = fclose(file) == 0;
    return flushed && closed;
}
