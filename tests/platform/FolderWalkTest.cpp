// The walk of the file search on real host folders: what it lists is what the machine's
// directory search lists, and it stays out of links to folders, folders it has listed,
// names the machine cannot name and paths too long for the system.
#include "platform/FileSystem.h"
#include "platform/FolderWalk.h"
#include "platform/WinPath.h"
#include "support/TempMachine.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <unistd.h>

using namespace platform;

namespace {

class FolderWalkTest : public testsupport::MachineTest {
protected:
    void TearDown() override
    {
        for (const QString& mount : mounts_)
            QProcess::execute(QStringLiteral("umount"), {mount});
    }

    void file(const QString& rel) { tm.writeC(rel, "x"); }
    void folder(const QString& rel) { QDir().mkpath(tm.hostC(rel)); }
    void link(const QString& rel, const QString& target)
    {
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), QFile::encodeName(tm.hostC(rel)).constData()), 0);
    }
    // The host's own folder bound a second time below itself; false when the host refuses.
    bool bind(const QString& rel, const QString& atRel)
    {
        folder(atRel);
        if (QProcess::execute(QStringLiteral("mount"), {QStringLiteral("--bind"), tm.hostC(rel), tm.hostC(atRel)}) != 0)
            return false;
        mounts_ << tm.hostC(atRel);
        return true;
    }

    // Every file of the walk below `start`, as full Windows paths, depth first as the
    // search goes; and the folders it listed.
    QStringList walkAll(const QString& start, QStringList* listed = nullptr)
    {
        fs::FolderWalk walk(start);
        QStringList files;
        if (!walk.ok())
            return files;
        std::function<void(const QString&)> visit = [&](const QString& folder) {
            const fs::FolderWalk::Listing listing = walk.list(folder);
            if (!listing.listed)
                return;
            if (listed)
                *listed << folder;
            for (const QString& name : listing.files)
                files << folder + name;
            for (const QString& name : listing.folders)
                visit(folder + name + u'\\');
        };
        visit(walk.start());
        return files;
    }

    QStringList mounts_;
};

} // namespace

TEST_F(FolderWalkTest, ListsWhatTheDirectorySearchListsInItsOrderWithFilesAndFoldersApart)
{
    for (const char* rel : {"Docs/b.TXT", "Docs/A.txt", "Docs/a.txt.bak", "Docs/Zeta/x.doc", "Docs/alpha/y.doc",
                            "Docs/Letters 1999/Brief an Anna.doc", "Docs/.hidden/z.doc", "Docs/caf\xc3\xa9.doc"})
        file(QString::fromUtf8(rel));
    fs::setAttributes(QStringLiteral("C:\\Docs\\b.TXT"), AttrHidden | AttrSystem);

    fs::FolderWalk walk(QStringLiteral("c:\\docs"));
    ASSERT_TRUE(walk.ok());
    EXPECT_EQ(walk.start(), "C:\\Docs\\");   // the stored case, with its "\"
    for (const QString& folder : {QStringLiteral("C:\\Docs\\"), QStringLiteral("C:\\Docs\\Letters 1999\\")}) {
        const fs::FolderWalk::Listing listing = walk.list(folder);
        ASSERT_TRUE(listing.listed) << folder.toStdString();
        QStringList files;
        QStringList folders;
        for (const fs::Entry& e : fs::find(folder + QStringLiteral("*.*"), AttrHidden | AttrSystem | AttrDirectory))
            if (e.name != u"." && e.name != u"..")
                (e.isDir() ? folders : files) << e.name;
        EXPECT_EQ(listing.files, files) << folder.toStdString();
        EXPECT_EQ(listing.folders, folders) << folder.toStdString();
    }
    EXPECT_EQ(walk.list(QStringLiteral("C:\\Docs\\")).listed, false);   // once only
    EXPECT_EQ(walk.list(QStringLiteral("C:\\WINDOWS\\")).listed, false);   // not below the start
}

TEST_F(FolderWalkTest, NeverEntersALinkToAFolderSoLoopsEndAndEachFileIsFoundOnce)
{
    for (const char* rel : {"T/a.txt", "T/L1/b.txt", "T/L1/L2/c.txt"})
        file(QString::fromLatin1(rel));
    link(QStringLiteral("T/L1/loop"), QStringLiteral(".."));
    link(QStringLiteral("T/L1/L2/self"), QStringLiteral("."));
    link(QStringLiteral("T/L1/L2/again"), QStringLiteral("."));
    link(QStringLiteral("T/top"), tm.hostC(QString()));           // the whole drive
    link(QStringLiteral("T/outside"), QDir::tempPath());          // a host folder off the machine
    link(QStringLiteral("T/copy.txt"), QStringLiteral("a.txt"));  // a link to a file is a file
    link(QStringLiteral("T/gone.txt"), QStringLiteral("nothing")); // a link to nothing is nothing

    QStringList listed;
    EXPECT_EQ(walkAll(QStringLiteral("C:\\T\\"), &listed),
              (QStringList{"C:\\T\\a.txt", "C:\\T\\copy.txt", "C:\\T\\L1\\b.txt", "C:\\T\\L1\\L2\\c.txt"}));
    EXPECT_EQ(listed, (QStringList{"C:\\T\\", "C:\\T\\L1\\", "C:\\T\\L1\\L2\\"}));
}

