#pragma once
// Hand-written settings and registry files on the test machine, and the settings file
// read back line by line.
#include "platform/Profile.h"
#include "support/TempMachine.h"

#include <QFile>
#include <QStringList>

namespace coretest {

inline QByteArray crlf(QByteArray text) { return text.replace("\r\n", "\n").replace("\n", "\r\n"); }

inline void writeSettings(const testsupport::TempMachine& tm, const QByteArray& text)
{
    tm.writeC(QStringLiteral("Program Files/Trelvo/trelvo.ini"), crlf(text));
    platform::profile::forgetCache();
}

// The non-empty lines of trelvo.ini, in file order.
inline QStringList settingsLines(const testsupport::TempMachine& tm)
{
    return QString::fromLatin1(tm.readC(QStringLiteral("Program Files/Trelvo/trelvo.ini"))).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

inline void writeRegistry(const testsupport::TempMachine& tm, const QByteArray& text)
{
    QFile f(tm.dir() + QStringLiteral("/registry.reg"));
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(crlf("REGEDIT4\n\n" + text));
}

// The lines of Error.log.
inline QStringList errorLogLines(const testsupport::TempMachine& tm)
{
    return QString::fromLatin1(tm.readC(QStringLiteral("Program Files/Trelvo/Error.log"))).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

} // namespace coretest
