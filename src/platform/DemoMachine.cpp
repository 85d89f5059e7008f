#include "platform/DemoMachine.h"
#include "platform/Cp1252.h"
#include "platform/Machine.h"
#include "platform/Volume.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace platform {

namespace {

const char* const kMachineIni = R"([Machine]
ComputerName=HOMEPC
UserName=Owner
WindowsVersion=4.10.1998
PlatformId=1
ProcessorType=586
Processors=1
ActiveProcessorMask=1
MemoryKB=65536
AvailableMemoryKB=24576
MemoryLoad=62
KeyboardType=4
FunctionKeys=12
WindowsFolder=C:\WINDOWS
SystemFolder=C:\WINDOWS\SYSTEM
TempFolder=C:\WINDOWS\TEMP
ProgramFolder=C:\Program Files\Trelvo

[Drives]
A=removable
C=fixed

[Drive A]
Disk=blank

[Drive C]
Folder=drive_c

[Programs]
zip.exe=zip
unzip32.exe=unzip
skyfetch.exe=skyfetch
rundll32.exe=dialer
C:\Program Files\Trelvo\updates\*.exe=installer

[Network]
Online=1
DialUp=0

[Hosts]
localhost=127.0.0.1
update.orvane.example=127.0.0.1:8398
)";

const char* const kRegistry = R"REG(REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion]
"ProductName"="Microsoft Windows 98"
"VersionNumber"="4.10.1998"
"SubVersionNumber"=" "
"SystemRoot"="C:\\WINDOWS"
"ProgramFilesDir"="C:\\Program Files"
"RegisteredOwner"="Owner"

[HKEY_LOCAL_MACHINE\Software\Orvane Software\Trelvo\2.0]
"InstallationDir"="C:\\Program Files\\Trelvo"
"MajorVersion"=dword:00000002
"MinorVersion"=dword:00000000
"IEVersion"="5.0"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Internet Explorer]
"Version"="5.00.2614.3500"

[HKEY_LOCAL_MACHINE\Software\Netscape\Netscape Navigator]
"CurrentVersion"="4.7 (en)"

[HKEY_LOCAL_MACHINE\Software\Netscape\Netscape Navigator\Users]
"CurrentUser"="owner"

[HKEY_LOCAL_MACHINE\Software\Netscape\Netscape Navigator\Users\owner]
"DirRoot"="C:\\Program Files\\Netscape\\Users\\owner"

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\RemoteAccess]
"Remote Connection"=hex:00,00,00,00

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders]
"Desktop"="C:\\WINDOWS\\Desktop"
"Programs"="C:\\WINDOWS\\Start Menu\\Programs"
"Start Menu"="C:\\WINDOWS\\Start Menu"
"Favorites"="C:\\WINDOWS\\Favorites"
"Cookies"="C:\\WINDOWS\\Cookies"
"Personal"="C:\\My Documents"
"AppData"="C:\\WINDOWS\\Application Data"

[HKEY_CURRENT_USER\Software\Microsoft\WAB\WAB4\Wab File Name]
@="C:\\WINDOWS\\Application Data\\Microsoft\\Address Book\\Owner.wab"

[HKEY_CURRENT_USER\Software\Microsoft\Outlook Express]
"Store Root"="C:\\WINDOWS\\Application Data\\Microsoft\\Outlook Express"

[HKEY_CURRENT_USER\RemoteAccess]
"Default"="Home Dial-Up"
)REG";

struct DemoFile {
    const char* path;     // relative to drive C:, "/" separated
    const char* text;     // CR LF is added to each line
    quint32 attrs = AttrArchive;
};

