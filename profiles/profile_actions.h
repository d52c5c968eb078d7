// The File menu's three settings items: Save transmitter settings (to a
// file, and kept in the history per tag), Compare transmitter settings
// (with a file, or with the last profile of a tag in the history), and
// Write settings from file (restore or clone). Each reads the transmitter
// first when what the panels hold is not fresh.
#pragma once

#include "history/history_store.h"
#include "profiles/settings_writer.h"

#include <QPointer>
#include <QTableWidget>

#include <functional>
#include <string>

// Where saved profiles are kept per tag.
class ProfileHistory {
  public:
    virtual ~ProfileHistory() = default;
    // "" when it was kept, else why not.
    virtual std::string keep(const StoredProfile& profile) = 0;
    // The newest profile of `tag`, id 0 when there is none; `error` set
    // when the history could not be asked.
    virtual StoredProfile last(const std::string& tag, std::string* error) = 0;
};

class ProfileActions {
  public:
    // The dialogs, replaceable for tests. An empty answer cancels.
    struct Dialogs {
        // `title`: the action's own, Save or Compare.
        std::function<std::string(const char* title, const std::string& lastTag)> tag;
        std::function<std::string(const std::string& suggested)> saveFile;
        std::function<std::string()> openFile;
        // 1: a file, 2: the history, 0: cancel.
        std::function<int()> compareSource;
    };

    // `program`: "k964 3.0"; `now`: "2026-12-09T10:32:05".
    ProfileActions(ProfileHistory* history, std::string program, std::function<std::string()> now);
    ~ProfileActions();

    void setDialogs(Dialogs dialogs) { dialogs_ = std::move(dialogs); }
    // The folder of the last file saved or opened is remembered in the
    // k964.conf at `confPath` for the next run (read when a dialog opens);
    // until this is called, only for this one.
    void rememberFolderIn(std::string confPath);
    TransmitterReader& reader() { return reader_; }

    // Each says how it ended in a popup. save() gives the file written, ""
    // when none was.
    std::string save();
    void compare();
    void write();

    // The last comparison's table and verdict ("not read" when the
    // transmitter was not read whole), and the last write's result.
    const std::string& verdict() const { return verdict_; }
    const Comparison& comparison() const { return comparison_; }
    const std::string& writeResult() const { return writeResult_; }
    QTableWidget* table() const { return table_; }

  private:
    void showComparison(const std::string& source, const std::vector<Field>& unread);
    void showRefusal(const ProfileLoad& load, const std::string& source);
    // The file's folder for the next dialog and the next run; when it
    // cannot be remembered, the action's last message says so.
    void keepFolder(const std::string& path);
    void say(const char* title, const std::string& text);
    // Where the file dialogs open.
    std::string folder() const;

    ProfileHistory* history_;
    std::string program_;
    std::function<std::string()> now_;
    TransmitterReader reader_;
    Dialogs dialogs_;
    std::string lastTag_;
    std::string lastFolder_;
    std::string confPath_; // "": the folder is kept for this run only
    std::string folderNote_;
    std::string verdict_;
    Comparison comparison_;
    std::string writeResult_;
    QPointer<QTableWidget> table_;
};

// The program's history (ProgramHistory) as the place profiles are kept.
class StoreHistory : public ProfileHistory {
  public:
    std::string keep(const StoredProfile& profile) override;
    StoredProfile last(const std::string& tag, std::string* error) override;
};