TEST_F(FolderWalkTest, ListsAFolderBoundTwiceIntoTheTreeOnlyOnce)
{
    file(QStringLiteral("T/a.txt"));
    file(QStringLiteral("T/Sub/b.txt"));
    if (!bind(QStringLiteral("T"), QStringLiteral("T/Sub/Mirror")))
        GTEST_SKIP() << "the host does not let this process bind a folder (mount --bind), so no folder can be reached twice";
    EXPECT_EQ(walkAll(QStringLiteral("C:\\T")), (QStringList{"C:\\T\\a.txt", "C:\\T\\Sub\\b.txt"}));
}

TEST_F(FolderWalkTest, LeavesOutNamesTheMachineCannotNameAndPathsTooLong)
{
    file(QStringLiteral("N/plain.txt"));
    file(QStringLiteral("N/\u00e9t\u00e9.txt"));             // in the code page: kept
    file(QStringLiteral("N/\u017c\u00f3\u0142w.txt"));       // outside it
    file(QStringLiteral("N/a:b.txt"));
    file(QStringLiteral("N/what?.txt"));
    file(QStringLiteral("N/trailing."));
    file(QStringLiteral("N/\u017bdir/inside.txt"));          // a folder the machine cannot name
    const QByteArray notUtf8 = QFile::encodeName(tm.hostC(QStringLiteral("N/"))) + "caf\xe9.txt";
    FILE* f = std::fopen(notUtf8.constData(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);

    // C:\N\ and then folders of 40 characters: the sixth is still listed (251 characters
    // with its "\"), a file in it only while its path stays within 259 characters, and the
    // seventh folder is not listed.
    QString deep = QStringLiteral("N");
    for (int i = 1; i <= 7; ++i)
        deep += u'/' + QString(u'd').repeated(38) + QString::number(i % 10).rightJustified(2, u'0');
    file(deep + QStringLiteral("/in7.txt"));
    QString six = deep.section(u'/', 0, 6);
    file(six + QStringLiteral("/s.txt"));
    file(six + u'/' + QString(u'f').repeated(20) + QStringLiteral(".txt"));

    QStringList listed;
    const QStringList found = walkAll(QStringLiteral("C:\\N\\"), &listed);
    const QString sixWin = QStringLiteral("C:\\") + QString(six).replace(u'/', u'\\') + u'\\';
    ASSERT_EQ(sixWin.size() + 3, 5 + 6 * 41 + 3);
    EXPECT_EQ(found, (QStringList{"C:\\N\\plain.txt", "C:\\N\\\u00e9t\u00e9.txt", sixWin + "s.txt"}));
    EXPECT_EQ(listed.size(), 7);   // C:\N\ and six of the seven deep folders
    EXPECT_EQ(listed.last(), sixWin);
}

TEST(WinPathNames, WhatTheMachineCanNameAndTheSearchPatternsFastEnd)
{
    using winpath::isNameable;
    EXPECT_TRUE(isNameable(QStringLiteral("Brief an Anna.doc")));
    EXPECT_TRUE(isNameable(QStringLiteral("\u20ac and \u0160.txt")));   // the code page's own extras
    EXPECT_FALSE(isNameable(QStringLiteral("\u017c\u00f3\u0142w.txt")));
    EXPECT_FALSE(isNameable(QStringLiteral("a|b")));
    EXPECT_FALSE(isNameable(QStringLiteral("end ")));
    EXPECT_FALSE(isNameable(QString()));
    EXPECT_FALSE(isNameable(QString(u'x').repeated(256)));

    using winpath::wildcardMatch;
    EXPECT_TRUE(wildcardMatch(QStringLiteral("*.doc"), QStringLiteral("Letter.DOC")));
    EXPECT_TRUE(wildcardMatch(QStringLiteral("*.doc"), QStringLiteral(".doc")));
    EXPECT_TRUE(wildcardMatch(QStringLiteral("*.doc"), QStringLiteral("a.b.doc")));
    EXPECT_FALSE(wildcardMatch(QStringLiteral("*.doc"), QStringLiteral("x.docx")));
    EXPECT_FALSE(wildcardMatch(QStringLiteral("*.doc"), QStringLiteral("doc")));
    EXPECT_TRUE(wildcardMatch(QStringLiteral("*.d?c"), QStringLiteral("x.dpc")));
}