const DemoFile kFiles[] = {
    {"AUTOEXEC.BAT", "@ECHO OFF\nSET BLASTER=A220 I5 D1 T4\nSET PATH=C:\\WINDOWS;C:\\WINDOWS\\COMMAND\nLH C:\\WINDOWS\\COMMAND\\DOSKEY.COM"},
    {"CONFIG.SYS", "DEVICE=C:\\WINDOWS\\HIMEM.SYS\nDOS=HIGH,UMB\nFILES=40\nBUFFERS=20"},
    {"AUTOEXEC.DOS", "@ECHO OFF\nPROMPT $P$G\nPATH C:\\DOS"},
    {"CONFIG.DOS", "DEVICE=C:\\DOS\\HIMEM.SYS\nFILES=30"},
    {"MSDOS.SYS",
     "[Paths]\nWinDir=C:\\WINDOWS\nWinBootDir=C:\\WINDOWS\nHostWinBootDrv=C\n\n[Options]\nBootMulti=1\nBootGUI=1\n"
     "DoubleBuffer=1\nAutoScan=1\nWinVer=4.10.1998\n;\n;The following lines are required for compatibility with other programs.\n"
     ";Do not remove them (MSDOS.SYS needs to be >1024 bytes).\n;xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxa\n"
     ";xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxb\n;xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxc\n"
     ";xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxd\n;xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxe\n"
     ";xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxf\n;xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxg\n"
     ";xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxh\n;xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxi\n"
     ";xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxj\n;xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxk\n"
     ";xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxl\n;xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxm",
     AttrReadOnly | AttrHidden | AttrSystem},
    {"IO.SYS", "Stand-in for the DOS kernel loader of the emulated machine.", AttrReadOnly | AttrHidden | AttrSystem},
    {"COMMAND.COM", "Stand-in for the DOS command interpreter of the emulated machine."},
    {"DRVSPACE.BIN", "Stand-in for the disk compression driver of the emulated machine.", AttrReadOnly | AttrHidden | AttrSystem},
    {"DBLSPACE.BIN", "Stand-in for the older disk compression driver of the emulated machine.", AttrReadOnly | AttrHidden | AttrSystem},
    {"DRVSPACE.INI", "[DriveSpace]\nMaxRemovableDrives=2\nFirstDrive=D\nLastDrive=H\nMaxFileFragments=198"},
    {"DBLSPACE.INI", "[DoubleSpace]\nMaxRemovableDrives=2\nFirstDrive=D\nLastDrive=H"},
    {"WINDOWS/WIN.INI",
     "[windows]\nload=\nrun=\nNullPort=None\ndevice=\n\n[Desktop]\nWallpaper=(None)\nTileWallpaper=1\nWallpaperStyle=0\n\n"
     "[intl]\niCountry=1\nsShortDate=M/d/yyyy\nsTimeFormat=h:mm:ss tt\n\n[Fonts]\n\n[Ports]\nCOM1:=9600,n,8,1,x\nLPT1:="},
    {"WINDOWS/SYSTEM.INI",
     "[boot]\nshell=Explorer.exe\nsystem.drv=system.drv\ndrivers=mmsystem.dll power.drv\n\n[386Enh]\nebios=*ebios\n"
     "woafont=dosapp.fon\n\n[drivers]\nwave=mmsndsnd.drv\nmidi=mmsndsnd.drv\n\n[NonWindowsApp]\nCommandEnvSize=4096"},
    {"WINDOWS/CONTROL.INI", "[current]\ncolor schemes=Windows Standard\n\n[Patterns]\n(None)=(None)\n\n[MMCPL]\nNumApps=0"},
    {"WINDOWS/PROTOCOL.INI", "[ndishlp$]\nDriverName=ndishlp$\n\n[protman$]\nDriverName=protman$\npriority=ndishlp"},
    {"WINDOWS/SYSTEM.DAT", "CREG registry hive stand-in: machine part of the registry of the emulated machine.",
     AttrReadOnly | AttrHidden | AttrSystem},
    {"WINDOWS/USER.DAT", "CREG registry hive stand-in: user part of the registry of the emulated machine.",
     AttrReadOnly | AttrHidden | AttrSystem},
    {"WINDOWS/COMMAND.COM", "Stand-in for the DOS command interpreter of the emulated machine."},
    {"WINDOWS/HIMEM.SYS", "Stand-in for the extended memory manager of the emulated machine."},
    {"WINDOWS/WININIT.EXE", "Stand-in for the program that carries out Wininit.ini at start-up."},
    {"WINDOWS/EXPLORER.EXE", "Stand-in for the shell of the emulated machine."},
    {"WINDOWS/RUNDLL32.EXE", "Stand-in for the helper that starts the dial-up connection."},
    {"WINDOWS/SYSTEM/RNAUI.DLL", "Stand-in for the dial-up networking user interface."},
    {"WINDOWS/SYSTEM/KERNEL32.DLL", "Stand-in for the kernel of the emulated machine."},
    {"WINDOWS/COMMAND/DOSKEY.COM", "Stand-in for DOSKEY."},
    {"WINDOWS/Start Menu/Programs/Accessories/Notepad.lnk", "[Shortcut]\nTarget=C:\\WINDOWS\\NOTEPAD.EXE"},
    {"WINDOWS/Start Menu/Programs/Accessories/Calculator.lnk", "[Shortcut]\nTarget=C:\\WINDOWS\\CALC.EXE"},
    {"WINDOWS/Start Menu/Programs/Accessories/System Tools/ScanDisk.lnk", "[Shortcut]\nTarget=C:\\WINDOWS\\SCANDSKW.EXE"},
    {"WINDOWS/Start Menu/Programs/Internet Explorer.lnk", "[Shortcut]\nTarget=C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE"},
    {"WINDOWS/Start Menu/Programs/MS-DOS Prompt.pif", "[Shortcut]\nTarget=C:\\WINDOWS\\COMMAND.COM"},
    {"WINDOWS/Start Menu/Programs/Trelvo/Trelvo 2.0.lnk", "[Shortcut]\nTarget=C:\\Program Files\\Trelvo\\trelvoapp.exe"},
    {"WINDOWS/Start Menu/Programs/Trelvo/Read Me.lnk", "[Shortcut]\nTarget=C:\\Program Files\\Trelvo\\Readme.txt"},
    {"WINDOWS/Start Menu/Programs/StartUp/desktop.ini", "[.ShellClassInfo]", AttrHidden | AttrArchive},
    {"WINDOWS/Start Menu/Windows Update.url", "[InternetShortcut]\nURL=http://windowsupdate.example/"},
    {"WINDOWS/Favorites/Links/Free Hotmail.url", "[InternetShortcut]\nURL=http://mail.example/"},
    {"WINDOWS/Favorites/Weather.url", "[InternetShortcut]\nURL=http://weather.example/"},
    {"WINDOWS/Favorites/Radio Station Guide.url", "[InternetShortcut]\nURL=http://radio.example/"},
    {"WINDOWS/Cookies/index.dat", "Client UrlCache MMF Ver 5.2 stand-in", AttrHidden | AttrSystem | AttrArchive},
    {"WINDOWS/Cookies/owner@news.example[1].txt", "id\n4f2a\nnews.example/\n1024\n"},
    {"WINDOWS/Cookies/owner@shop.example[1].txt", "cart\n17\nshop.example/\n1024\n"},
    {"WINDOWS/Application Data/Microsoft/Address Book/Owner.wab", "Address book stand-in: Anna Berg <anna@example.org>; Tom Weiss <tom@example.org>"},
    {"WINDOWS/Application Data/Microsoft/Outlook Express/Mail/Inbox.mbx", "JMF6 mailbox stand-in\nFrom: anna@example.org\nSubject: Photos\n\nHere they are."},
    {"WINDOWS/Application Data/Microsoft/Outlook Express/Mail/Inbox.idx", "JMF6 index stand-in"},
    {"WINDOWS/Application Data/Microsoft/Outlook Express/Mail/Sent Items.mbx", "JMF6 mailbox stand-in\nTo: tom@example.org\nSubject: Saturday"},
    {"WINDOWS/Application Data/Microsoft/Outlook Express/Mail/folders.nch", "folder list stand-in"},
    {"Program Files/Netscape/Users/owner/Bookmark.htm",
     "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<TITLE>Bookmarks for Owner</TITLE>\n<H1>Bookmarks for Owner</H1>\n<DL><p>\n"
     "    <DT><A HREF=\"http://news.example/\">News</A>\n    <DT><A HREF=\"http://library.example/\">Library</A>\n</DL><p>"},
    {"Program Files/Netscape/Users/owner/Cookies.txt", "# Netscape HTTP Cookie File\nnews.example\tFALSE\t/\tFALSE\t946684799\tid\t4f2a"},
    {"Program Files/Netscape/Users/owner/prefs.js", "user_pref(\"browser.startup.homepage\", \"http://news.example/\");"},
    {"Program Files/Netscape/Users/owner/Mail/Inbox", "From - Mon Dec 06 10:00:00 1999\nFrom: tom@example.org\nSubject: Hello\n\nHi!"},
    {"Program Files/Netscape/Users/owner/Mail/Inbox.snm", "summary stand-in"},
    {"Program Files/Netscape/Users/owner/Mail/Sent", "From - Tue Dec 07 09:00:00 1999\nTo: anna@example.org\nSubject: Re: Photos"},
    {"Program Files/Netscape/Users/owner/Mail/Trash", ""},
    {"Program Files/Trelvo/zip.exe", "Stand-in for the Zip program; the machine runs the host's Info-ZIP zip in its place."},
    {"Program Files/Trelvo/Unzip32.exe", "Stand-in for the UnZip program; the machine runs the host's Info-ZIP unzip in its place."},
    {"Program Files/Trelvo/Unzip.exe", "Stand-in for the DOS build of UnZip that goes onto the rescue data disk."},
    {"Program Files/Trelvo/skyfetch.exe", "Stand-in for the update program; the machine starts the built skyfetch in its place."},
    {"Program Files/Trelvo/RESCDOS.EXE", "Stand-in for the DOS restore module that goes onto the rescue data disk."},
    {"Program Files/Trelvo/trelvo.HLP", "Help file stand-in."},
    {"Program Files/Trelvo/Readme.txt",
     "Trelvo 2.0\n==========\n\nTrelvo saves the configuration of your PC - system files, the Start menu, files you choose\n"
     "and the data of your web browsers and mail programs - into five numbered slots, in a folder\n"
     "or spread over floppy disks, and puts a saved configuration back when you need it.\n\n"
     "Save:     choose a slot, type a short description and click Save.\n"
     "Restore:  choose a slot, click Restore and tick what you want back.\n"
     "Options:  choose what is saved; User-defined Files lets you add files of your own.\n"
     "Tools:    make rescue floppies, set the automatic save, update the program.\n"},
    {"My Documents/Letter to Anna.txt", "Dear Anna,\n\nthank you for the photos.\n\nTom"},
    {"My Documents/Budget 1999.csv", "Month;Income;Expenses\nJan;2400;2100\nFeb;2400;1950"},
};

