#include "core/SaveFile.h"

#include "core/ProgramError.h"
#include "core/WriteTrouble.h"
#include "platform/WholeFile.h"

bool SaveProgramFile(const QString& path, const QByteArray& bytes, mode_t newFileMode)
{
    platform::FileWriteError error;
    return ReportWriteOutcome(path, platform::ReplaceWholeFile(path, bytes, &error, newFileMode), error);
}

void SaveUserFile(const QString& path, const QByteArray& bytes)
{
    platform::WholeFileWriter file(path);
    if (!file.open())
        throw ProgramError(err::kPathAccess, file.error().text);
    if (!file.write(bytes.constData(), bytes.size()) || !file.commit())
        throw ProgramError(ErrorNumberForErrno(file.error().code), file.error().text);
}
