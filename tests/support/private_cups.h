#pragma once

// A private CUPS scheduler with one cups-pdf queue, for tests that print
// through the real print path (QPrinter -> CUPS -> filters -> backend) and
// read the result back as a PDF file.
//
// Everything the scheduler owns (configuration, spool, cache, state, logs,
// the PDF output) lives in one folder of its own under the temporary
// folder; it listens only on a Unix socket in that folder, never on port
// 631 or /run/cups/cups.sock, so it runs beside the system's cupsd (or
// without one) and never changes that one's queues or defaults.
//
// The one file outside that folder: cups-pdf reads its settings only from
// /etc/cups (compiled in); a queue whose device is "cups-pdf:/NAME" reads
// /etc/cups/cups-pdf-NAME.conf instead of cups-pdf.conf. Start() writes
// such a file for this instance alone (named after the process id, used by
// no system queue) and Stop() removes it; a leftover of a killed test run is
// removed by the next Start().
//
// What cups-pdf's PDF holds: Debian's cups-pdf takes PostScript only, so
// CUPS turns Qt's PDF into PostScript (the pdftops filter; this queue uses
// its pdftocairo renderer, which keeps glyph names, where the default
// Ghostscript one loses the text of every letter) and cups-pdf's
// Ghostscript turns that back into PDF. Ghostscript 10.0 then writes some
// letters beyond Latin-1 (Polish ones among them, depending on what
// surrounds them) as bitmaps without text. So read the page count, the
// file name and ASCII text from that PDF, and the exact text of a job from
// JobDocument(), the PDF that CUPS received.
//
// Typical use, once per test program:
//
//     PrivateCups cups;                       // member of the test class
//     void initTestCase()                     // before any QPrinter/QPrinterInfo
//     {
//         switch (cups.Start()) {
//         case PrivateCups::Outcome::Running: break;
//         case PrivateCups::Outcome::Unavailable: QSKIP(qPrintable(cups.Reason()));
//         case PrivateCups::Outcome::Failed: QFAIL(qPrintable(cups.Reason()));
//         }
//     }
//     ... print with docName "X" on cups.QueueName() (or the default printer) ...
//     const QString pdf = cups.WaitForPdf("X");
//
// Start it before anything in the process talks to CUPS: libcups reads
// CUPS_SERVER once per thread, on first use, and keeps it. A later Start()
// in the same process uses the same socket path, so a restarted instance is
// still found.
//
// Needs root: cupsd runs the cups-pdf backend as root only when it runs as
// root itself, and cups-pdf refuses to run otherwise.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QThread>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <grp.h>
#include <optional>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

class PrivateCups {
public:
    enum class Outcome {
        Running,     // the queue takes jobs
        Unavailable, // this machine cannot run it (not root, a package missing): skip
        Failed,      // everything is there but it did not come up: a real fault
    };

