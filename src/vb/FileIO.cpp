#include "vb/FileIO.h"
#include "platform/Cp1252.h"
#include "platform/FileSystem.h"
#include "platform/SysError.h"
#include "platform/WinPath.h"
#include "vb/Error.h"

#include <QList>
#include <algorithm>
#include <array>
#include <memory>
#include <optional>

namespace vb {

namespace fs = platform::fs;

namespace {

// Runs a machine operation and turns its failure into the runtime's error.
template <class F>
auto machineCall(F&& f) -> decltype(f())
{
    try {
        return f();
    } catch (const platform::SysError& e) {
        throw Error(e.code());
    }
}

struct DirState {
    QList<QString> names;
    int next = 0;
    bool active = false;
};
DirState& dirState()
{
    static DirState s;
    return s;
}

struct OpenFile {
    fs::File file;
    OpenMode mode = OpenMode::Input;
    bool readOnly = false;   // Input, or Binary with Access Read
    QString host;
    // Read buffer of the sequential modes.
    QByteArray buf;
    qsizetype bufPos = 0;
    qint64 bufStart = 0;   // file position of buf[0]
    bool filled(qsizetype need)
    {
        while (buf.size() - bufPos < need) {
            const QByteArray more = file.read(64 * 1024);
            if (more.isEmpty())
                return buf.size() - bufPos >= need;
            if (bufPos > 0) {
                bufStart += bufPos;
                buf.remove(0, bufPos);
                bufPos = 0;
            }
            buf += more;
        }
        return true;
    }
    int peek()
    {
        if (!filled(1))
            return -1;
        return static_cast<unsigned char>(buf[bufPos]);
    }
    int take()
    {
        const int c = peek();
        if (c >= 0)
            ++bufPos;
        return c;
    }
};

std::array<std::unique_ptr<OpenFile>, 256>& files()
{
    static std::array<std::unique_ptr<OpenFile>, 256> f;
    return f;
}

OpenFile& opened(int n)
{
    if (n < 1 || n > 255 || !files()[n])
        throw Error(52);
    return *files()[n];
}

} // namespace

// ---- Dir --------------------------------------------------------------------

QString Dir(const QString& pathname, int attributes)
{
    DirState& s = dirState();
    s = DirState();
    const QString spec = pathname.isEmpty() ? QStringLiteral("*.*") : pathname;
    const QList<fs::Entry> entries = machineCall([&] {
        try {
            return fs::find(spec, quint32(attributes));
        } catch (const platform::SysError&) {
            throw platform::SysError(52);   // a listing of a drive that is not ready
        }
    });
    for (const fs::Entry& e : entries)
        s.names << e.name;
    s.active = true;
    return Dir();
}

QString Dir()
{
    DirState& s = dirState();
    if (!s.active)
        throw Error(5);
    if (s.next >= s.names.size())
        return {};
    return s.names[s.next++];
}

// ---- files and folders -------------------------------------------------------

void FileCopy(const QString& source, const QString& destination)
{
    machineCall([&] { fs::copyFile(source, destination); });
}

void Kill(const QString& pathname)
{
    machineCall([&] {
        const QList<fs::Entry> hits = fs::find(pathname, vbNormal | vbReadOnly);
        QString folder = pathname;
        const int cut = qMax(folder.lastIndexOf(u'\\'), folder.lastIndexOf(u'/'));
        folder = cut >= 0 ? folder.left(cut + 1) : (folder.size() >= 2 && folder[1] == u':' ? folder.left(2) : QString());
        int removed = 0;
        for (const fs::Entry& e : hits) {
            if (e.isDir())
                continue;
            fs::removeFile(folder + e.name);
            ++removed;
        }
        if (!removed)
            throw platform::SysError(platform::ErrFileNotFound);
    });
}

void MkDir(const QString& path) { machineCall([&] { fs::createDirectory(path); }); }
void RmDir(const QString& path) { machineCall([&] { fs::removeDirectory(path); }); }
void Name(const QString& oldPath, const QString& newPath) { machineCall([&] { fs::rename(oldPath, newPath); }); }

qint64 FileLen(const QString& pathname)
{
    return machineCall([&] {
        const fs::Entry e = fs::stat(pathname);
        return e.isDir() ? qint64(0) : e.size;
    });
}

QDateTime FileDateTime(const QString& pathname)
{
    return machineCall([&] { return fs::stat(pathname).modified; });
}

int GetAttr(const QString& pathname)
{
    return machineCall([&] { return int(fs::attributes(pathname)); });
}

void SetAttr(const QString& pathname, int attributes)
{
    if (attributes & (vbVolume | vbDirectory))
        throw Error(5);
    machineCall([&] { fs::setAttributes(pathname, quint32(attributes)); });
}

void ChDir(const QString& path)
{
    machineCall([&] { fs::machine().setCurrentDir(path); });
}

void ChDrive(const QString& drive)
{
    const QString d = drive.trimmed();
    if (d.isEmpty())
        return;
    if (!d[0].isLetter())
        throw Error(68);
    machineCall([&] {
        if (fs::machine().driveKind(d[0]) == platform::DriveKind::None)
            throw platform::SysError(68);
        fs::machine().setCurrentDrive(d[0]);
    });
}

QString CurDir(const QString& drive)
{
    const QString d = drive.trimmed();
    if (d.isEmpty())
        return fs::machine().currentDir();
    if (fs::machine().driveKind(d[0]) == platform::DriveKind::None)
        throw Error(68);
    return fs::machine().currentDir(d[0]);
}

// ---- open files ---------------------------------------------------------------

int FreeFile()
{
    for (int i = 1; i < 256; ++i)
        if (!files()[i])
            return i;
    throw Error(67);
}

bool IsOpen(int fileNumber) { return fileNumber >= 1 && fileNumber <= 255 && files()[fileNumber]; }

void Open(const QString& pathname, OpenMode mode, int fileNumber, OpenAccess access)
{
    if (fileNumber < 1 || fileNumber > 255)
        throw Error(52);
    if (files()[fileNumber])
        throw Error(55);
    auto f = std::make_unique<OpenFile>();
    f->mode = mode;
    f->readOnly = mode == OpenMode::Input || (mode == OpenMode::Binary && access == OpenAccess::Read);
    machineCall([&] {
        const platform::Machine::OneReading reading(fs::machine());   // one look at the drives for the open
        const platform::Resolved r = fs::resolveReady(pathname);
        f->host = r.host();
        for (const auto& other : files())
            if (other && other->host == f->host && !(f->readOnly && other->readOnly))
                throw platform::SysError(platform::ErrFileAlreadyOpen);
        fs::File::Mode m = fs::File::Read;
        if (mode == OpenMode::Output)
            m = fs::File::Write;
        else if (mode == OpenMode::Append)
            m = fs::File::Append;
        else if (mode == OpenMode::Binary && !f->readOnly)
            m = fs::File::ReadWrite;
        f->file.open(r, pathname, m);
        if (mode == OpenMode::Append)
            f->bufStart = f->file.size();
    });
    files()[fileNumber] = std::move(f);
}

void Close(int fileNumber)
{
    if (fileNumber < 1 || fileNumber > 255 || !files()[fileNumber])
        return;
    // The number is free again whatever the close reports.
    const std::unique_ptr<OpenFile> f = std::move(files()[fileNumber]);
    machineCall([&] { f->file.close(); });
}

void CloseAll()
{
    std::optional<Error> first;
    for (int n = 1; n < 256; ++n) {
        try {
            Close(n);
        } catch (const Error& e) {
            if (!first)
                first = e;
        }
    }
    if (first)
        throw *first;
}

QString LineInput(int fileNumber)
{
    OpenFile& f = opened(fileNumber);
    if (f.mode != OpenMode::Input)
        throw Error(54);
    if (f.peek() < 0)
        throw Error(62);
    // The line ends at CR, LF or CR LF; it is taken a buffer's worth at a time.
    QByteArray line;
    while (f.filled(1)) {
        const char* begin = std::as_const(f.buf).constData() + f.bufPos;
        const char* end = begin + (f.buf.size() - f.bufPos);
        const char* stop = std::find_if(begin, end, [](char c) { return c == '\r' || c == '\n'; });
        line.append(begin, stop - begin);
        f.bufPos += stop - begin;
        if (stop != end) {
            if (f.take() == '\r' && f.peek() == '\n')
                f.take();
            break;
        }
    }
    return platform::cp1252::decode(line);
}

QString InputItem(int fileNumber)
{
    OpenFile& f = opened(fileNumber);
    if (f.mode != OpenMode::Input)
        throw Error(54);
    if (f.peek() < 0)
        throw Error(62);
    while (f.peek() == ' ' || f.peek() == '\t')
        f.take();
    QByteArray item;
    auto endOfLine = [&](int c) {
        if (c == '\r' && f.peek() == '\n')
            f.take();
    };
    if (f.peek() == '"') {
        f.take();
        for (;;) {
            const int c = f.take();
            if (c < 0 || c == '"')
                break;
            item += char(c);
        }
        // What follows the closing quote up to the next comma or line end is dropped.
        for (;;) {
            const int c = f.take();
            if (c < 0 || c == ',')
                break;
            if (c == '\r' || c == '\n') {
                endOfLine(c);
                break;
            }
        }
    } else {
        for (;;) {
            const int c = f.take();
            if (c < 0 || c == ',')
                break;
            if (c == '\r' || c == '\n') {
                endOfLine(c);
                break;
            }
            item += char(c);
        }
        while (item.endsWith(' '))
            item.chop(1);
    }
    return platform::cp1252::decode(item);
}

static void writeText(int fileNumber, const QString& text)
{
    OpenFile& f = opened(fileNumber);
    if (f.mode == OpenMode::Input)
        throw Error(54);
    machineCall([&] { f.file.write(platform::cp1252::encode(text)); });
}

void Print(int fileNumber, const QString& text) { writeText(fileNumber, text + QStringLiteral("\r\n")); }
void PrintPart(int fileNumber, const QString& text) { writeText(fileNumber, text); }

bool Eof(int fileNumber)
{
    OpenFile& f = opened(fileNumber);
    if (f.mode == OpenMode::Input)
        return f.peek() < 0;
    return f.file.pos() >= f.file.size();
}

qint64 Lof(int fileNumber) { return opened(fileNumber).file.size(); }

qint64 Seek(int fileNumber)
{
    OpenFile& f = opened(fileNumber);
    if (f.mode == OpenMode::Input)
        return f.bufStart + f.bufPos + 1;
    return f.file.pos() + 1;
}

void SeekTo(int fileNumber, qint64 position)
{
    OpenFile& f = opened(fileNumber);
    if (position < 1)
        throw Error(63);
    f.buf.clear();
    f.bufPos = 0;
    f.bufStart = position - 1;
    f.file.seek(position - 1);
}

QByteArray Get(int fileNumber, qint64 length, qint64 position)
{
    OpenFile& f = opened(fileNumber);
    if (f.mode != OpenMode::Binary)
        throw Error(54);
    if (position == 0 || position < -1)
        throw Error(63);
    if (position > 0)
        f.file.seek(position - 1);
    QByteArray out = machineCall([&] { return f.file.read(length); });
    // Reading past the end leaves the rest of the variable as it was: zeros for a new buffer.
    if (out.size() < length)
        out.append(QByteArray(length - out.size(), '\0'));
    return out;
}

void Put(int fileNumber, const QByteArray& bytes, qint64 position)
{
    OpenFile& f = opened(fileNumber);
    if (f.mode != OpenMode::Binary)
        throw Error(54);
    if (position == 0 || position < -1)
        throw Error(63);
    machineCall([&] {
        if (position > 0)
            f.file.seek(position - 1);
        f.file.write(bytes);
    });
}

qint64 CopyBinary(int from, int to, qint64 length)
{
    if (from < 1 || from > 255 || to < 1 || to > 255 || !files()[from] || !files()[to])
        return 0;
    OpenFile& in = *files()[from];
    OpenFile& out = *files()[to];
    if (in.mode != OpenMode::Binary || out.mode != OpenMode::Binary || out.readOnly || length <= 0)
        return 0;
    const qint64 start = out.file.pos();
    try {
        return out.file.writeFrom(in.file, length);
    } catch (const platform::SysError&) {
        return out.file.pos() - start;
    }
}

} // namespace vb
