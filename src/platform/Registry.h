#pragma once
// The machine's registry, read from registry.reg (REGEDIT4 text, Windows-1252), and the
// read-only calls the programs make on it with the calling conventions they expect of
// Windows: open a key (relative to a root or to a key already open), ask for a value's
// type and size, then for its data, close the key. Nothing here writes the registry.
// The value "Remote Connection" of the dial-up services' key follows the machine's
// dial-up state (platform/DialUp.h) rather than the file.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>

namespace platform::reg {

using HKEY = quint32;

inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002;
inline constexpr HKEY HKEY_USERS = 0x80000003;
inline constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005;
inline constexpr HKEY HKEY_DYN_DATA = 0x80000006;

inline constexpr quint32 REG_NONE = 0;
inline constexpr quint32 REG_SZ = 1;
inline constexpr quint32 REG_EXPAND_SZ = 2;
inline constexpr quint32 REG_BINARY = 3;
inline constexpr quint32 REG_DWORD = 4;
inline constexpr quint32 REG_MULTI_SZ = 7;

inline constexpr long ERROR_SUCCESS = 0;
inline constexpr long ERROR_FILE_NOT_FOUND = 2;
inline constexpr long ERROR_INVALID_HANDLE = 6;
inline constexpr long ERROR_INVALID_PARAMETER = 87;
inline constexpr long ERROR_MORE_DATA = 234;

inline constexpr quint32 KEY_ALL_ACCESS = 0xF003F;
inline constexpr quint32 KEY_READ = 0x20019;

// One parsed registry file. Keys are named by a root and a path below it
// ("Software\Microsoft"); key and value names compare without regard to case.
class Registry {
public:
    struct Value {
        QString name;          // as written; "" for the default value "@"
        quint32 type = REG_NONE;
        QByteArray data;       // as the data call delivers it: a string with its NUL, a dword in 4 little-endian bytes
    };

    // What stands in the way of reading the file whole: the first line that cannot be read
    // (1-based; 0 when the fault is the file's as a whole) and what is wrong with it.
    struct Problem {
        enum Kind {
            Missing,       // no file
            Folder,        // a folder in its place
            LinkToNothing,
            NotReadable,   // no right to read it, or the host fails to
            Empty,
            NoHeader,      // the first line is not REGEDIT4
            BadKey,        // "[" without its "]"
            UnknownRoot,   // a key below no root the registry has
            BadValue,      // a value whose name or data cannot be read
            OutsideKey,    // a value before the first key
            NotAnEntry,    // neither a key, nor a value, nor a comment
            CutShort,      // the file ends within its last line
        };
        Kind kind = Missing;
        int line = 0;
    };

    // REGEDIT4 text, its lines ended by CR LF, LF or CR alone. A text without the
    // "REGEDIT4" header gives an empty registry; a line that cannot be read is skipped, and
    // the first such line is the problem(). A later value of the same name in the same key
    // replaces an earlier one.
    static Registry parse(const QByteArray& bytes);
    // The file at `hostPath`; one that is missing or cannot be read gives an empty registry
    // with its problem.
    static Registry read(const QString& hostPath);
    const std::optional<Problem>& problem() const { return problem_; }

    // A key exists when a section names it or a key below it; a root always exists.
    bool hasKey(HKEY root, const QString& path) const;
    const Value* value(HKEY root, const QString& path, const QString& name) const;

private:
    using Values = QHash<QString, Value>;                 // folded value name -> value
    QHash<QString, Values> keys_;                         // folded "ROOT\PATH" -> values
    std::optional<Problem> problem_;
};

// The problem of the machine's registry.reg as it stands (read again when it changed), if any.
std::optional<Registry::Problem> MachineRegistryProblem();
// The host path of the machine's registry file.
QString MachineRegistryFile();

// Windows 98 keeps no security on keys: `options` and `sam` are taken as given.
// On failure *result is 0, a handle on which every later call fails.
long RegOpenKeyEx(HKEY root, const QString& subKey, quint32 options, quint32 sam, HKEY* result);
// As above; an empty `subKey` gives back `root` itself rather than a new handle.
long RegOpenKey(HKEY root, const QString& subKey, HKEY* result);
// `valueName` "" is the key's default value. With `data` null only *type and *size
// are filled (either may be null). Otherwise *size gives the room the caller has:
// when it is enough, *data receives the value's bytes and *size their count; when
// not, the result is ERROR_MORE_DATA and *size the count needed.
long RegQueryValueEx(HKEY key, const QString& valueName, quint32* type, QByteArray* data, quint32* size);
long RegCloseKey(HKEY key);

} // namespace platform::reg
