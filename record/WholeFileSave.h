// Ending a save made through QSaveFile. The file object buffers what is written, and a failed final flush
// is not always reported by commit(): a small file saved onto a full disk would then replace the former
// one empty or cut short. So the buffer is flushed and checked first, and the target is replaced only
// when every byte is known to have been written.
#pragma once

#include <QString>

class QSaveFile;

// Commits when `written` holds and the flush succeeds; otherwise drops the temporary file, leaving the
// former file as it was. True when the target now holds everything written; on failure the system's
// reason goes to *error when given.
bool commitWhole(QSaveFile& file, bool written, QString* error = nullptr);
