#include "addons/help.h"

#include "addons/command_line.h"
#include "platform/platform.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QTextBrowser>
#include <QUrl>

namespace {

QString dir_of(int (*which)(char*)) {
    char dir[MAX_PATHNAME_LEN] = "";
    which(dir);
    return QString::fromLocal8Bit(dir);
}

// share/k964 -> share/doc/k964
QString installed_doc_dir() {
    return QDir(dir_of(GetResourceDir)).absoluteFilePath(QStringLiteral("../doc/k964"));
}

QString first_existing(const QStringList& paths) {
    for (const QString& p : paths) {
        if (QFileInfo(p).isFile())
            return QDir::cleanPath(p);
    }
    return {};
}

} // namespace

QStringList manual_candidates() {
    return {installed_doc_dir() + QStringLiteral("/README.md"),
            QDir(dir_of(GetProjectDir)).filePath(QStringLiteral("README.md"))};
}

QString manual_path() {
    return first_existing(manual_candidates());
}

QTextBrowser* make_manual_window() {
    auto* browser = new QTextBrowser;
    browser->setAttribute(Qt::WA_DeleteOnClose, false);
    browser->setWindowTitle(QObject::tr("K964 Manual"));
    browser->setObjectName(QStringLiteral("manualWindow"));
    browser->setOpenExternalLinks(true);
    browser->resize(760, 640);
    const QString path = manual_path();
    if (path.isEmpty()) {
        browser->setPlainText(QObject::tr("No manual was found. Looked for:\n%1")
                                  .arg(manual_candidates().join(QLatin1Char('\n'))));
    } else {
        browser->setSearchPaths({QFileInfo(path).absolutePath()});
        browser->setSource(QUrl::fromLocalFile(path), QTextDocument::MarkdownResource);
    }
    return browser;
}

QString licence_path() {
    return first_existing({installed_doc_dir() + QStringLiteral("/copyright"),
                           QDir(dir_of(GetProjectDir)).filePath(QStringLiteral("LICENSE"))});
}

QString about_text(const QString& panels) {
    const QString licence = licence_path();
    return QObject::tr("%1\nThe service and configuration tool for the K964 oxygen transmitter.\n\n"
                       "%2\nLicence: %3%4\n\nPanels: %5\nFiles: %6")
        .arg(QString::fromUtf8(version_text()), QStringLiteral(K964_COPYRIGHT),
             QStringLiteral(K964_LICENCE),
             licence.isEmpty() ? QString() : QObject::tr(", the full text in %1").arg(licence),
             panels, QDir::cleanPath(dir_of(GetFilesDir)));
}

void show_about(QWidget* parent, const QString& panels) {
    QMessageBox box(QMessageBox::NoIcon, QObject::tr("About k964"), about_text(panels),
                    QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
