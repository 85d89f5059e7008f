// The main of a fuzz target built without libFuzzer: runs every file of the folders named on
// the command line (and every file named), in name order, through the target once. The test
// run replays each target's corpus so; a broken invariant aborts it, naming the file.
#include "FuzzTarget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {
bool g_replayed = false;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    QStringList inputs;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (QFileInfo(arg).isDir()) {
            for (const QFileInfo& f : QDir(arg).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name))
                inputs << f.filePath();
        } else {
            inputs << arg;
        }
    }
    if (inputs.isEmpty()) {
        std::fprintf(stderr, "usage: %s CORPUS-FOLDER|FILE...: no input to replay\n", argv[0]);
        return 2;
    }
    // An input that ends the process some other way must not pass for a whole replay.
    std::atexit([] {
        if (!g_replayed) {
            std::fprintf(stderr, "the process ended before the replay was through\n");
            _exit(1);
        }
    });
    for (const QString& input : inputs) {
        QFile f(input);
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(input));
            return 2;
        }
        const QByteArray bytes = f.readAll();
        fuzz::setInputName(input);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
    }
    g_replayed = true;
    std::printf("%lld inputs replayed\n", static_cast<long long>(inputs.size()));
    return 0;
}
