#pragma once
// Run-time errors of the runtime: a number and its standard text, thrown by every
// statement that fails. Procedures choose their own error mode around the calls
// (a handler, "resume next", retry loops, or none).
#include <QString>
#include <exception>
#include <functional>
#include <string>

namespace vb {

class Error : public std::exception {
public:
    explicit Error(int number, QString description = {});
    int Number() const { return number_; }
    const QString& Description() const { return description_; }
    const char* what() const noexcept override { return what_.c_str(); }

private:
    int number_;
    QString description_;
    std::string what_;
};

// The standard text of an error number ("" for 0; "Application-defined or
// object-defined error" for a number without a text of its own).
QString ErrorText(int number);

[[noreturn]] void Raise(int number);

// Runs one statement in "resume next" mode: a run-time error is swallowed. Returns the
// error number (0 when the statement ran).
int ResumeNext(const std::function<void()>& statement);

// The error of the last statement that failed under a handler of the caller's
// (the Err object): handlers that log "the current error" read it from here.
struct ErrObject {
    int Number = 0;
    QString Description;
    void Clear() { Number = 0; Description.clear(); }
    void Set(const Error& e) { Number = e.Number(); Description = e.Description(); }
};
ErrObject& Err();

} // namespace vb
