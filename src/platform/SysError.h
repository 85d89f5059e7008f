#pragma once
// Failures of the emulated machine. The code is the number the runtime reports
// for the same failure on the real machine (53 file not found, 61 disk full, ...),
// so the runtime layer can turn it into its own error without a translation table.
#include <QString>
#include <exception>

namespace platform {

enum ErrCode : int {
    ErrNone = 0,
    ErrBadFileName = 52,      // bad file name or number; a drive that is not ready for a listing
    ErrFileNotFound = 53,
    ErrBadFileMode = 54,
    ErrFileAlreadyOpen = 55,
    ErrDeviceIO = 57,
    ErrFileExists = 58,
    ErrDiskFull = 61,
    ErrInputPastEnd = 62,
    ErrTooManyFiles = 67,     // also: root directory full
    ErrDeviceUnavailable = 68,
    ErrPermissionDenied = 70,
    ErrDiskNotReady = 71,
    ErrPathFileAccess = 75,
    ErrPathNotFound = 76,
};

class SysError : public std::exception {
public:
    explicit SysError(int code, QString detail = {}) : code_(code), detail_(std::move(detail))
    {
        what_ = QStringLiteral("machine error %1 %2").arg(code_).arg(detail_).toStdString();
    }
    int code() const { return code_; }
    const QString& detail() const { return detail_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    int code_;
    QString detail_;
    std::string what_;
};

[[noreturn]] inline void fail(int code, const QString& detail = {}) { throw SysError(code, detail); }

} // namespace platform