bool writeText(const QString& path, const char* text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QString t = QString::fromUtf8(text);
    if (!t.isEmpty()) {
        t.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
        t += QStringLiteral("\r\n");
    }
    const QByteArray bytes = cp1252::encode(t);
    return f.write(bytes) == bytes.size() && f.flush();
}

} // namespace

bool createDemoMachine(const QString& dir)
{
    // Only into a new or empty folder: whatever lies there is somebody's.
    if (QFileInfo::exists(dir) && !QDir(dir).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        return false;
    if (!QDir().mkpath(dir))
        return false;
    const QString c = dir + QStringLiteral("/drive_c");
    bool ok = writeText(dir + QStringLiteral("/machine.ini"), kMachineIni);
    ok = ok && writeText(dir + QStringLiteral("/registry.reg"), kRegistry);
    ok = ok && writeText(c + QStringLiteral(".vol"),
                         "[Volume]\nKind=fixed\nLabel=WIN98\nSerial=2F1A07C3\nClusterSize=4096");
    for (const char* folder : {"WINDOWS/TEMP", "WINDOWS/Desktop", "WINDOWS/Start Menu/Programs/StartUp"})
        QDir().mkpath(c + u'/' + QString::fromLatin1(folder));
    Volume drive(c, c + QStringLiteral(".vol"));
    for (const DemoFile& f : kFiles) {
        const QString rel = QString::fromUtf8(f.path);
        ok = ok && writeText(c + u'/' + rel, f.text);
        if (f.attrs != AttrArchive)
            drive.setAttributes(rel, false, f.attrs);
    }
    if (!ok)
        return false;
    Machine m(dir);
    m.createDisk(QStringLiteral("blank"), DiskFormat::byName(QStringLiteral("1.44M")), true);
    return true;
}

} // namespace platform
