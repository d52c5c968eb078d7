// The service record on the program's own procedures, fed at the seams:
// refused, cancelled and failed actions with the texts the technician saw,
// the values as last read, and k964.conf.
#include "platform/ui_tap.h"
#include "record/conf_file.h"
#include "record/record_feed.h"
#include "record/record_name.h"
#include "record/service_record.h"
#include "tests/support/logic_fixture.h"
#include "trace/line_trace.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace {

class RecordTest : public LogicTest, public CallbackObserver {
  protected:
    RecordTest()
        : tap(ui), trace(serial),
          feed(
              record, [] { return std::string("12:00:00.000"); },
              [] { return std::string("2026-12-09 12:00:00"); },
              [](int port) { return "/dev/ttyS" + std::to_string(port - 1); }) {
        SetUiBackend(&tap);
        SetSerialBackend(&trace);
        tap.addListener(&record);
        trace.addListener(&feed);
        SetCallbackObserver(this);
    }
    ~RecordTest() override { SetCallbackObserver(nullptr); }
    void callbackBegins(const char* name, int event) override { feed.callbackBegins(name, event); }
    void callbackEnded(const char* name, int) override {
        trace.finish();
        feed.callbackEnded(name);
    }
    // The record's lines of its last action.
    std::string lastAction() {
        const std::string text = record.text("now");
        return text.substr(text.rfind("\n12:00:00.000  ") + 1);
    }

    UiTap tap;
    LineTrace trace;
    ServiceRecord record;
    RecordFeed feed;
};

struct ActionCase {
    const char* name;
    std::function<void(MemoryUi&, DeviceModel&)> before;
    int control;
    const char* expected; // the action as the record lists it
};

const ActionCase kActions[] = {
    {"zero_refused_after_a_failed_poll", [](MemoryUi&, DeviceModel&) { fehlx = 1; }, SERVICE_ZERO,
     "12:00:00.000  Zero calibration\n"
     "  popup \"Calibration\" \" ERROR !!\"\n"
     "  nothing sent\n"},
    {"zero_cancelled", [](MemoryUi& ui, DeviceModel&) { ui.answerConfirm(0); }, SERVICE_ZERO,
     "12:00:00.000  Zero calibration\n"
     "  popup \"CALIBRATION\" \"SET Vcal = 0 mV ?\"  answered No\n"
     "  nothing sent\n"},
    {"zero_unanswered",
     [](MemoryUi& ui, DeviceModel& model) {
         ui.answerConfirm(1);
         model.setSilent("D?D?");
     },
     SERVICE_ZERO,
     "12:00:00.000  Zero calibration\n"
     "  popup \"CALIBRATION\" \"SET Vcal = 0 mV ?\"  answered Yes\n"
     "  shown SERVICE_STATUS \"SAVE\"\n"
     "  12:00:00.000  sent \"D?D?\\r\"  reply \"\"  line error -99  (zero calibration)\n"
     "  shown SERVICE_STATUS \"ERROR NO CONNECT\"\n"},
    {"span_out_of_range", [](MemoryUi&, DeviceModel&) { wert[1] = 10.01; }, SERVICE_SPAN,
     "12:00:00.000  Span calibration\n"
     "  popup \"Calibration\" \"ERROR OUT OF RANGE !!\"\n"
     "  nothing sent\n"},
    {"span_done",
     [](MemoryUi& ui, DeviceModel& model) {
         ui.answerConfirm(1);
         model.setReply("D!D!", "D! OK\r");
     },
     SERVICE_SPAN,
     "12:00:00.000  Span calibration\n"
     "  popup \"CALIBRATION\" \"SET Vcal = V ?\"  answered Yes\n"
     "  12:00:00.000  sent \"u1\\r\"  reply \"u0\"  ok\n"
     "  12:00:00.000  sent \"u5\\r\"  reply \"u25\"  ok\n"
     "  12:00:00.000  sent \"u9\\r\"  reply \"u3.7 5\"  ok\n"
     "  12:00:00.000  sent \"m2\\r\"  reply \"M2\"  ok\n"
     "  shown SERVICE_STATUS \"ok\"\n"
     "  shown SERVICE_STATUS \"SAVE\"\n"
     "  12:00:00.000  sent \"D!D!\\r\"  reply \"D! OK\"  ok  (span calibration)\n"
     "  shown SERVICE_STATUS \"ok\"\n"
     "  12:00:00.000  sent \"d8\\r\"  reply \"d8 1.0000e+00\"  ok  (read calibration constant 8)\n"
     "  12:00:00.000  sent \"d9\\r\"  reply \"d9 0.0000e+00\"  ok  (read calibration constant 9)\n"
     "  12:00:00.000  sent \"d0\\r\"  reply \"d0 1.2000e+00\"  ok  (read calibration constant "
     "0)\n"},
    {"store_with_constant_9_unanswered",
     [](MemoryUi& ui, DeviceModel& model) {
         model.setSilent("D9");
         ui.edit(p3, SERVICE_CAL_8, 1.5);
         ui.edit(p3, SERVICE_CAL_9, 2.0);
         ui.edit(p3, SERVICE_CAL_0, -0.25);
     },
     SERVICE_STORE,
     "12:00:00.000  Store the calibration constants\n"
     "  12:00:00.000  sent \"D81.500e+00\\r\"  reply \"D8 1.5000e+00\"  ok  (calibration "
     "constant 8 = 1.500e+00)\n"
     "  12:00:00.000  sent \"D92.000e+00\\r\"  reply \"\"  line error -99  (calibration "
     "constant 9 = 2.000e+00)\n"
     "  shown MAIN_STATUS \"NO CONNECT 5\"\n"
     "  12:00:00.000  sent \"D0-2.500e-01\\r\"  reply \"D0 -2.5000e-01\"  ok  (calibration "
     "constant 0 = -2.500e-01)\n"
     "  popup \"Calibration\" \"Constant 9 not stored !\"\n"},
};

