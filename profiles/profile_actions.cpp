#include "profiles/profile_actions.h"

#include "history/program_history.h"

#include "platform/platform.h"
#include "record/conf_file.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

#include <utility>

namespace {

const char kSaveTitle[] = "Save transmitter settings";
const char kCompareTitle[] = "Compare transmitter settings";
const char kWriteTitle[] = "Write settings from file";

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

std::string local(const QString& s) {
    return s.toLocal8Bit().toStdString();
}

// "k964-Boiler_3-2026-12-09T103205.json": the tag kept to what a file name
// may hold everywhere.
std::string suggested_name(const std::string& tag, const std::string& saved) {
    std::string name = "k964-";
    for (char c : tag)
        name += (std::isalnum(static_cast<unsigned char>(c)) || c == '-') ? c : '_';
    for (char c : saved) {
        if (c != ':')
            name += c;
    }
    return name + ".json";
}

void message(const char* title, const std::string& text) {
    MessagePopup(title, text.c_str());
}

} // namespace

ProfileActions::ProfileActions(ProfileHistory* history, std::string program,
                               std::function<std::string()> now)
    : history_(history), program_(std::move(program)), now_(std::move(now)) {
    lastFolder_ = local(QDir::homePath());
    dialogs_.tag = [](const char* title, const std::string& last) {
        bool ok = false;
        const QString tag = QInputDialog::getText(QApplication::activeWindow(), QObject::tr(title),
                                                  QObject::tr("Tag or site of the transmitter:"),
                                                  QLineEdit::Normal, qs(last), &ok);
        return ok ? tag.trimmed().toStdString() : std::string();
    };
    dialogs_.saveFile = [](const std::string& suggested) {
        // A name typed without ".json" gets it, and the dialog asks before
        // replacing a file of that name.
        QFileDialog dialog(QApplication::activeWindow(), QObject::tr(kSaveTitle),
                           QString::fromLocal8Bit(suggested.c_str()),
                           QObject::tr("K964 settings (*.json)"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("json"));
        dialog.selectFile(QString::fromLocal8Bit(suggested.c_str()));
        return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
                   ? local(dialog.selectedFiles().constFirst())
                   : std::string();
    };
    dialogs_.openFile = [this] {
        return local(QFileDialog::getOpenFileName(
            QApplication::activeWindow(), QObject::tr("Settings file"),
            QString::fromLocal8Bit(folder().c_str()), QObject::tr("K964 settings (*.json)")));
    };
    dialogs_.compareSource = [] {
        QMessageBox box(QMessageBox::Question, QObject::tr(kCompareTitle),
                        QObject::tr("Compare the transmitter with:"), QMessageBox::Cancel,
                        QApplication::activeWindow());
        QPushButton* file = box.addButton(QObject::tr("A file..."), QMessageBox::AcceptRole);
        QPushButton* last =
            box.addButton(QObject::tr("The last saved for a tag..."), QMessageBox::AcceptRole);
        box.exec();
        return box.clickedButton() == file ? 1 : box.clickedButton() == last ? 2 : 0;
    };
}

ProfileActions::~ProfileActions() {
    delete table_;
}

void ProfileActions::rememberFolderIn(std::string confPath) {
    confPath_ = std::move(confPath);
}

std::string ProfileActions::folder() const {
    const std::string kept =
        confPath_.empty() ? std::string() : conf_value(confPath_, K964_SETTINGS_FOLDER);
    return kept.empty() ? lastFolder_ : kept;
}

void ProfileActions::keepFolder(const std::string& path) {
    lastFolder_ = local(QFileInfo(QString::fromLocal8Bit(path.c_str())).absolutePath());
    folderNote_ = confPath_.empty() || set_conf_value(confPath_, K964_SETTINGS_FOLDER, lastFolder_)
                      ? std::string()
                      : "\nThe folder could not be remembered in " + confPath_ + ".";
}

void ProfileActions::say(const char* title, const std::string& text) {
    message(title, text + std::exchange(folderNote_, std::string()));
}

std::string ProfileActions::save() {
    folderNote_.clear();
    const Captured now = reader_.readIfStale();
    if (!now.unread.empty()) {
        say(kSaveTitle, "Not saved. Not read from the transmitter on this line: " +
                            field_list(now.unread) + ".");
        return {};
    }
    Profile profile;
    profile.values = now.values;
    profile.saved = now_();
    profile.program = program_;
    profile.tag = dialogs_.tag(kSaveTitle, lastTag_);
    if (profile.tag.empty())
        return {};
    lastTag_ = profile.tag;
    const std::string path =
        dialogs_.saveFile(local(QDir(QString::fromLocal8Bit(folder().c_str()))
                                    .filePath(qs(suggested_name(profile.tag, profile.saved)))));
    if (path.empty())
        return {};
    const std::string error = write_profile_file(path, profile);
    if (!error.empty()) {
        say(kSaveTitle, "Not saved. " + path + " could not be written: " + error);
        return {};
    }
    keepFolder(path);
    std::string text = "Saved as " + path + ".";
    const std::string kept =
        history_
            ? history_->keep({0, profile.tag, profile.saved, profile_json(profile).toStdString()})
            : std::string("there is no history");
    if (!kept.empty())
        text += "\nNot kept in the history: " + kept;
    say(kSaveTitle, text);
    return path;
}

void ProfileActions::compare() {
    folderNote_.clear();
    const int source = dialogs_.compareSource();
    ProfileLoad load;
    std::string from;
    if (source == 1) {
        from = dialogs_.openFile();
        if (from.empty())
            return;
        keepFolder(from);
        load = read_profile_file(from);
    } else if (source == 2) {
        const std::string tag = dialogs_.tag(kCompareTitle, lastTag_);
        if (tag.empty())
            return;
        std::string error;
        const StoredProfile stored = history_ ? history_->last(tag, &error) : StoredProfile{};
        if (!history_ || !error.empty() || stored.id == 0) {
            say(kCompareTitle, !history_ ? "There is no history."
                               : error.empty()
                                   ? "No settings of " + tag + " are kept in the history."
                                   : "The history cannot be read: " + error);
            return;
        }
        lastTag_ = tag;
        from = "the last saved for " + tag + " (" + stored.saved + ")";
        load = profile_from_json(QByteArray::fromStdString(stored.json));
    } else {
        return;
    }
    if (load.status != ProfileLoad::Ok) {
        showRefusal(load, from);
        return;
    }
    const Captured now = reader_.readIfStale();
    comparison_ = compare_settings(now.values, now.unread, load.profile.values);
    // A transmitter that did not answer is not a transmitter changed.
    verdict_ = now.unread.empty() ? verdict_text(comparison_) : "not read";
    showComparison(from, now.unread);
}

void ProfileActions::showRefusal(const ProfileLoad& load, const std::string& source) {
    verdict_ = verdict_text(load.status);
    comparison_ = {};
    say(kCompareTitle, source + ": " + verdict_ + ": " + load.message + ".");
}

void ProfileActions::showComparison(const std::string& source, const std::vector<Field>& unread) {
    if (!table_) {
        table_ = new QTableWidget;
        table_->setObjectName(QStringLiteral("profileComparison"));
        table_->setColumnCount(4);
        table_->setHorizontalHeaderLabels({QObject::tr("Field"), QObject::tr("Transmitter"),
                                           QObject::tr("File"), QObject::tr("Differs")});
        table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
        table_->horizontalHeader()->setStretchLastSection(true);
        table_->resize(640, 560);
    }
    table_->setWindowTitle(QObject::tr(kCompareTitle) + QStringLiteral(": ") + qs(verdict_));
    table_->setRowCount(static_cast<int>(comparison_.rows.size()));
    int r = 0;
    for (const CompareRow& row : comparison_.rows) {
        const QString differs =
            row.differs ? (row.writable ? QObject::tr("yes") : QObject::tr("yes (not writable)"))
                        : QString();
        const QString cells[4] = {qs(row.field), qs(row.transmitter), qs(row.file), differs};
        for (int c = 0; c < 4; ++c)
            table_->setItem(r, c, new QTableWidgetItem(cells[c]));
        ++r;
    }
    table_->resizeColumnsToContents();
    table_->show();
    table_->raise();
    say(kCompareTitle, unread.empty() ? "Compared with " + source + ": " + verdict_ + "."
                                      : "Not compared with " + source +
                                            ". Not read from the transmitter on this line: " +
                                            field_list(unread) + ".");
}

void ProfileActions::write() {
    folderNote_.clear();
    const std::string path = dialogs_.openFile();
    if (path.empty())
        return;
    keepFolder(path);
    const ProfileLoad load = read_profile_file(path);
    if (load.status != ProfileLoad::Ok) {
        writeResult_ = "Nothing written. " + path + ": " + verdict_text(load.status) + ": " +
                       load.message + ".";
        say(kWriteTitle, writeResult_);
        return;
    }
    const Captured now = reader_.readIfStale();
    if (!now.unread.empty()) {
        writeResult_ = "Nothing written. Not read from the transmitter on this line: " +
                       field_list(now.unread) + ".";
        say(kWriteTitle, writeResult_);
        return;
    }
    const WritePlan plan = plan_write(now.values, load.profile.values);
    if (plan.changes.empty()) {
        writeResult_ = plan.text;
        say(kWriteTitle, writeResult_);
        return;
    }
    const std::string question = "Write into the transmitter the settings of " + load.profile.tag +
                                 " from " + path + " ?\n\n" + plan.text;
    if (ConfirmPopup(kWriteTitle, question.c_str()) == 0) {
        writeResult_ = "Nothing written.";
        return;
    }
    const std::string note = apply_write(plan, load.profile.values, reader_);
    const Verification v = verify_write(reader_.capture(), load.profile.values);
    writeResult_ = v.verified ? "verified" : "Not verified. Read back otherwise:";
    if (!note.empty())
        writeResult_ = note + " " + writeResult_;
    for (const std::string& d : v.differences)
        writeResult_ += "\n  " + d;
    say(kWriteTitle, writeResult_);
}

std::string StoreHistory::keep(const StoredProfile& profile) {
    std::string error;
    HistoryStore* store = ProgramHistory(&error);
    if (!store)
        return error;
    return store->addProfile(profile) != 0 ? std::string() : store->error();
}

StoredProfile StoreHistory::last(const std::string& tag, std::string* error) {
    HistoryStore* store = ProgramHistory(error);
    if (!store)
        return {};
    StoredProfile p = store->lastProfile(tag);
    if (p.id == 0 && !store->error().empty())
        *error = store->error();
    return p;
}
