// What a port number means, against pseudo-terminals standing in for USB
// adapters through the lister seam: the device list, the device a number
// opens, and picking a device to map the number to it. Then the three
// reasons a port does not open, each told in the message box by a program
// that runs as an unprivileged user, as a technician's does.
#include "ports/com_port_panel.h"
#include "ports/pty_lister.h"
#include "tests/e2e/e2e_fixture.h"

#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

using ::testing::ExitedWithCode;

// Set by the test before a process of its own confirms the port: the device
// it prepared. That process runs the test again from the start, and must
// find what was prepared instead of preparing it again.
constexpr const char* kPreparedVariable = "K964_E2E_PREPARED";
constexpr const char* kMessage = "COM-PORT kann nicht geoeffnet werden !";

// A pseudo-terminal made by the test: an adapter that is pulled out when
// the object goes.
class Pty {
  public:
    Pty() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0)
            device_ = ptsname(master_);
    }
    ~Pty() { pull(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;
    void pull() {
        if (master_ >= 0)
            close(master_);
        master_ = -1;
    }
    QString device() const { return QString::fromStdString(device_); }

  private:
    int master_ = -1;
    std::string device_;
};

FakeAdapter ftdi(const QString& device) {
    return {device, QStringLiteral("FT232R USB UART"), QStringLiteral("FTDI"),
            QStringLiteral("A10K1234"),
            QStringLiteral("usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0")};
}

class PortsTest : public E2eTest {
  protected:
    void SetUp() override {
        E2eTest::SetUp();
        lister = std::make_unique<PtyPortLister>(QString::fromStdString(dir + "/by-id"));
        InstallPortPanel(*ui, *serial, *lister);
        popupLog = dir + "/popup.log";
    }
    void TearDown() override {
        if (holder >= 0) {
            ioctl(holder, TIOCNXCL);
            close(holder);
        }
        other.reset();
        if (lockHolder > 0) {
            kill(lockHolder, SIGKILL);
            waitpid(lockHolder, nullptr, 0);
        }
        if (ownDir)
            unsetenv(kPreparedVariable);
        E2eTest::TearDown();
        lister.reset();
    }

    QLabel* deviceLabel() const {
        return ui->panelWidget(p4)->findChild<QLabel*>(QStringLiteral("COM_DEVICE"));
    }
    QTreeWidget* deviceList() const {
        return ui->panelWidget(p4)->findChild<QTreeWidget*>(QStringLiteral("COM_DEVICES"));
    }
    // The list as the technician reads it, one row per device.
    std::vector<QStringList> rows() const {
        std::vector<QStringList> out;
        QTreeWidget* list = deviceList();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QStringList row;
            for (int c = 0; c < list->columnCount(); ++c)
                row << list->topLevelItem(i)->text(c);
            out.push_back(row);
        }
        return out;
    }
    void setNumber(int n) { qobject_cast<QSpinBox*>(widget(p4, COM_PORT))->setValue(n); }
    void pick(const QString& device) {
        QTreeWidget* list = deviceList();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            if (list->topLevelItem(i)->toolTip(0) == device)
                list->setCurrentItem(list->topLevelItem(i));
        }
        QPushButton* use = ui->panelWidget(p4)->findChild<QPushButton*>(QStringLiteral("COM_USE"));
        ASSERT_TRUE(use->isEnabled());
        QTest::mouseClick(use, Qt::LeftButton);
    }

    // Runs `prepare` (which returns the device it prepared) in this process
    // only; the process that confirms the port gets its result.
    std::string prepared(const std::function<std::string()>& prepare) {
        if (const char* device = std::getenv(kPreparedVariable))
            return device;
        const std::string device = prepare();
        setenv(kPreparedVariable, device.c_str(), 1);
        return device;
    }
    // The simulator on COM9, its device open to everybody (a pseudo-terminal
    // is its creator's alone).
    std::string simForEverybody() {
        startSim({}, 9);
        chmod(sim->devicePath().c_str(), 0666);
        return sim->devicePath();
    }

    // Confirms `port` as the user nobody, in a process of its own that ends
    // as the program does: status 0, the message on standard error, K960.ini
    // untouched. Returns what the message box showed.
    SeenPopup confirmAsNobody(int port, const std::function<void()>& before = {}) {
        const std::string ini = " " + std::to_string(port) + "  Ve-Data_2014\n";
        writeIni(ini);
        EXPECT_EXIT(
            {
                dropPrivileges();
                start();
                if (before)
                    before();
                answerNextPopup(true);
                click(p4, COM_OK);
            },
            ExitedWithCode(0), std::string("k964: ") + kMessage + "\nDevice tried: ");
        EXPECT_EQ(readIni(), ini);
        const SeenPopup seen = readPopupLog();
        EXPECT_EQ(seen.title, "");
        EXPECT_EQ(seen.text, kMessage);
        return seen;
    }

    std::unique_ptr<PtyPortLister> lister;
    std::unique_ptr<QtSerial> other; // a second k964 holding the port
    int holder = -1;                 // a process holding the device exclusively
    pid_t lockHolder = -1;           // a process named in the device's lock file
};

