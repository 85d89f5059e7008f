// The update list as skyfetch reads it. The input is skyfetch.txt as fetched into the download
// folder. Reading it, weighing the offer and checking a download's length raise no run-time
// error (what is no usable list is told, and the program ends or the connect pass tries again);
// the list read is not left behind; a list taken names an update file in the download folder
// itself.
#include "FuzzTarget.h"
#include "platform/Machine.h"
#include "webupdate/ProgramState.h"
#include "webupdate/Registration.h"
#include "webupdate/UpdateList.h"
#include "webupdate/frmSkyfetch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace webupdate;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString machine = fuzz::freshMachineWithWindows(webupdate::registerWindows);
    const QString working = QStringLiteral("C:\\Program Files\\Trelvo\\updates\\");
    const QString hostWorking = machine + QStringLiteral("/drive_c/Program Files/Trelvo/updates/");
    QDir().mkpath(hostWorking);
    QFile list(hostWorking + QStringLiteral("skyfetch.txt"));
    fuzz::require(list.open(QIODevice::WriteOnly) && list.write(fuzz::bytesOf(data, size)) == qint64(size), QStringLiteral("cannot write the input"));
    list.close();

    vb::TextBox& text = frmSkyfetch().Text1;
    webupdate::resetState();
    ProgramState& s = webupdate::state();
    s.gsMajorVersion = QStringLiteral("2");
    s.giMinorVersion = 0;
    ListRead read = ListRead::Retry;
    const bool wentOn = fuzz::handlesItsErrors("the list's reading", [&] { read = ReadUpdateList(working, text); });
    fuzz::require(!list.exists(), QStringLiteral("the list read is left behind"));
    if (!wentOn || read == ListRead::Retry)
        return 0;

    const platform::Resolved update = platform::Machine::current().resolve(working + s.gsUpdateFile);
    fuzz::require(update.ok() && update.components.size() == 4 && update.parentHost() + u'/' == hostWorking,
                  QStringLiteral("the update file \"%1\" is not in the download folder").arg(s.gsUpdateFile));
    fuzz::handlesItsErrors("the offer", [] {
        if (UpdateOffered())
            OfferText(QString());
        DownloadAddress();
    });
    // A download of three bytes: any other announced length is told and ends the program. (A
    // name of more than 255 bytes in the host's encoding is one the host cannot hold.)
    s.gsInstallDir = working + s.gsUpdateFile;
    QFile download(update.host());
    if (!download.open(QIODevice::WriteOnly) || download.write("abc") != 3)
        return 0;
    download.close();
    fuzz::handlesItsErrors("the length check", CheckDownloadedLength);
    return 0;
}
