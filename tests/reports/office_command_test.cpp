// "pomiary --biuro": which arguments start the office, and what it connects by.

#include "app/office_command.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(OfficeCommand, ArgumentsAndConnection)
{
    struct Case {
        std::vector<const char *> args;
        const char *file; // dane/biuro.ini, nullptr: none
        bool office;
        QByteArray conninfo;
        const char *problem; // the start of the message, "" for none
    };
    const Case cases[] = {
        {{"pomiary", "--biuro"},
         "host=serwer\r\nbaza=pomiary\r\nuzytkownik=biuro\r\n",
         true,
         "host='serwer' dbname='pomiary' user='biuro'",
         ""},
        // The command line wins over the file.
        {{"pomiary", "--biuro", " postgresql://biuro@serwer/pomiary "},
         "host=inny\r\n",
         true,
         "postgresql://biuro@serwer/pomiary",
         ""},
        {{"pomiary", "--biuro"}, nullptr, true, "", "Brak pliku ustawień połączenia z bazą danych: "},
        {{"pomiary", "--biuro"}, "\r\n", true, "", "Brak ustawień połączenia z bazą danych"},
        {{"pomiary", "--biuro", "host=serwer password=tajne"},
         nullptr,
         true,
         "host=serwer password=tajne",
         "Hasło nie może być zapisane"},
        // An operator's name and password log in as always.
        {{"pomiary", "Jan", "haslo"}, nullptr, false, "", ""},
        {{"pomiary", "--biuro", "a", "b"}, nullptr, false, "", ""},
        {{"pomiary"}, nullptr, false, "", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args.size() > 1 ? c.args[1] : "");
        QTemporaryDir dir;
        ASSERT_TRUE(QDir(dir.path()).mkpath("dane"));
        if (c.file) {
            QFile f(dir.filePath("dane/biuro.ini"));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.file);
        }
        std::vector<char *> argv;
        for (const char *a : c.args)
            argv.push_back(const_cast<char *>(a));
        const int argc = int(argv.size());
        EXPECT_EQ(IsOfficeCommand(argc, argv.data()), c.office);
        if (!c.office)
            continue;
        const OfficeStart s = OfficeStartFor(argc, argv.data(), dir.filePath("dane") + '/');
        EXPECT_EQ(s.conninfo, c.conninfo);
        if (*c.problem)
            EXPECT_TRUE(s.problem.startsWith(QString::fromUtf8(c.problem))) << s.problem.toStdString();
        else
            EXPECT_TRUE(s.problem.isEmpty()) << s.problem.toStdString();
    }
}

} // namespace
