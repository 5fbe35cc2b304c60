#pragma once

#include <QString>

#include <exception>
#include <stdexcept>

// The numbered errors that procedures trap and hand to LogError. The numbers
// are the classic run-time error numbers that error.log has always shown.
namespace err {
inline constexpr int kInvalidCall = 5;
inline constexpr int kOverflow = 6;
inline constexpr int kOutOfMemory = 7;
inline constexpr int kSubscript = 9;
inline constexpr int kTypeMismatch = 13;
inline constexpr int kInternal = 51;
inline constexpr int kBadFileName = 52;
inline constexpr int kFileNotFound = 53;
inline constexpr int kDeviceIo = 57;
inline constexpr int kDiskFull = 61;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kPathAccess = 75;
inline constexpr int kPathNotFound = 76;
inline constexpr int kObjectNotSet = 91;
inline constexpr int kInvalidProperty = 380;
inline constexpr int kNonModalWhileModal = 401;
} // namespace err

class ProgramError : public std::runtime_error {
  public:
    explicit ProgramError(int number, const QString& detail = QString());
    int number() const { return number_; }

  private:
    int number_;
};

QString ErrorDescription(int number);

// The error number that a caught exception stands for.
int ErrorNumberOf(const std::exception_ptr& error);

// Runs body; an exception it throws is logged under procedure and swallowed,
// the way every procedure traps its own errors. Returns false on error.
template <class Body> bool TrapErrors(const char* procedure, Body&& body);

void LogError(int number, const QString& procedure);

template <class Body> bool TrapErrors(const char* procedure, Body&& body)
{
    try {
        body();
        return true;
    } catch (...) {
        LogError(ErrorNumberOf(std::current_exception()), QString::fromLatin1(procedure));
        return false;
    }
}