class RecordActionTest : public RecordTest, public ::testing::WithParamInterface<ActionCase> {};

TEST_P(RecordActionTest, IsRecordedWithWhatTheTechnicianWasShown) {
    connect();
    ui.selectMenu(GetPanelMenuBar(p1), MENUBAR_SERVICE);
    ui.tick(p3, POLL_TIMER); // polls are not actions
    GetParam().before(ui, model);
    ui.commit(p3, GetParam().control);
    EXPECT_EQ(record.actionCount(), 1u);
    EXPECT_EQ(lastAction(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Record, RecordActionTest, ::testing::ValuesIn(kActions),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecordTest, TheHeadAndTheValuesAsLastRead) {
    EXPECT_NE(record.text("now").find("Port:   not opened\n"), std::string::npos);
    start();
    ui.answerConfirm(1);
    ASSERT_TRUE(ui.commit(p1, MAIN_SAVE)); // before any port was opened: nobody's record
    EXPECT_EQ(record.actionCount(), 0u);
    ASSERT_TRUE(ui.commit(p4, COM_OK));
    model.setReply("d2", "d2 7.5\r");
    model.setSilent("d3");
    ui.commit(p1, MAIN_READ); // d3 fails: its last good reply stays
    const std::string text = record.text("2026-12-09 12:30:00");
    EXPECT_EQ(text.substr(0, text.find("\n  s1")),
              "K964 service record\n\n"
              "Saved:  2026-12-09 12:30:00\n"
              "Port:   COM1 (/dev/ttyS0)\n"
              "Opened: 2026-12-09 12:00:00\n"
              "VV:     \"VV K964 V3\"\n\n"
              "Settings and calibration constants as last read\n"
              "  s0  84  reply \"s0 84\"  at 12:00:00.000  (settings word 0 (configuration))");
    EXPECT_NE(text.find("  d2  7.500e+00  reply \"d2 7.5\"  at"), std::string::npos);
    EXPECT_NE(text.find("  d3  5.000e+01  reply \"d3 5.0000e+01\"  at"), std::string::npos);
    EXPECT_NE(text.find("  d8  not read  (calibration constant 8)"), std::string::npos);
    EXPECT_NE(text.find("since the port was opened\n  none\n"), std::string::npos);
}

TEST_F(RecordTest, ALateLineReadAsTheReplyIsReplacedByTheRealOne) {
    connect();
    ui.selectMenu(GetPanelMenuBar(p1), MENUBAR_SERVICE);
    model.faults.latencyFor["D8"] = 1200; // comes while D9 waits for its own
    ui.edit(p3, SERVICE_CAL_8, 2.0);
    ui.edit(p3, SERVICE_CAL_9, 3.0);
    ui.commit(p3, SERVICE_STORE);
    const std::string text = lastAction();
    EXPECT_NE(text.find("sent \"D82.000e+00\\r\"  reply \"\"  line error -99"), std::string::npos)
        << text;
    EXPECT_NE(text.find("sent \"D93.000e+00\\r\"  reply \"D9 "), std::string::npos) << text;
    EXPECT_EQ(text.find("reply \"D8"), std::string::npos) << text;
}

TEST(RecordFolder, RememberedInK964ConfWithOtherLinesKept) {
    char pattern[] = "/tmp/k964-conf-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    const std::string conf = dir + "/" K964_CONF;
    EXPECT_EQ(conf_value(conf, K964_RECORD_FOLDER), "");
    std::ofstream(conf) << "# ours\r\nrecord-folder=/old\nother=1\n";
    EXPECT_EQ(conf_value(conf, K964_RECORD_FOLDER), "/old");
    struct stat before {};
    ASSERT_EQ(stat(conf.c_str(), &before), 0);
    ASSERT_TRUE(set_conf_value(conf, K964_RECORD_FOLDER, "/home/tech/K964 records"));
    struct stat after {};
    ASSERT_EQ(stat(conf.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino) << "a new file took the old one's place";
    std::ifstream in(conf, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    EXPECT_EQ(s.str(), "# ours\nother=1\nrecord-folder=/home/tech/K964 records\n");
    EXPECT_EQ(conf_value(conf, K964_RECORD_FOLDER), "/home/tech/K964 records");
    EXPECT_FALSE(set_conf_value(conf, K964_RECORD_FOLDER, "two\nlines"));
    // A full disk: the old file stays, and no temporary one is left.
    std::filesystem::create_symlink("/dev/full", conf + ".tmp");
    EXPECT_FALSE(set_conf_value(conf, K964_RECORD_FOLDER, "/full"));
    ASSERT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(conf)));
    EXPECT_EQ(conf_value(conf, K964_RECORD_FOLDER), "/home/tech/K964 records");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(conf + ".tmp")));
    EXPECT_FALSE(set_conf_value(dir + "/missing/k964.conf", K964_RECORD_FOLDER, "/x"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/missing"));
    EXPECT_EQ(record_file_name(2026, 12, 9, 2, 53, 7), "k964-record-2026-12-09-025307.txt");
    std::filesystem::remove_all(dir);
}

} // namespace
