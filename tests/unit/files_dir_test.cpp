// Where the program keeps its files: beside a copy, or the user's own
// directory for an installed program; the K960.ini it reads and writes there.
#include "app/shell.h"
#include "platform/backends.h"
#include "platform/dirs.h"
#include "tests/support/logic_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

using ::testing::ExitedWithCode;

// ---- Where the files are ------------------------------------------------------------

namespace fs = std::filesystem;

// An installed program: its panels come from elsewhere, its files are the
// user's own, and a K960.ini may still lie beside it.
struct OwnIniCase {
    const char* name;
    const char* own;    // the user's K960.ini, or null for none
    const char* beside; // K960.ini beside the program, or null for none
    int port;
};

class OwnIni : public LogicTest, public ::testing::WithParamInterface<OwnIniCase> {
  protected:
    OwnIni() : own(dir + "/config/k964") {
        fs::create_directories(own);
        SetFilesDir(own.c_str());
    }
    std::string own;
};

TEST_P(OwnIni, IsReadAndTheOneBesideTheProgramOnlyWhileItIsMissing) {
    if (GetParam().own)
        std::ofstream(own + "/K960.ini") << GetParam().own;
    if (GetParam().beside)
        writeIni(GetParam().beside);
    start();
    EXPECT_EQ(com_nummer, GetParam().port);
    com_nummer = 6;
    EXPECT_EXIT(ui.close(p1), ExitedWithCode(0), "");
    std::ifstream in(own + "/K960.ini", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), " 6  Ve-Data_2014\n");
    if (GetParam().beside)
        EXPECT_EQ(readIni(), GetParam().beside) << "the file beside the program is never written";
    else
        EXPECT_FALSE(fs::exists(iniPath()));
}

INSTANTIATE_TEST_SUITE_P(
    Installed, OwnIni,
    ::testing::Values(OwnIniCase{"none_at_all", nullptr, nullptr, 1},
                      OwnIniCase{"only_beside", nullptr, " 4  Ve-Data_2014\n", 4},
                      OwnIniCase{"own_wins", " 2  Ve-Data_2014\n", " 4  Ve-Data_2014\n", 2},
                      OwnIniCase{"own_without_number", "COM3", " 4  Ve-Data_2014\n", 1},
                      OwnIniCase{"own_empty", "", " 4  Ve-Data_2014\n", 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(LogicTest, AnUnreadableOwnIniGivesPortOneNotTheOneBesideTheProgram) {
    const std::string own = dir + "/config/k964";
    fs::create_directories(own + "/K960.ini");
    SetFilesDir(own.c_str());
    writeIni(" 4  Ve-Data_2014\n");
    start();
    EXPECT_EQ(com_nummer, 1);
}

struct ConfigHomeCase {
    const char* name;
    const char* xdg; // $XDG_CONFIG_HOME (or $XDG_DATA_HOME), or null when unset
    const char* dir;
    bool data = false; // the data directory, not the configuration's
};

class ConfigHome : public ::testing::TestWithParam<ConfigHomeCase> {};

TEST_P(ConfigHome, GivesTheUsersOwnDirectory) {
    const auto& c = GetParam();
    EXPECT_EQ(c.data ? UserDataDir(c.xdg, "/home/tech") : UserFilesDir(c.xdg, "/home/tech"), c.dir);
}

INSTANTIATE_TEST_SUITE_P(
    Xdg, ConfigHome,
    ::testing::Values(ConfigHomeCase{"unset", nullptr, "/home/tech/.config/k964"},
                      ConfigHomeCase{"empty", "", "/home/tech/.config/k964"},
                      ConfigHomeCase{"relative", "cfg", "/home/tech/.config/k964"},
                      ConfigHomeCase{"dot_relative", "./cfg", "/home/tech/.config/k964"},
                      ConfigHomeCase{"absolute", "/srv/cfg", "/srv/cfg/k964"},
                      ConfigHomeCase{"data_unset", nullptr, "/home/tech/.local/share/k964", true},
                      ConfigHomeCase{"data_relative", "data", "/home/tech/.local/share/k964", true},
                      ConfigHomeCase{"data_absolute", "/srv/data", "/srv/data/k964", true}),
    [](const auto& info) { return std::string(info.param.name); });

struct DirsCase {
    const char* name;
    bool uirBeside;
    bool dataDir;
    bool installed;
};

class Dirs : public ::testing::TestWithParam<DirsCase> {};

// A tree as an install makes it: <root>/bin for the program, the data
// directory beside it.
TEST_P(Dirs, PanelsBesideTheProgramComeFirstAndKeepItsFilesBesideIt) {
    char pattern[] = "/tmp/k964-dirs-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string root = pattern;
    const std::string bin = root + "/bin";
    fs::create_directories(bin);
    if (GetParam().uirBeside)
        std::ofstream(bin + "/K964_Vx.uir") << "<ui/>";
    if (GetParam().dataDir)
        fs::create_directories(root + "/share/k964");
    const ProgramDirs dirs = ChooseProgramDirs(bin, "K964_Vx.uir", "/home/tech/.config/k964");
    EXPECT_EQ(dirs.program, bin);
    EXPECT_EQ(dirs.installed, GetParam().installed);
    EXPECT_EQ(dirs.resources, GetParam().installed ? root + "/share/k964" : bin);
    EXPECT_EQ(dirs.files, GetParam().installed ? "/home/tech/.config/k964" : bin);
    fs::remove_all(root);
}

INSTANTIATE_TEST_SUITE_P(Layouts, Dirs,
                         ::testing::Values(DirsCase{"copy", true, false, false},
                                           DirsCase{"copy_in_an_install_tree", true, true, false},
                                           DirsCase{"installed", false, true, true},
                                           DirsCase{"nothing_anywhere", false, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