TEST_F(PortsTest, PickingAnAdapterMapsTheNumberToItsByIdNameAndConnects) {
    startSim({}, 9);
    const QString device = QString::fromStdString(sim->devicePath());
    start();
    setNumber(2);
    EXPECT_EQ(deviceLabel()->text(), "opens /dev/ttyS1: not present");
    EXPECT_TRUE(rows().empty());

    const QString byId = lister->plug(ftdi(device));
    QTRY_COMPARE_WITH_TIMEOUT(rows().size(), size_t(1), kDeadlineMs);
    EXPECT_EQ(rows()[0], (QStringList{device.mid(5), "FT232R USB UART", "FTDI", "A10K1234",
                                      "usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0", "ok"}));

    pick(device);
    const std::filesystem::path link = dir + "/COM2";
    ASSERT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::filesystem::read_symlink(link).string(), byId.toStdString())
        << "the stable name, not the device";
    EXPECT_EQ(QtSerial::devicePath(2), device);
    EXPECT_EQ(deviceLabel()->text(), "opens " + device + " (FT232R USB UART, FTDI): present");

    click(p4, COM_OK);
    EXPECT_EQ(text(p1, MAIN_STATUS), "ok");
    EXPECT_EQ(com_nummer, 2);
}

TEST_F(PortsTest, AdaptersPluggedAndPulledShowWhileThePanelIsShown) {
    start();
    Pty first;
    auto second = std::make_unique<Pty>();
    lister->plug(ftdi(first.device()));
    QTRY_COMPARE_WITH_TIMEOUT(rows().size(), size_t(1), kDeadlineMs);
    lister->plug({second->device(), "USB-Serial Controller", "Prolific", "", ""});
    QTRY_COMPARE_WITH_TIMEOUT(rows().size(), size_t(2), kDeadlineMs);

    // An adapter without a by-id name is mapped to its device.
    setNumber(4);
    pick(second->device());
    EXPECT_EQ(std::filesystem::read_symlink(dir + "/COM4").string(),
              second->device().toStdString());
    EXPECT_EQ(deviceLabel()->text(),
              "opens " + second->device() + " (USB-Serial Controller, Prolific): present");

    second.reset();
    QTRY_COMPARE_WITH_TIMEOUT(rows().size(), size_t(1), kDeadlineMs);
    EXPECT_EQ(rows()[0][0], first.device().mid(5));
    EXPECT_EQ(deviceLabel()->text(), "opens " + QString::fromStdString(dir) + "/COM4: not present");

    // Hidden, the panel stops looking.
    HidePanel(p4);
    Pty third;
    lister->plug({third.device(), "third", "", "", ""});
    QTest::qWait(3 * ComPortPanel::kRefreshMs);
    EXPECT_EQ(rows().size(), 1u);
    DisplayPanel(p4);
    EXPECT_EQ(rows().size(), 2u) << "shown again, the list is fresh at once";
}

TEST_F(PortsTest, TheNumberSaysWhatItOpensAndAFileIsNeverReplaced) {
    Pty adapter;
    lister->plug(ftdi(adapter.device()));
    start();
    setNumber(0);
    EXPECT_EQ(deviceLabel()->text(), "port numbers start at 1");
    setNumber(200);
    EXPECT_EQ(deviceLabel()->text(), "opens /dev/ttyS199: not present");

    std::ofstream(dir + "/COM5") << "notes";
    setNumber(5);
    pick(adapter.device());
    EXPECT_TRUE(std::filesystem::is_regular_file(dir + "/COM5"));
    EXPECT_TRUE(deviceLabel()->text().endsWith("\nnot mapped: " + QString::fromStdString(dir) +
                                               "/COM5 exists and is not a link; it is left alone"))
        << deviceLabel()->text().toStdString();
    setNumber(6);
    EXPECT_FALSE(deviceLabel()->text().contains("not mapped")) << "the next number starts clean";
}

