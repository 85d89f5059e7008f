#include "vb/Error.h"

#include <QHash>

namespace vb {

static const QHash<int, QString>& texts()
{
    static const QHash<int, QString> t = {
        {3, QStringLiteral("Return without GoSub")},
        {5, QStringLiteral("Invalid procedure call or argument")},
        {6, QStringLiteral("Overflow")},
        {7, QStringLiteral("Out of memory")},
        {9, QStringLiteral("Subscript out of range")},
        {10, QStringLiteral("This array is fixed or temporarily locked")},
        {11, QStringLiteral("Division by zero")},
        {13, QStringLiteral("Type mismatch")},
        {14, QStringLiteral("Out of string space")},
        {16, QStringLiteral("Expression too complex")},
        {17, QStringLiteral("Can't perform requested operation")},
        {18, QStringLiteral("User interrupt occurred")},
        {20, QStringLiteral("Resume without error")},
        {28, QStringLiteral("Out of stack space")},
        {35, QStringLiteral("Sub or Function not defined")},
        {47, QStringLiteral("Too many DLL application clients")},
        {48, QStringLiteral("Error in loading DLL")},
        {49, QStringLiteral("Bad DLL calling convention")},
        {51, QStringLiteral("Internal error")},
        {52, QStringLiteral("Bad file name or number")},
        {53, QStringLiteral("File not found")},
        {54, QStringLiteral("Bad file mode")},
        {55, QStringLiteral("File already open")},
        {57, QStringLiteral("Device I/O error")},
        {58, QStringLiteral("File already exists")},
        {59, QStringLiteral("Bad record length")},
        {61, QStringLiteral("Disk full")},
        {62, QStringLiteral("Input past end of file")},
        {63, QStringLiteral("Bad record number")},
        {67, QStringLiteral("Too many files")},
        {68, QStringLiteral("Device unavailable")},
        {70, QStringLiteral("Permission denied")},
        {71, QStringLiteral("Disk not ready")},
        {74, QStringLiteral("Can't rename with different drive")},
        {75, QStringLiteral("Path/File access error")},
        {76, QStringLiteral("Path not found")},
        {91, QStringLiteral("Object variable or With block variable not set")},
        {92, QStringLiteral("For loop not initialized")},
        {93, QStringLiteral("Invalid pattern string")},
        {94, QStringLiteral("Invalid use of Null")},
        {321, QStringLiteral("Invalid file format")},
        {322, QStringLiteral("Can't create necessary temporary file")},
        {325, QStringLiteral("Invalid format in resource file")},
        {326, QStringLiteral("Resource with identifier '%1' not found")},
        {340, QStringLiteral("Control array element '%1' doesn't exist")},
        {360, QStringLiteral("Object already loaded")},
        {364, QStringLiteral("Object was unloaded")},
        {380, QStringLiteral("Invalid property value")},
        {381, QStringLiteral("Invalid property array index")},
        {383, QStringLiteral("'Item' property is read-only")},
        {387, QStringLiteral("'Item' property can't be set")},
        {400, QStringLiteral("Form already displayed; can't show modally")},
        {401, QStringLiteral("Can't show non-modal form when modal form is displayed")},
        {423, QStringLiteral("Property or method not found")},
        {424, QStringLiteral("Object required")},
        {438, QStringLiteral("Object doesn't support this property or method")},
        {440, QStringLiteral("Automation error")},
        {445, QStringLiteral("Object doesn't support this action")},
        {449, QStringLiteral("Argument not optional")},
        {481, QStringLiteral("Invalid picture")},
    };
    return t;
}

QString ErrorText(int number)
{
    if (number == 0)
        return {};
    const auto it = texts().constFind(number);
    if (it == texts().constEnd())
        return QStringLiteral("Application-defined or object-defined error");
    QString t = *it;
    return t.replace(QStringLiteral("%1"), QString());
}

Error::Error(int number, QString description) : number_(number), description_(std::move(description))
{
    if (description_.isEmpty())
        description_ = ErrorText(number_);
    what_ = QStringLiteral("run-time error %1: %2").arg(number_).arg(description_).toStdString();
}

void Raise(int number) { throw Error(number); }

int ResumeNext(const std::function<void()>& statement)
{
    try {
        statement();
        return 0;
    } catch (const Error& e) {
        Err().Set(e);
        return e.Number();
    }
}

ErrObject& Err()
{
    static ErrObject e;
    return e;
}

} // namespace vb
