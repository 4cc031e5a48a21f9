#pragma once

#include <QString>
#include <functional>
#include <QWidget>

#include "data/run/ConnectionProfile.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qdt::wizard::ui {

// The connection frames that the source page (step 1) and the destination
// page (step 2) share: one set of boxes, moved to whichever page is shown.
// Each side's values are parked in its profile while the other side is shown.
class DatabasePage : public QWidget {
    Q_OBJECT
public:
    explicit DatabasePage(QWidget* parent = nullptr);

    // Shows the frame of the kind and hides the others.
    void ShowFrame(data::DatabaseKind kind);
    void HideFrames();

    // Stores what the page shows into the profile; the kind comes from the type text.
    void SavePageToProfile(data::ConnectionProfile& profile, const QString& typeText) const;
    // Puts the profile's values into the boxes, then empties its connection fields.
    void LoadProfileToPage(data::ConnectionProfile& profile);
    // Whether the boxes for the type text are filled in enough to go on.
    bool IsComplete(const QString& typeText) const;

    // Which side the page is showing, for the browse dialog's title.
    void SetSourceSide(bool source) { sourceSide_ = source; }

    // The kind a type combo entry stands for; unknown texts give fallback.
    static data::DatabaseKind KindOf(const QString& typeText, data::DatabaseKind fallback);
    // A port text that a general number parser accepts and that is a whole
    // port number the profile can hold.
    static bool IsPort(const QString& text);

    QLineEdit* txtAccessFile;
    QLineEdit* txtAccessPassword;
    QLineEdit* txtSQLServer;
    QLineEdit* txtSQLPort;
    QLineEdit* txtSQLDatabase;
    QLineEdit* txtSQLUsername;
    QLineEdit* txtSQLPassword;
    QCheckBox* chkSQLTrusted;
    QLineEdit* txtMySQL;
    QLineEdit* txtMySQLDatabase;
    QLineEdit* txtMySQLUsername;
    QLineEdit* txtMySQLPassword;
    QLineEdit* txtExcelFile;
    QLineEdit* txtExcelSheet;
    QLineEdit* txtCSVFile;
    QLineEdit* txtSQLFile;
    QLineEdit* txtSQLiteFile;

signals:
    // A box whose text decides whether Next is enabled has changed.
    void CompletenessMayHaveChanged();
    // A browse button asks for a file: SelectDataBase's arguments.
    void BrowseRequested(const QString& title, const QString& fileName, QLineEdit* target, const QString& filter);

private:
    void BuildAccess();
    void BuildSqlServer();
    void BuildMySql();
    void BuildExcel();
    void BuildCsv();
    void BuildSqlFile();
    void BuildSqlite();
    QFrame* NewFrame(const char* name, data::DatabaseKind kind);
    QLineEdit* NewBox(const char* name, bool validates = false);
    QPushButton* NewBrowse(const char* name, QLineEdit* target, std::function<QString()> title,
                           const QString& fileName, const QString& filter);
    void OnTrustedClicked();

    QFrame* frames_[7] = {};
    bool sourceSide_ = true;
};

}  // namespace qdt::wizard::ui
