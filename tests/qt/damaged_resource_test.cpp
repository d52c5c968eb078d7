// Damaged resource files held to the loader's promise: a negative result,
// no crash, no window left behind.
#include "qt_fixture.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

// A resource file with one panel (resource 1) around `controls`.
QByteArray onePanel(const char* controls, const char* panelExtra = "") {
    return QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>Test</class>
 <widget class="QWidget" name="Test">
  <widget class="QWidget" name="PANEL_TEST">
   <property name="panelResource" stdset="0"><number>1</number></property>
)") + panelExtra +
           controls + R"(
  </widget>
 </widget>
</ui>
)";
}

struct Damage {
    const char* what;
    QByteArray content;
    int resource;
    int expected; // > 0: a handle
};

class DamagedResourceTest : public QtFixture {
  protected:
    int loadFrom(const QByteArray& content, int resource) {
        QString path = dir.filePath("K964_Vx.uir");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
        file.close();
        return LoadPanel(0, path.toLocal8Bit().constData(), resource);
    }

    QTemporaryDir dir;
};

TEST_F(DamagedResourceTest, GivesANegativeResultAndLeavesNoWindowBehind) {
    QFile real(QCoreApplication::applicationDirPath() + "/" + kUir);
    ASSERT_TRUE(real.open(QIODevice::ReadOnly));
    QByteArray whole = real.readAll();
    const char button[] = R"(<widget class="QPushButton" name="B">
     <property name="ctrlId" stdset="0"><number>2</number></property>
     <property name="callback" stdset="0"><string>go</string></property></widget>)";
    const Damage cases[] = {
        {"the well-formed one panel file", onePanel(button), 1, 1},
        {"empty file", QByteArray(), 1, UIE_BAD_RESOURCE},
        {"garbage bytes", QByteArray("\x01\x02garbage\xff\xfe\x00\x7f<<", 14), 1, UIE_BAD_RESOURCE},
        {"truncated real file", whole.left(whole.size() / 2), PANEL_MAIN, UIE_BAD_RESOURCE},
        {"XML that is no user interface", "<html><body>K964</body></html>", 1, UIE_BAD_RESOURCE},
        {"panel not in the file", onePanel(button), 2, UIE_NO_SUCH_PANEL},
        {"unknown control callback", onePanel(R"(<widget class="QPushButton" name="B">
     <property name="ctrlId" stdset="0"><number>2</number></property>
     <property name="callback" stdset="0"><string>gone</string></property></widget>)"),
         1, UIE_BAD_RESOURCE},
        {"unknown panel callback",
         onePanel("", R"(<property name="callback" stdset="0"><string>ende</string></property>)"),
         1, UIE_BAD_RESOURCE},
        {"control callback on a panel",
         onePanel("", R"(<property name="callback" stdset="0"><string>go</string></property>)"), 1,
         UIE_BAD_RESOURCE},
        {"menu callback on a button", onePanel(R"(<widget class="QPushButton" name="B">
     <property name="ctrlId" stdset="0"><number>2</number></property>
     <property name="callback" stdset="0"><string>setoffen</string></property></widget>)"),
         1, UIE_BAD_RESOURCE},
        {"callback on a label", onePanel(R"(<widget class="QLabel" name="L">
     <property name="ctrlId" stdset="0"><number>2</number></property>
     <property name="callback" stdset="0"><string>go</string></property></widget>)"),
         1, UIE_BAD_RESOURCE},
        {"callback without ctrlId", onePanel(R"(<widget class="QPushButton" name="B">
     <property name="callback" stdset="0"><string>go</string></property></widget>)"),
         1, UIE_BAD_RESOURCE},
        {"ctrlId that is no number", onePanel(R"(<widget class="QPushButton" name="B">
     <property name="ctrlId" stdset="0"><string>two</string></property></widget>)"),
         1, UIE_BAD_RESOURCE},
        {"ctrlId twice", onePanel(R"(<widget class="QPushButton" name="A">
     <property name="ctrlId" stdset="0"><number>2</number></property></widget>
     <widget class="QPushButton" name="B">
     <property name="ctrlId" stdset="0"><number>2</number></property></widget>)"),
         1, UIE_BAD_RESOURCE},
        {"timer that never ticks", onePanel(R"(<widget class="QWidget" name="T">
     <property name="ctrlId" stdset="0"><number>2</number></property>
     <property name="callback" stdset="0"><string>timer1</string></property>
     <property name="interval" stdset="0"><number>0</number></property></widget>)"),
         1, UIE_BAD_RESOURCE},
    };
    for (const Damage& d : cases) {
        SCOPED_TRACE(d.what);
        qsizetype windows = QApplication::topLevelWidgets().size();
        int result = loadFrom(d.content, d.resource);
        if (d.expected > 0) {
            EXPECT_GT(result, 0);
            continue;
        }
        EXPECT_EQ(result, d.expected);
        EXPECT_EQ(QApplication::topLevelWidgets().size(), windows);
    }
}

TEST_F(DamagedResourceTest, MissingFileIsNotFound) {
    EXPECT_EQ(LoadPanel(0, dir.filePath("K964_Vx.uir").toLocal8Bit().constData(), PANEL_MAIN),
              UIE_FILE_NOT_FOUND);
}

TEST_F(DamagedResourceTest, UnknownParentIsABadHandle) {
    EXPECT_EQ(LoadPanel(42, kUir, PANEL_COM), UIE_BAD_HANDLE);
}

} // namespace