    // The name cups-pdf gives the PDF of a job titled `title` in this
    // instance (its settings are in CupsPdfConf()). The title reaches
    // cups-pdf as the job name, in UTF-8, and becomes the file name:
    //  - a title of the form <48656C6C6F> (PostScript hex) is decoded first;
    //  - every ASCII byte other than a letter, a digit, '-', '+' or '.'
    //    becomes '_': a space, ':', '/', '\', '(', ')', ',', ';', '=' ...;
    //    bytes above 127 (Polish letters in UTF-8) stay as they are;
    //  - if the title is longer than one byte, trailing '_' are dropped
    //    (unless it is all '_'), then leading '_' (":" stays "_", "::"
    //    leaves nothing);
    //  - a last '.' that is not the first byte is cut off together with
    //    what follows when that is at most 3 bytes ("raport.txt" ->
    //    "raport", "Waga 12.50" -> "Waga_12", "12.5 kg" stays);
    //  - the result is cut to 64 bytes (which may split a UTF-8 letter, and
    //    such a name cannot be matched here: keep titles shorter);
    //  - ".pdf" is appended.
    // So "Etykieta 2024-03-05 14:07:09 c2" -> "Etykieta_2024-03-05_14_07_09_c2.pdf".
    // Returns an empty string when nothing is left: then cups-pdf falls back
    // to the title inside the PostScript it got, or to
    // "job_<id>-untitled_document". A title with a tab reached cups-pdf as
    // "Untitled".
    // A second job with the same title replaces the first one's file.
    static QString PdfFileName(const QString &title)
    {
        QByteArray t = title.toUtf8();
        if (IsPostScriptHexString(t))
            t = DecodePostScriptHexString(t);
        for (char &c : t) {
            const auto u = static_cast<unsigned char>(c);
            const bool keep = u >= 0x80 || (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') ||
                              c == '-' || c == '+' || c == '.';
            if (!keep)
                c = '_';
        }
        if (t.size() > 1) {
            qsizetype end = t.size();
            while (end > 0 && t[end - 1] == '_')
                --end;
            if (end > 0) // an all-'_' title keeps its tail; the next step empties it
                t.truncate(end);
            qsizetype begin = 0;
            while (begin < t.size() && t[begin] == '_')
                ++begin;
            t.remove(0, begin);
        }
        const qsizetype dot = t.lastIndexOf('.');
        if (dot > 0 && t.size() - dot <= kCut + 1)
            t.truncate(dot);
        if (t.size() > kTruncate)
            t.truncate(kTruncate);
        if (t.isEmpty())
            return {};
        // Names are bytes on Linux; decode the way QFile encodes them back.
        return QFile::decodeName(t + ".pdf");
    }

    PrivateCups() = default;
    PrivateCups(const PrivateCups &) = delete;
    PrivateCups &operator=(const PrivateCups &) = delete;
    ~PrivateCups() { Stop(); }

    // Starts the scheduler, adds the queue as its default printer and points
    // this process at it (CUPS_SERVER and friends). Reason() tells why when
    // the outcome is not Running.
    Outcome Start(int timeoutMs = 15000)
    {
        if (IsRunning())
            return Outcome::Running;
        Stop(); // what is left of an instance whose cupsd died
        reason_.clear();
        if (::geteuid() != 0)
            return Unavailable("not root: cupsd runs the cups-pdf backend only as root");
        cupsd_ = FindProgram("cupsd");
        lpadmin_ = FindProgram("lpadmin");
        lpstat_ = FindProgram("lpstat");
        if (cupsd_.isEmpty())
            return Unavailable("no cupsd (package cups-daemon; run scripts/install-deps.sh)");
        if (lpadmin_.isEmpty() || lpstat_.isEmpty())
            return Unavailable("no lpadmin/lpstat (package cups-client; run scripts/install-deps.sh)");
        if (!QFileInfo(kBackend).isExecutable() || !QFileInfo::exists(kPpd))
            return Unavailable("no cups-pdf backend or PPD (package printer-driver-cups-pdf)");
        if (!QFileInfo(kServerBin + "/filter/pdftops").isExecutable())
            return Unavailable("no CUPS filters (package cups-filters)");

        RemoveLeftoversOfDeadRuns();
        const QString root = Root();
        if (!RemoveEarlierRoot(root))
            return Failed("cannot remove the earlier folder " + root);
        // mkdir fails on anything already there (a planted link, say). The
        // filters run as user lp and must pass through to the spool; the
        // socket's folder is root's alone.
        if (!MakeDir(root, 0711))
            return Failed("cannot create " + root + ": " + QString::fromLocal8Bit(std::strerror(errno)));
        root_ = root;
        for (const char *sub :
             {"sock", "conf", "client", "spool", "cache", "state", "tmp", "log", "pdf", "pdf-spool"}) {
            if (!MakeDir(Path(sub), std::strcmp(sub, "sock") == 0 ? 0700 : 0755))
                return Failed("cannot create " + Path(sub));
        }
        // The filters (user lp) write their temporary files here.
        const struct group *lp = ::getgrnam("lp");
        const QByteArray tmp = QFile::encodeName(Path("tmp"));
        if (!lp || ::chown(tmp.constData(), 0, lp->gr_gid) != 0 || ::chmod(tmp.constData(), 01770) != 0)
            return Failed("cannot give " + Path("tmp") + " to group lp");
        if (!WriteFile(Path("conf/cups-files.conf"), CupsFilesConf()) ||
            !WriteFile(Path("conf/cupsd.conf"), CupsdConf()) || !WriteFile(Path("client/client.conf"), {}))
            return Failed("cannot write the scheduler configuration in " + root_);
        if (!WriteFile(CupsPdfConfigPath(), CupsPdfConf()))
            return Unavailable("cannot write " + CupsPdfConfigPath() + " (cups-pdf reads its settings only there)");
        cupsPdfConfigWritten_ = true;

        const QDeadlineTimer deadline(timeoutMs);
        daemon_.setProgram(cupsd_);
        daemon_.setArguments({"-f", "-c", Path("conf/cupsd.conf"), "-s", Path("conf/cups-files.conf")});
        daemon_.setProcessEnvironment(ToolEnvironment());
        daemon_.setProcessChannelMode(QProcess::MergedChannels);
        daemon_.setStandardOutputFile(Path("log/cupsd_output"));
        // The scheduler goes when this process goes, even when it is killed.
        daemon_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        daemon_.start();
        if (!daemon_.waitForStarted(deadline.remainingTime()))
            return Failed("cupsd did not start: " + daemon_.errorString());
        running_ = true;

        while (!SchedulerAnswers()) {
            if (daemon_.state() != QProcess::Running)
                return Failed("cupsd stopped at once:\n" + Diagnostics());
            if (deadline.hasExpired())
                return Failed("cupsd does not answer on " + SocketPath() + ":\n" + Diagnostics());
            QThread::msleep(20);
        }
        QString output;
        if (!Run(lpadmin_,
                 {"-p", QueueName(), "-E", "-v", "cups-pdf:/" + CupsPdfName(), "-P", kPpd, "-o",
                  "printer-is-shared=false", "-o", "PageSize=A4", "-o", "pdftops-renderer-default=pdftocairo"},
                 deadline.remainingTime(), &output))
            return Failed("lpadmin could not add the queue:\n" + output + Diagnostics());
        if (!Run(lpadmin_, {"-d", QueueName()}, deadline.remainingTime(), &output))
            return Failed("lpadmin could not make the queue the default:\n" + output + Diagnostics());

        PointThisProcessHere();
        return Outcome::Running;
    }

    // Stops the scheduler and removes everything Start() created. The
    // environment of this process is put back as it was.
    void Stop()
    {
        if (daemon_.state() != QProcess::NotRunning) {
            daemon_.terminate();
            if (!daemon_.waitForFinished(5000)) {
                daemon_.kill();
                daemon_.waitForFinished(2000);
            }
        }
        running_ = false;
        RestoreEnvironment();
        if (cupsPdfConfigWritten_) {
            QFile::remove(CupsPdfConfigPath());
            cupsPdfConfigWritten_ = false;
        }
        if (!root_.isEmpty()) {
            QDir(root_).removeRecursively();
            root_.clear();
        }
    }

    bool IsRunning() const { return running_ && daemon_.state() == QProcess::Running; }
    QString Reason() const { return reason_; }

    // The cups-pdf queue, the default printer of this instance.
    static QString QueueName() { return QStringLiteral("PomiaryPDF"); }
    // What CUPS_SERVER is set to while it runs.
    static QString SocketPath() { return Root() + "/sock/cups.sock"; }
    // Where cups-pdf writes the PDF files (only root may read them).
    QString PdfFolder() const { return Path("pdf"); }
    // What Stop() removes: the instance's folder and the cups-pdf settings
    // in /etc/cups; and the scheduler's process id (0 when none).
    static QString Folder() { return Root(); }
    static QString CupsPdfConfigFile() { return CupsPdfConfigPath(); }
    qint64 DaemonPid() const { return daemon_.processId(); }

    // Waits until the PDF of the job titled `title` is there and no job of
    // this instance is still pending or printing (cups-pdf writes the file
    // in place, so its mere presence is not enough). Returns its path, or
    // an empty string after the timeout. Call it after the job was sent
    // (QPainter::end() sends a QPrinter job); a file of an earlier job with
    // the same title would otherwise count (see RemovePdfs()).
    QString WaitForPdf(const QString &title, int timeoutMs = 20000) const
    {
        const QString name = PdfFileName(title);
        if (name.isEmpty() || !IsRunning())
            return {};
        const QString path = PdfFolder() + "/" + name;
        const QDeadlineTimer deadline(timeoutMs);
        do {
            if (QFileInfo::exists(path) && NoJobsPending())
                return path;
            QThread::msleep(25);
        } while (!deadline.hasExpired());
        return {};
    }

    // True once no job is pending, held or printing.
    bool WaitUntilIdle(int timeoutMs = 20000) const
    {
        const QDeadlineTimer deadline(timeoutMs);
        do {
            if (NoJobsPending())
                return true;
            QThread::msleep(25);
        } while (!deadline.hasExpired());
        return false;
    }

    // The document of the latest job titled `title` as CUPS received it:
    // for a QPrinter job, the PDF that Qt sent. Empty when there is none.
    // Its text is exact; the PDF that cups-pdf writes has been through
    // PostScript and Ghostscript and may have lost the text of some
    // letters (see the class comment).
    QString JobDocument(const QString &title) const
    {
        if (root_.isEmpty())
            return {};
        const QDir spool(Path("spool"));
        QStringList controls = spool.entryList({"c*"}, QDir::Files);
        std::sort(controls.begin(), controls.end(),
                  [](const QString &a, const QString &b) { return a.mid(1).toInt() > b.mid(1).toInt(); });
        for (const QString &control : controls) {
            QFile f(spool.filePath(control));
            if (!f.open(QIODevice::ReadOnly) || JobName(f.readAll()) != title.toUtf8())
                continue;
            const QString document = spool.filePath(QString("d%1-001").arg(control.mid(1).toInt(), 5, 10, QChar('0')));
            return QFileInfo::exists(document) ? document : QString();
        }
        return {};
    }

    // The PDF files written so far, by name.
    QStringList Pdfs() const
    {
        return root_.isEmpty() ? QStringList{} : QDir(PdfFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    void RemovePdfs() const
    {
        for (const QString &name : Pdfs())
            QFile::remove(PdfFolder() + "/" + name);
    }

    // The scheduler's and the backend's logs, for a failure message.
    QString Diagnostics() const
    {
        QString text;
        for (const char *log : {"log/cupsd_output", "log/error_log", "log/cups-pdf-PomiaryPDF_log"}) {
            QFile f(Path(log));
            if (!f.open(QIODevice::ReadOnly))
                continue;
            const QByteArray all = f.readAll();
            text += QStringLiteral("--- %1 (end)\n").arg(log) + QString::fromUtf8(all.right(3000)) + "\n";
        }
        return text;
    }

private:
    static constexpr int kCut = 3;       // cups-pdf "Cut": longest file name extension it removes
    static constexpr int kTruncate = 64; // cups-pdf "Truncate": longest name, in bytes
    static inline const QString kServerBin = QStringLiteral("/usr/lib/cups");
    static inline const QString kBackend = QStringLiteral("/usr/lib/cups/backend/cups-pdf");
    static inline const QString kPpd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd");
    static inline const QString kCupsPdfConfigPrefix = QStringLiteral("cups-pdf-pomiary-test-");
    static inline const QString kRootPrefix = QStringLiteral("pomiary-cups-");
    static inline const QStringList kVariables = {"CUPS_SERVER", "CUPS_SERVERROOT", "LPDEST", "PRINTER"};

    // One folder per process, always the same path: libcups keeps the
    // socket path it first read, so a restarted instance must reuse it.
    // Short, since a Unix socket path has at most 107 bytes.
    static QString Root()
    {
        QString base = QDir::tempPath();
        if (base.size() > 60 || !QFileInfo(base).isDir())
            base = QStringLiteral("/tmp");
        return base + "/" + kRootPrefix + QString::number(::getpid());
    }
    static QString CupsPdfName() { return "pomiary-test-" + QString::number(::getpid()); }
    static QString CupsPdfConfigPath() { return "/etc/cups/cups-pdf-" + CupsPdfName() + ".conf"; }
    QString Path(const QString &sub) const { return root_ + "/" + sub; }

    Outcome Unavailable(const QString &why)
    {
        reason_ = "private CUPS not available: " + why;
        Stop();
        return Outcome::Unavailable;
    }
    Outcome Failed(const QString &why)
    {
        reason_ = "private CUPS failed: " + why;
        Stop();
        return Outcome::Failed;
    }

    static QString FindProgram(const QString &name)
    {
        return QStandardPaths::findExecutable(name, {"/usr/sbin", "/usr/bin", "/sbin", "/bin"});
    }

    static bool MakeDir(const QString &path, mode_t mode)
    {
        const QByteArray p = QFile::encodeName(path);
        return ::mkdir(p.constData(), mode) == 0 && ::chmod(p.constData(), mode) == 0; // chmod: past the umask
    }

    // Only a folder of ours is removed, never what a link points to.
    static bool RemoveEarlierRoot(const QString &root)
    {
        const QFileInfo info(root);
        if (!info.exists() && !info.isSymLink())
            return true;
        if (info.isSymLink() || !info.isDir())
            return QFile::remove(root);
        return info.ownerId() == ::geteuid() && QDir(root).removeRecursively();
    }

    static bool WriteFile(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
    }

    // cups-files.conf: every folder and file of the scheduler inside root_;
    // only the programs and their data are shared with the system.
    QByteArray CupsFilesConf() const
    {
        QStringList lines = {
            "ServerRoot " + Path("conf"),
            "RequestRoot " + Path("spool"),
            "CacheDir " + Path("cache"),
            "StateDir " + Path("state"),
            "TempDir " + Path("tmp"),
            "ServerKeychain " + Path("conf/ssl"),
            "AccessLog " + Path("log/access_log"),
            "ErrorLog " + Path("log/error_log"),
            "PageLog " + Path("log/page_log"),
            "Printcap " + Path("state/printcap"),
            "ServerBin " + kServerBin,
            "DataDir /usr/share/cups",
            "SystemGroup root",
            "User lp",
            "Group lp",
            "CreateSelfSignedCerts no",
        };
        return lines.join('\n').toUtf8() + '\n';
    }

    // cupsd.conf: only the socket, no sharing or browsing, no web pages;
    // no authentication, since only root can reach the socket; a failing
    // job ends rather than stopping the queue; A4 whatever /etc/papersize
    // says; the documents of finished jobs stay (JobDocument()), and job
    // files are written at once.
    QByteArray CupsdConf() const
    {
        QStringList lines = {
            "Listen " + SocketPath(),
            "Browsing Off",
            "BrowseLocalProtocols none",
            "DefaultShared No",
            "WebInterface No",
            "LogLevel info",
            "MaxLogSize 0",
            "ErrorPolicy abort-job",
            "PreserveJobFiles Yes",
            "DirtyCleanInterval 0",
            "DefaultPaperSize A4",
            "DefaultAuthType None",
            "<Location />",
            "  Order allow,deny",
            "  Allow all",
            "</Location>",
            "<Policy default>",
            "  JobPrivateAccess all",
            "  JobPrivateValues none",
            "  SubscriptionPrivateAccess all",
            "  SubscriptionPrivateValues none",
            "  <Limit All>",
            "    Order deny,allow",
            "  </Limit>",
            "</Policy>",
        };
        return lines.join('\n').toUtf8() + '\n';
    }

    // cups-pdf's settings for this queue: its own folders; the naming as
    // Debian ships it (DecodeHexStrings 1 keeps non-ASCII letters), except
    // that the job title wins over the %%Title of the PostScript: the
    // filters write that one with octal escapes ("Łódź" as
    // "\305\201\303\263d\305\272"), which would end up in the name. So
    // the file name follows QPrinter::docName. PdfFileName() mirrors this.
    QByteArray CupsPdfConf() const
    {
        QStringList lines = {
            "Out " + Path("pdf"),
            "Spool " + Path("pdf-spool"),
            "Log " + Path("log"),
            "GSTmp " + Path("tmp"),
            "AnonDirName " + Path("pdf"),
            "Grp lp",
            "Label 0",
            "TitlePref 1",
            "DecodeHexStrings 1",
            "Cut " + QString::number(kCut),
            "Truncate " + QString::number(kTruncate),
            "OutExtension pdf",
            "LogType 7",
        };
        return lines.join('\n').toUtf8() + '\n';
    }

    // For cupsd, lpadmin and lpstat: nothing of the caller's CUPS settings,
    // messages in English.
    QProcessEnvironment ToolEnvironment() const
    {
        QProcessEnvironment env;
        env.insert("PATH", "/usr/sbin:/usr/bin:/sbin:/bin");
        env.insert("LC_ALL", "C");
        env.insert("HOME", Path("client"));
        env.insert("CUPS_SERVER", SocketPath());
        env.insert("CUPS_SERVERROOT", Path("client"));
        return env;
    }

    bool Run(const QString &program, const QStringList &args, int timeoutMs, QString *output = nullptr) const
    {
        QProcess p;
        p.setProcessEnvironment(ToolEnvironment());
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, args);
        const bool ok =
            p.waitForFinished(qMax(timeoutMs, 100)) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        if (output)
            *output = QString::fromUtf8(p.readAll());
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished(1000);
        }
        return ok;
    }

    // lpstat -r exits 0 either way.
    bool SchedulerAnswers() const
    {
        QString out;
        return Run(lpstat_, {"-r"}, 2000, &out) && out.trimmed() == "scheduler is running";
    }

    bool NoJobsPending() const
    {
        QString out;
        return Run(lpstat_, {"-o"}, 5000, &out) && out.trimmed().isEmpty();
    }

    // CUPS_SERVER is what matters; LPDEST and PRINTER would name another
    // default, CUPS_SERVERROOT keeps /etc/cups/client.conf and
    // /etc/cups/lpoptions out. LPDEST names our queue so that a Default in
    // the user's ~/.cups/lpoptions cannot win either.
    void PointThisProcessHere()
    {
        saved_.clear();
        for (const QString &name : kVariables) {
            const QByteArray key = name.toUtf8();
            saved_.append({key, qEnvironmentVariableIsSet(key.constData())
                                    ? std::optional<QByteArray>(qgetenv(key.constData()))
                                    : std::nullopt});
        }
        qputenv("CUPS_SERVER", QFile::encodeName(SocketPath()));
        qputenv("CUPS_SERVERROOT", QFile::encodeName(Path("client")));
        qputenv("LPDEST", QueueName().toUtf8());
        qunsetenv("PRINTER");
    }

    void RestoreEnvironment()
    {
        for (const auto &[key, value] : saved_) {
            if (value)
                qputenv(key.constData(), *value);
            else
                qunsetenv(key.constData());
        }
        saved_.clear();
    }

    // A test run that was killed leaves its folder and its cups-pdf
    // settings file behind (its cupsd got SIGTERM with it).
    static void RemoveLeftoversOfDeadRuns()
    {
        const auto dead = [](const QString &pidText) {
            bool ok = false;
            const int pid = pidText.toInt(&ok);
            return ok && pid > 0 && pid != ::getpid() && !QFileInfo::exists("/proc/" + QString::number(pid));
        };
        const QDir etc("/etc/cups");
        for (const QString &name : etc.entryList({"cups-pdf-pomiary-test-*.conf"}, QDir::Files)) {
            const QString pid = name.mid(kCupsPdfConfigPrefix.size()).chopped(5);
            if (dead(pid))
                QFile::remove(etc.filePath(name));
        }
        for (const QString &base : {QDir::tempPath(), QStringLiteral("/tmp")}) {
            const QDir tmp(base);
            for (const QString &name : tmp.entryList({kRootPrefix + "*"}, QDir::Dirs | QDir::NoSymLinks)) {
                const QString pid = name.mid(kRootPrefix.size());
                const QFileInfo info(tmp.filePath(name));
                if (dead(pid) && info.ownerId() == ::geteuid())
                    QDir(tmp.filePath(name)).removeRecursively();
            }
        }
    }

    // The job-name attribute of a job control file (IPP encoding: value
    // tag, 2-byte name length, name, 2-byte value length, value).
    static QByteArray JobName(const QByteArray &control)
    {
        static const QByteArray key("\x42\x00\x08job-name", 11);
        const qsizetype at = control.indexOf(key);
        if (at < 0 || at + key.size() + 2 > control.size())
            return {};
        const qsizetype start = at + key.size() + 2;
        const int length =
            (static_cast<unsigned char>(control[start - 2]) << 8) | static_cast<unsigned char>(control[start - 1]);
        return start + length <= control.size() ? control.mid(start, length) : QByteArray();
    }

    static bool IsPostScriptHexString(const QByteArray &t)
    {
        if (!t.startsWith('<'))
            return false;
        bool end = false;
        for (qsizetype i = 1; i < t.size(); ++i) {
            const char c = t[i];
            if (end)
                return false;
            if (c == '>')
                end = true;
            else if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ' ' && c != '\t')
                return false;
        }
        return end;
    }

    static QByteArray DecodePostScriptHexString(const QByteArray &t)
    {
        QByteArray digits;
        for (qsizetype i = 1; i < t.size() && t[i] != '>'; ++i) {
            if (t[i] != ' ' && t[i] != '\t')
                digits.append(t[i]);
        }
        if (digits.size() % 2)
            digits.append('0'); // a last lone digit is the high half
        QByteArray bytes = QByteArray::fromHex(digits);
        const qsizetype nul = bytes.indexOf('\0');
        return nul < 0 ? bytes : bytes.left(nul);
    }

    QProcess daemon_;
    QString root_;
    QString reason_;
    QString cupsd_, lpadmin_, lpstat_;
    bool running_ = false;
    bool cupsPdfConfigWritten_ = false;
    QList<std::pair<QByteArray, std::optional<QByteArray>>> saved_;
};
