// The Help menu: Manual shows the README as installed with the program (or
// beside it, in a build tree) in a window of its own, the screenshots
// included; About tells the version, the licence, the panels file in use and
// where the program keeps its files.
#pragma once

#include <QString>
#include <QStringList>

class QTextBrowser;
class QWidget;

// Where the manual may be, in the order looked at: the installed
// documentation beside the data directory the panels come from
// (share/doc/k964 beside share/k964), then beside the program.
QStringList manual_candidates();
// The first candidate that exists, "" if none.
QString manual_path();
// The window showing the manual; where none was found, it says where it
// looked.
QTextBrowser* make_manual_window();

// The licence file as installed (the Debian copyright file) or beside the
// program; "" if neither is there.
QString licence_path();
// The About text for the panels file `panels`.
QString about_text(const QString& panels);
// Help -> About, as a message box over `parent`.
void show_about(QWidget* parent, const QString& panels);
