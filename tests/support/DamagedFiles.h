#pragma once
// The forms a stored file of the program takes when it is there but is no file the program
// wrote: something else in its place, nothing in it, or a form no writer gives it. Each
// makes the damage at a host path (of a file that may or may not be there yet).
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QString>
#include <functional>

namespace testsupport {

struct Damage {
    const char* name;
    std::function<void(const QString& hostPath)> make;
};

inline void replaceFile(const QString& hostPath, const QByteArray& bytes)
{
    QFile::remove(hostPath);
    QFile f(hostPath);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

// A list file (trelvo.usr, Config<n>.usr): the count line, the entries, an empty line.
inline QList<Damage> listFileDamages(bool emptyIsDamage)
{
    QList<Damage> rows = {
        {"a folder in its place",
         [](const QString& p) {
             QFile::remove(p);
             QDir().mkpath(p);
         }},
        {"a dangling link in its place",
         [](const QString& p) {
             QFile::remove(p);
             QFile::link(p + QStringLiteral(".gone"), p);
         }},
        {"one line of 1 MB", [](const QString& p) { replaceFile(p, QByteArray(1 << 20, 'x')); }},
        {"no count line", [](const QString& p) { replaceFile(p, "C:\\AUTOEXEC.BAT\r\nC:\\CONFIG.SYS\r\n\r\n"); }},
    };
    if (emptyIsDamage)
        rows.append({"empty", [](const QString& p) { replaceFile(p, QByteArray()); }});
    return rows;
}

} // namespace testsupport