TEST_F(PortsTest, AMissingDeviceIsNamedWithTheDevicesThatArePresent) {
    const std::string device = prepared([this] { return simForEverybody(); });
    lister->plug(ftdi(QString::fromStdString(device)));
    const std::string gone = dir + "/by-id/usb-FTDI_FT232R_USB_UART_GONE-if00-port0";
    std::filesystem::remove(dir + "/COM2");
    std::filesystem::create_symlink(gone, dir + "/COM2");
    const SeenPopup seen = confirmAsNobody(2);
    EXPECT_EQ(seen.informative.toStdString(), "Device tried: " + dir + "/COM2 -> " + gone +
                                                  "\nNot present: there is no such device.\n"
                                                  "Serial devices present: " +
                                                  device + " (FT232R USB UART, FTDI).");
}

TEST_F(PortsTest, ADeviceHeldByASecondProgramIsInUse) {
    const std::string device = prepared([this] {
        const std::string d = simForEverybody();
        other = std::make_unique<QtSerial>();
        EXPECT_EQ(other->open(9, 9600, 0, 8, 1), 0);
        return d;
    });
    const SeenPopup seen = confirmAsNobody(9);
    const std::string lock = "LCK.." + device.substr(5, 3) + "_" + device.substr(9);
    const std::string text = seen.informative.toStdString();
    EXPECT_EQ(text.rfind("Device tried: " + device + "\nIn use by another program: ", 0), 0u)
        << text;
    EXPECT_NE(text.find("process " + std::to_string(getpid()) + " holds its lock file /"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(lock + ".\nClose that program, then try again."), std::string::npos)
        << text;
}

TEST_F(PortsTest, ADeviceWhoseLockFileNamesALiveProcessIsInUse) {
    const std::string device = prepared([this] {
        const std::string d = simForEverybody();
        // Another serial program: its lock file, nothing else.
        lockHolder = fork();
        if (lockHolder == 0) {
            execlp("sleep", "sleep", "60", static_cast<char*>(nullptr));
            _exit(127);
        }
        std::ofstream("/run/lock/" + lockFileName(QString::fromStdString(d)).toStdString())
            << "     " << lockHolder << "\n";
        return d;
    });
    const std::string lock =
        "/run/lock/" + lockFileName(QString::fromStdString(device)).toStdString();
    const SeenPopup seen = confirmAsNobody(9);
    EXPECT_EQ(seen.informative.toStdString(),
              "Device tried: " + device + "\nIn use by another program: sleep process " +
                  std::to_string(lockHolder) + " holds its lock file " + lock +
                  ".\nClose that program, then try again.");
    std::filesystem::remove(lock);
}

TEST_F(PortsTest, ADeviceHeldExclusivelyIsInUse) {
    const std::string device = prepared([this] {
        const std::string d = simForEverybody();
        holder = open(d.c_str(), O_RDWR | O_NOCTTY);
        EXPECT_EQ(ioctl(holder, TIOCEXCL), 0);
        return d;
    });
    const SeenPopup seen = confirmAsNobody(9);
    EXPECT_EQ(seen.informative.toStdString(),
              "Device tried: " + device +
                  "\nIn use by another program, which holds it exclusively.\n"
                  "Close that program, then try again.");
}

TEST_F(PortsTest, ADeviceWithoutPermissionGivesTheCommandThatFixesIt) {
    const std::string device = prepared([this] {
        startSim({}, 9);
        const std::string d = sim->devicePath();
        // A serial device as udev makes it: root's, and its group's.
        if (geteuid() == 0) {
            EXPECT_EQ(chown(d.c_str(), 0, getgrnam("dialout")->gr_gid), 0);
            chmod(d.c_str(), 0660);
        } else {
            chmod(d.c_str(), 0060); // the group's, not ours
        }
        return d;
    });
    struct stat st {};
    ASSERT_EQ(stat(device.c_str(), &st), 0);
    const std::string group = getgrgid(st.st_gid)->gr_name;
    lister->plug(ftdi(QString::fromStdString(device)));
    const std::string panelLog = dir + "/panel.log";
    const SeenPopup seen = confirmAsNobody(9, [this, &panelLog] {
        std::ofstream(panelLog) << deviceLabel()->text().toStdString() << '\n'
                                << rows().at(0).last().toStdString() << '\n';
    });
    EXPECT_EQ(seen.informative.toStdString(),
              "Device tried: " + device +
                  "\nNot permitted: your user may not open it. It belongs to the group " + group +
                  ": add your user to that group, then log out and in again:\n"
                  "sudo adduser $USER " +
                  group);
    std::ifstream in(panelLog);
    std::string label;
    std::string access;
    std::getline(in, label);
    std::getline(in, access);
    EXPECT_EQ(label, "opens " + device + " (FT232R USB UART, FTDI): not permitted");
    EXPECT_EQ(access, "not permitted");
}

} // namespace
