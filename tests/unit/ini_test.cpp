// Start-up: panels, title, the port number from K960.ini; shutdown: the
// file written exactly, or left alone.
#include "app/shell.h"
#include "platform/backends.h"
#include "platform/dirs.h"
#include "tests/support/logic_fixture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using ::testing::ExitedWithCode;

struct IniCase {
    const char* name;
    std::string bytes; // content of K960.ini
    int port;
};

class IniRead : public LogicTest, public ::testing::WithParamInterface<IniCase> {};

TEST_P(IniRead, GivesThePortShownOnTheComPanel) {
    writeIni(GetParam().bytes);
    start();
    EXPECT_EQ(com_nummer, GetParam().port);
    EXPECT_EQ(ui.ctrl(p4, COM_PORT).ival, GetParam().port);
}

INSTANTIATE_TEST_SUITE_P(
    Files, IniRead,
    ::testing::Values(IniCase{"written_by_the_program", " 4  Ve-Data_2014\n", 4},
                      IniCase{"crlf", " 12  Ve-Data_2014\r\n", 12}, IniCase{"digit_only", "4", 4},
                      IniCase{"leading_blank_lines", "\n\t  7xyz", 7}, IniCase{"zero", "0", 0},
                      IniCase{"negative", "-2", -2}, IniCase{"letters_first", "COM4", 1},
                      IniCase{"empty", "", 1},
                      IniCase{"too_large", "99999999999  Ve-Data_2014\n", 1},
                      IniCase{"binary", std::string("\0\x01\xff\x7f", 4), 1},
                      IniCase{"binary_after_number", std::string("5\0\xff", 3), 5},
                      IniCase{"long_blank_run", std::string(20000, ' ') + "9", 9},
                      IniCase{"thousands_of_letters", std::string(100000, 'x'), 1},
                      IniCase{"far_down_the_file", std::string(70000, ' ') + "9", 9},
                      IniCase{"straddling_any_block", std::string(65535, ' ') + "34", 34},
                      IniCase{"many_leading_zeros", std::string(1000, '0') + "6", 6},
                      IniCase{"endless_digits", std::string(1000, '9'), 1},
                      IniCase{"number_then_blanks_then_text", "8" + std::string(500, ' ') + "x",
                              8}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LogicTest, NoIniGivesPortOneAndStartsWithTheMainAndComPanels) {
    start();
    EXPECT_EQ(com_nummer, 1);
    EXPECT_EQ(ui.ctrl(p4, COM_PORT).ival, 1);
    EXPECT_TRUE(ui.panel(p1).visible);
    EXPECT_TRUE(ui.panel(p4).visible);
    EXPECT_FALSE(ui.panel(p3).visible);
    EXPECT_EQ(ui.panel(p4).parent, p1);
    EXPECT_EQ(ui.panel(p1).resource, PANEL_MAIN);
    EXPECT_EQ(ui.panel(p3).resource, PANEL_SERVICE);
    EXPECT_EQ(ui.panel(p4).resource, PANEL_COM);
    EXPECT_EQ(ui.panel(p1).title, "K964 V3        ");
    EXPECT_GT(m1, 0);
    EXPECT_EQ(hol, 0);
    EXPECT_TRUE(ui.running());
    EXPECT_TRUE(serial.events().empty()) << "nothing goes on the line at start-up";
}

TEST_F(LogicTest, UnreadableIniGivesPortOne) {
    std::filesystem::create_directory(iniPath());
    start();
    EXPECT_EQ(com_nummer, 1);
}

TEST_F(LogicTest, MissingResourceNamesTheFileAndExitsWithOne) {
    ui.failLoading();
    EXPECT_EXIT(app_main(), ExitedWithCode(1), "K964_Vx.uir");
}

struct IniWrite {
    int port;
    const char* line;
};

class IniSave : public LogicTest, public ::testing::WithParamInterface<IniWrite> {};

TEST_P(IniSave, ClosingTheMainPanelWritesOneExactLineAndExitsWithZero) {
    start();
    com_nummer = GetParam().port;
    EXPECT_EXIT(ui.close(p1), ExitedWithCode(0), "");
    EXPECT_EQ(readIni(), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(Ports, IniSave,
                         ::testing::Values(IniWrite{1, " 1  Ve-Data_2014\n"},
                                           IniWrite{4, " 4  Ve-Data_2014\n"},
                                           IniWrite{-2, " -2  Ve-Data_2014\n"},
                                           IniWrite{0, " 0  Ve-Data_2014\n"},
                                           IniWrite{2147483647, " 2147483647  Ve-Data_2014\n"}),
                         [](const auto& info) { return "port_" + std::to_string(info.index); });

TEST_F(LogicTest, PortOneLineIsSeventeenBytes) {
    start();
    EXPECT_EXIT(enden(), ExitedWithCode(0), "");
    EXPECT_EQ(readIni().size(), 17u);
}

TEST_F(LogicTest, AnUnconfirmedPortIsNotSaved) {
    writeIni(" 2  Ve-Data_2014\n");
    start();
    ui.edit(p4, COM_PORT, 3);
    EXPECT_EXIT(ui.close(p1), ExitedWithCode(0), "");
    EXPECT_EQ(readIni(), " 2  Ve-Data_2014\n");
}

TEST_F(LogicTest, AConfirmedPortIsSaved) {
    serial.setPorts({3});
    start();
    ui.edit(p4, COM_PORT, 3);
    ASSERT_TRUE(ui.commit(p4, COM_OK));
    EXPECT_EXIT(ui.close(p1), ExitedWithCode(0), "");
    EXPECT_EQ(readIni(), " 3  Ve-Data_2014\n");
}

TEST_F(LogicTest, ClosingWithTheServicePanelOpenStillSavesAndExits) {
    connect();
    ui.selectMenu(m1, MENUBAR_SERVICE);
    ASSERT_TRUE(ui.panel(p3).visible);
    EXPECT_EXIT(ui.close(p1), ExitedWithCode(0), "");
    EXPECT_EQ(readIni(), " 1  Ve-Data_2014\n");
}

TEST_F(LogicTest, OtherEventsOnTheMainPanelAreIgnored) {
    start();
    EXPECT_TRUE(ui.panelEvent(p1, EVENT_COMMIT));
    EXPECT_TRUE(ui.panelEvent(p1, EVENT_RIGHT_CLICK));
    EXPECT_FALSE(std::filesystem::exists(iniPath()));
}

TEST_F(LogicTest, ATemporaryFileThatCannotBeMadeMeansAWriteInPlace) {
    writeIni(" 5  Ve-Data_2014\n");
    start();
    com_nummer = 6;
    // A directory that holds a file stands in the temporary file's way.
    std::filesystem::create_directory(iniPath() + ".new");
    std::ofstream(iniPath() + ".new/keep") << "x";
    EXPECT_EXIT(ui.close(p1), ExitedWithCode(0), "");
    EXPECT_EQ(readIni(), " 6  Ve-Data_2014\n");
}

TEST_F(LogicTest, AReplacementThatFailsIsReportedAndLeavesNoTemporaryFile) {
    std::filesystem::create_directory(iniPath());
    std::ofstream(iniPath() + "/keep") << "x";
    int file = OpenFile(iniPath().c_str(), VAL_WRITE_ONLY, VAL_TRUNCATE, VAL_ASCII);
    ASSERT_GE(file, 0);
    EXPECT_EQ(FmtFile(file, " %d  Ve-Data_2014\n", 3), 17);
    EXPECT_EQ(CloseFile(file), -1);
    EXPECT_FALSE(std::filesystem::exists(iniPath() + ".new"));
    EXPECT_TRUE(std::filesystem::is_directory(iniPath()));
}

TEST(MakePathnameTest, FailsEmptyAtItsBoundAndWorksOneBelow) {
    char path[MAX_PATHNAME_LEN];
    const std::string name = "K960.ini";
    // "<dir>/K960.ini" of exactly MAX_PATHNAME_LEN characters leaves no room
    // for the terminating zero.
    std::string dir(MAX_PATHNAME_LEN - name.size() - 1, 'd');
    std::snprintf(path, sizeof path, "junk");
    EXPECT_LT(MakePathname(dir.c_str(), name.c_str(), path), 0);
    EXPECT_STREQ(path, "");
    dir.pop_back();
    EXPECT_EQ(MakePathname(dir.c_str(), name.c_str(), path), 0);
    EXPECT_EQ(std::strlen(path), static_cast<std::size_t>(MAX_PATHNAME_LEN - 1));
    EXPECT_EQ(std::string(path), dir + "/" + name);
}

// ---- K960.ini where file modes decide, as a user whom they bind ---------------

constexpr uid_t kUser = 65534; // nobody: CI runs as root, which modes do not stop

struct ModeCase {
    const char* name;
    unsigned dirMode;
    unsigned iniMode; // 0: no K960.ini
    bool iniOfUser;   // K960.ini owned by the user who saves, else by another
    const char* after;
    bool replaced; // a new file took the old one's place
};

class IniModes : public LogicTest, public ::testing::WithParamInterface<ModeCase> {
  protected:
    // The program's save of port 6, in a process of a user whom modes bind.
    int saveAsUser() {
        std::string command = "'" K964_INI_WRITER "' '" + dir + "' 6";
        if (geteuid() == 0)
            command = "setpriv --reuid=65534 --regid=65534 --clear-groups " + command;
        return std::system(command.c_str());
    }
};

TEST_P(IniModes, NothingIsLostAndAFileThatMayNotBeWrittenStaysAsItWas) {
    const ModeCase& c = GetParam();
    const bool root = geteuid() == 0;
    if (!root && !c.iniOfUser && c.iniMode)
        GTEST_SKIP() << "a file of another owner needs root to set up";
    const uid_t user = root ? kUser : geteuid();
    const uid_t other = root ? 0 : geteuid();
    struct stat before {};
    if (c.iniMode) {
        writeIni(" 5  Ve-Data_2014\n");
        ASSERT_EQ(chmod(iniPath().c_str(), c.iniMode), 0);
        ASSERT_EQ(chown(iniPath().c_str(), c.iniOfUser ? user : other, c.iniOfUser ? user : other),
                  0);
        ASSERT_EQ(stat(iniPath().c_str(), &before), 0);
    }
    ASSERT_EQ(chmod(dir.c_str(), c.dirMode), 0);
    EXPECT_EQ(saveAsUser(), 0);
    ASSERT_EQ(chmod(dir.c_str(), 0700), 0);
    EXPECT_EQ(readIni(), c.after);
    EXPECT_FALSE(std::filesystem::exists(iniPath() + ".new"));
    if (c.iniMode) {
        struct stat now {};
        ASSERT_EQ(stat(iniPath().c_str(), &now), 0);
        EXPECT_EQ(now.st_ino != before.st_ino, c.replaced);
        EXPECT_EQ(now.st_uid, before.st_uid) << "the owner stays";
        EXPECT_EQ(now.st_mode & 07777, before.st_mode & 07777);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniModes,
    ::testing::Values(
        ModeCase{"read_only_directory_writable_ini", 0555, 0666, false, " 6  Ve-Data_2014\n",
                 false},
        ModeCase{"read_only_directory_own_ini", 0555, 0644, true, " 6  Ve-Data_2014\n", false},
        ModeCase{"read_only_ini", 0777, 0444, false, " 5  Ve-Data_2014\n", false},
        ModeCase{"read_only_own_ini", 0777, 0444, true, " 5  Ve-Data_2014\n", false},
        ModeCase{"read_only_ini_in_read_only_directory", 0555, 0444, false, " 5  Ve-Data_2014\n",
                 false},
        ModeCase{"own_ini_replaced_atomically", 0777, 0640, true, " 6  Ve-Data_2014\n", true},
        ModeCase{"writable_ini_of_another_owner", 0777, 0666, false, " 6  Ve-Data_2014\n", false},
        ModeCase{"no_ini_read_only_directory", 0555, 0, false, "", false},
        ModeCase{"no_ini_writable_directory", 0777, 0, false, " 6  Ve-Data_2014\n", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LogicTest, ALeftoverOfAnInterruptedSaveDoesNotBlockTheNext) {
    start();
    com_nummer = 6;
    std::filesystem::create_directory(iniPath() + ".new");
    EXPECT_EXIT(ui.close(p1), ExitedWithCode(0), "");
    EXPECT_EQ(readIni(), " 6  Ve-Data_2014\n");
}

TEST_F(LogicTest, ALinkedIniStaysALinkAndKeepsItsPermissions) {
    const std::string real = dir + "/settings/K960.ini";
    std::filesystem::create_directory(dir + "/settings");
    std::ofstream(real) << " 2  Ve-Data_2014\n";
    std::filesystem::permissions(real, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    std::filesystem::create_symlink(real, iniPath());
    start();
    EXPECT_EQ(com_nummer, 2);
    com_nummer = 5;
    EXPECT_EXIT(ui.close(p1), ExitedWithCode(0), "");
    EXPECT_TRUE(std::filesystem::is_symlink(iniPath()));
    EXPECT_EQ(readIni(), " 5  Ve-Data_2014\n");
    EXPECT_EQ(std::filesystem::status(real).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
}

TEST_F(LogicTest, AFullDiskKeepsThePreviousFile) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full here";
    writeIni(" 5  Ve-Data_2014\n");
    start();
    // Writes to the temporary file fail as on a full disk.
    std::filesystem::create_symlink("/dev/full", iniPath() + ".new");
    EXPECT_EXIT(ui.close(p1), ExitedWithCode(0), "");
    EXPECT_EQ(readIni(), " 5  Ve-Data_2014\n");
}

TEST_F(LogicTest, AProgramDirectoryWithBlanksAndALongPathWorks) {
    std::string deep = dir + "/program files";
    while (deep.size() < 300)
        deep += "/a directory with blanks";
    std::filesystem::create_directories(deep);
    SetProjectDir(deep.c_str());
    std::ofstream(deep + "/K960.ini") << " 7  Ve-Data_2014\n";
    start();
    EXPECT_EQ(com_nummer, 7);
    com_nummer = 8;
    EXPECT_EXIT(enden(), ExitedWithCode(0), "");
    std::ifstream in(deep + "/K960.ini");
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, " 8  Ve-Data_2014");
}

TEST_F(LogicTest, APortThatCannotBeOpenedEndsWithTheMessageAndKeepsTheFile) {
    writeIni(" 9  Ve-Data_2014\n");
    start();
    ui.whilePopupOpen([this] {
        const Popup& p = ui.popups().back();
        std::fprintf(stderr, "popup[%s][%s]\n", p.title.c_str(), p.message.c_str());
    });
    EXPECT_EXIT(ui.commit(p4, COM_OK), ExitedWithCode(0),
                "popup\\[\\]\\[COM-PORT kann nicht geoeffnet werden !\\]");
    EXPECT_EQ(readIni(), " 9  Ve-Data_2014\n");
}

} // namespace
