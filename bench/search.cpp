// The file search by type against find. A machine is generated with a folder tree on drive
// C: (folders nested a few levels deep, files of mixed types spread over them); the program
// starts, and the user's search is run through its real windows: Search... in the user-file
// window, the type "*.doc", the tree's top folder, subfolders included, OK; the walk of the
// search window runs up to its question, which is answered No. By hand, the host's
// `find FOLDER -iname '*.doc'` walks the same tree, its list going to /dev/null. The two
// are run in turn, interleaved; the medians and their ratio are printed, and both must
// have found the same number of files.
//
//   search [--files N] [--folders F] [--runs R] [--seed S] [--tree DIR]
//   (defaults: 100000 files in 5000 folders, 5 runs; with --tree the generated tree is kept
//   in the host folder DIR afterwards, and a DIR that exists already is searched instead of a
//   new tree: it is moved onto the machine's drive C: for the run and back again)
#include "core/ProgramState.h"
#include "support/TempMachine.h"
#include "ui/AddUser.h"
#include "ui/Form1.h"
#include "ui/Form2.h"
#include "ui/UserFiles.h"
#include "vb/ScriptUi.h"
#include "vb/UiServices.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

struct Options {
    int files = 100000;
    int folders = 5000;
    int runs = 5;
    quint32 seed = 2024;
    QString tree;
};

Options parse(const QStringList& args)
{
    Options o;
    for (int i = 1; i < args.size(); ++i) {
        const QString& name = args[i];
        const QString value = args.value(++i);
        if (name == u"--files")
            o.files = qMax(1, value.toInt());
        else if (name == u"--folders")
            o.folders = qMax(1, value.toInt());
        else if (name == u"--runs")
            o.runs = qMax(1, value.toInt());
        else if (name == u"--seed")
            o.seed = value.toUInt();
        else if (name == u"--tree")
            o.tree = QDir(value).absolutePath();
        else
            std::fprintf(stderr, "unknown option %s\n", qPrintable(name));
    }
    return o;
}

const QString kTreeRel = QStringLiteral("Search Tree");
const QString kTreeWin = QStringLiteral("C:\\Search Tree\\");

// Folders whose parents are earlier folders, at most six levels below the top, so that the
// tree is wide and a few levels deep; files of several types with blanks and mixed case in
// their names, about one in five a match.
void generateTree(const testsupport::TempMachine& tm, const Options& o)
{
    QRandomGenerator gen(o.seed);
    static const char* const words[] = {"Letters", "Invoices", "Project", "Photos", "Archive", "Budget", "Notes", "Old"};
    QStringList folders = {tm.hostC(kTreeRel)};
    QList<int> depth = {0};
    QDir().mkpath(folders[0]);
    for (int i = 1; i < o.folders; ++i) {
        int parent = int(gen.bounded(i));
        while (depth[parent] >= 6)
            parent = int(gen.bounded(i));
        const QString name = QStringLiteral("%1 %2").arg(QString::fromLatin1(words[gen.bounded(8)])).arg(i);
        folders << folders[parent] + u'/' + name;
        depth << depth[parent] + 1;
        QDir().mkdir(folders.last());
    }
    static const char* const kinds[] = {"doc", "txt", "DOC", "xls", "bmp", "ini", "docx", "htm", "Txt", "xls"};
    for (int i = 0; i < o.files; ++i) {
        const QString& folder = folders[i % folders.size()];
        const QString name = QStringLiteral("%1 file %2.%3")
                                 .arg(QString::fromLatin1(words[gen.bounded(8)]))
                                 .arg(i)
                                 .arg(QString::fromLatin1(kinds[gen.bounded(10)]));
        QFile f(folder + u'/' + name);
        f.open(QIODevice::WriteOnly);
    }
}

// The answer to the question at the end of the search, and the moment it came.
class BenchUi : public vb::ScriptUi {
public:
    BenchUi() : vb::ScriptUi(vb::AnswerScript::parse(QString(), nullptr)) {}
    int MsgBox(const vb::MessageBoxRequest& request) override
    {
        if (request.prompt.startsWith(QStringLiteral("Trelvo has found"))) {
            askedAt = clock.nsecsElapsed();
            found = request.prompt.section(u' ', 3, 4).trimmed().toInt();
            return vb::vbNo;
        }
        return request.defaultResult();
    }
    QElapsedTimer clock;
    qint64 askedAt = -1;
    int found = -1;
};

