#include "core/ProgramError.h"

#include <QHash>

#include <new>

ProgramError::ProgramError(int number, const QString& detail)
    : std::runtime_error(
          (ErrorDescription(number) + (detail.isEmpty() ? QString() : QStringLiteral(": ") + detail))
              .toStdString()),
      number_(number)
{
}

QString ErrorDescription(int number)
{
    static const QHash<int, QString> descriptions{
        {err::kInvalidCall, QStringLiteral("Invalid procedure call or argument")},
        {err::kOverflow, QStringLiteral("Overflow")},
        {err::kOutOfMemory, QStringLiteral("Out of memory")},
        {err::kSubscript, QStringLiteral("Subscript out of range")},
        {err::kTypeMismatch, QStringLiteral("Type mismatch")},
        {err::kInternal, QStringLiteral("Internal error")},
        {err::kBadFileName, QStringLiteral("Bad file name or number")},
        {err::kFileNotFound, QStringLiteral("File not found")},
        {err::kDeviceIo, QStringLiteral("Device I/O error")},
        {err::kDiskFull, QStringLiteral("Disk full")},
        {err::kPermissionDenied, QStringLiteral("Permission denied")},
        {err::kPathAccess, QStringLiteral("Path/File access error")},
        {err::kPathNotFound, QStringLiteral("Path not found")},
        {err::kObjectNotSet, QStringLiteral("Object variable not set")},
        {err::kInvalidProperty, QStringLiteral("Invalid property value")},
        {err::kNonModalWhileModal,
         QStringLiteral("Can't show non-modal window when modal window is displayed")},
    };
    return descriptions.value(number, QStringLiteral("Application-defined or object-defined error"));
}

int ErrorNumberOf(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const ProgramError& e) {
        return e.number();
    } catch (const std::bad_alloc&) {
        return err::kOutOfMemory;
    } catch (const std::out_of_range&) {
        return err::kSubscript;
    } catch (...) {
        return err::kInternal;
    }
}
