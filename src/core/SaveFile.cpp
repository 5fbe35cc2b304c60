#include "core/SaveFile.h"

#include "core/ProgramError.h"

#include <QSaveFile>

void SaveUserFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw ProgramError(err::kPathAccess, path);
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw ProgramError(err::kDiskFull, path);
}