// One search as the user runs it; the time from OK to the question.
qint64 searchOnce(BenchUi& ui)
{
    ui::UserFilesForm& userFiles = ui::UserFiles();
    userFiles.Show();
    userFiles.Command5_Click();
    ui::AddUserForm& dialog = ui::AddUser();
    dialog.Combo1.setText(QStringLiteral("*.doc"));
    dialog.Combo2.setText(kTreeWin);
    dialog.Check1.setValue(1);
    ui.askedAt = -1;
    ui.clock.start();
    dialog.Command1_Click();
    userFiles.Hide();
    return ui.askedAt;
}

// find over the same folder, its list thrown away; returns the time, and counts the lines
// when asked to (then it writes them into a pipe).
qint64 findOnce(const QString& hostFolder, int* count)
{
    const QByteArray folder = QFile::encodeName(hostFolder);
    const char* argv[] = {"find", folder.constData(), "-iname", "*.doc", nullptr};
    if (count) {
        QProcess p;
        p.start(QStringLiteral("find"), {hostFolder, QStringLiteral("-iname"), QStringLiteral("*.doc")});
        p.waitForFinished(-1);
        *count = int(p.readAllStandardOutput().count('\n'));
        return 0;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    QElapsedTimer t;
    t.start();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "find", &actions, nullptr, const_cast<char**>(argv), environ) != 0) {
        std::fprintf(stderr, "find cannot be started\n");
        std::exit(1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const qint64 elapsed = t.nsecsElapsed();
    posix_spawn_file_actions_destroy(&actions);
    return elapsed;
}

double median(QList<qint64> v)
{
    std::sort(v.begin(), v.end());
    const qsizetype n = v.size();
    return n % 2 ? double(v[n / 2]) : (double(v[n / 2 - 1]) + double(v[n / 2])) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Options o = parse(app.arguments());

    testsupport::TempMachine tm;
    const QString treeHost = tm.hostC(kTreeRel);
    if (!o.tree.isEmpty() && QFileInfo(o.tree).isDir()) {
        if (!QDir().rename(o.tree, treeHost)) {
            std::fprintf(stderr, "%s cannot be moved onto the machine\n", qPrintable(o.tree));
            return 1;
        }
        std::printf("searching the tree of %s as %s on %s\n", qPrintable(o.tree), qPrintable(kTreeWin), qPrintable(tm.dir()));
    } else {
        std::printf("generating %d files in %d folders below %s on %s\n", o.files, o.folders, qPrintable(kTreeWin),
                    qPrintable(tm.dir()));
        generateTree(tm, o);
    }
    // Whatever happens below, a kept tree goes back where it belongs.
    struct KeepTree {
        QString from, to;
        ~KeepTree()
        {
            if (!to.isEmpty())
                QDir().rename(from, to);
        }
    } keep{treeHost, o.tree};
    auto owned = std::make_unique<BenchUi>();
    BenchUi& ui = *owned;
    vb::setUi(std::move(owned));
    ui::Form2().Timer1_Timer();   // the program's start-up, main window shown

    int byFind = 0;
    findOnce(treeHost, &byFind);
    searchOnce(ui);   // both warm: the tree is in the host's caches for either
    if (ui.found != byFind) {
        std::fprintf(stderr, "the search found %d files, find %d\n", ui.found, byFind);
        return 1;
    }
    std::printf("both find %d files\n", byFind);

    QList<qint64> searches;
    QList<qint64> finds;
    for (int run = 0; run < o.runs; ++run) {
        const qint64 search = searchOnce(ui);
        const qint64 found = findOnce(treeHost, nullptr);
        if (search < 0) {
            std::fprintf(stderr, "the search did not come to its question\n");
            return 1;
        }
        searches << search;
        finds << found;
        std::printf("run %d: search %.3f s, find %.3f s\n", run + 1, search / 1e9, found / 1e9);
    }
    const double s = median(searches);
    const double f = median(finds);
    std::printf("median of %d: search %.3f s, find -iname '*.doc' %.3f s, ratio %.2f (target <= 1.5)\n", o.runs, s / 1e9,
                f / 1e9, s / f);
    return 0;
}
