#include "record/WholeFileSave.h"

#include <QSaveFile>

bool commitWhole(QSaveFile& file, bool written, QString* error)
{
    if (written && file.flush() && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    // Without a commit the temporary file goes with the file object; the target is not touched.
    file.cancelWriting();
    return false;
}
