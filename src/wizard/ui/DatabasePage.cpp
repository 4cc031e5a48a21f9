#include "wizard/ui/DatabasePage.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/Dialect.h"

namespace qdt::wizard::ui {

using data::ConnectionProfile;
using data::DatabaseKind;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QLineEdit* box) { return box->text().toStdString(); }

QLabel* Note(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

}  // namespace

DatabasePage::DatabasePage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("DatabasePage"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    BuildAccess();
    BuildSqlServer();
    BuildExcel();
    BuildCsv();
    BuildSqlFile();
    BuildMySql();
    BuildSqlite();
    for (QFrame* frame : frames_) layout->addWidget(frame);
    layout->addStretch(1);
    HideFrames();
}

QFrame* DatabasePage::NewFrame(const char* name, DatabaseKind kind) {
    auto* frame = new QFrame(this);
    frame->setObjectName(QString::fromLatin1(name));
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setVerticalSpacing(4);
    frames_[kind] = frame;
    return frame;
}

QLineEdit* DatabasePage::NewBox(const char* name, bool validates) {
    auto* box = new QLineEdit(this);
    box->setObjectName(QString::fromLatin1(name));
    if (validates) connect(box, &QLineEdit::textChanged, this, &DatabasePage::CompletenessMayHaveChanged);
    return box;
}

QPushButton* DatabasePage::NewBrowse(const char* name, QLineEdit* target, std::function<QString()> title,
                                     const QString& fileName, const QString& filter) {
    auto* button = new QPushButton(QStringLiteral("..."), this);
    button->setObjectName(QString::fromLatin1(name));
    button->setFixedWidth(28);
    connect(button, &QPushButton::clicked, this,
            [=, this] { emit BrowseRequested(title(), fileName, target, filter); });
    return button;
}

void DatabasePage::BuildAccess() {
    QFrame* f = NewFrame("frAccess", data::kAccess);
    auto* grid = static_cast<QGridLayout*>(f->layout());
    txtAccessFile = NewBox("txtAccessFile", true);
    txtAccessPassword = NewBox("txtAccessPassword");
    txtAccessPassword->setEchoMode(QLineEdit::Password);
    auto title = [this] {
        return sourceSide_ ? QStringLiteral("Select Source Database") : QStringLiteral("Select Destination Database");
    };
    grid->addWidget(new QLabel(QStringLiteral("File :"), f), 0, 0);
    grid->addWidget(txtAccessFile, 0, 1);
    grid->addWidget(NewBrowse("cmdAccessBrowse", txtAccessFile, title, QString(),
                              QStringLiteral("Microsoft Access Database (*.mdb *.accdb *.sqlite)|*.mdb;*.accdb;*.sqlite")),
                    0, 2);
    grid->addWidget(new QLabel(QStringLiteral("DB Password :"), f), 1, 0);
    grid->addWidget(txtAccessPassword, 1, 1);
}

void DatabasePage::BuildSqlServer() {
    QFrame* f = NewFrame("frSQLServer", data::kSqlServer);
    auto* grid = static_cast<QGridLayout*>(f->layout());
    txtSQLServer = NewBox("txtSQLServer", true);
    txtSQLPort = NewBox("txtSQLPort", true);
    txtSQLPort->setMaximumWidth(60);
    txtSQLDatabase = NewBox("txtSQLDatabase");
    txtSQLUsername = NewBox("txtSQLUsername");
    txtSQLPassword = NewBox("txtSQLPassword");
    txtSQLPassword->setEchoMode(QLineEdit::Password);
    chkSQLTrusted = new QCheckBox(QStringLiteral("Use Windows Authentification"), f);
    chkSQLTrusted->setObjectName(QStringLiteral("chkSQLTrusted"));
    connect(chkSQLTrusted, &QCheckBox::toggled, this, &DatabasePage::OnTrustedClicked);
    grid->addWidget(new QLabel(QStringLiteral("Server :"), f), 0, 0);
    grid->addWidget(txtSQLServer, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Port:"), f), 0, 2);
    grid->addWidget(txtSQLPort, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Database :"), f), 1, 0);
    grid->addWidget(txtSQLDatabase, 1, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Username :"), f), 2, 0);
    grid->addWidget(txtSQLUsername, 2, 1);
    grid->addWidget(chkSQLTrusted, 2, 2, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Password :"), f), 3, 0);
    grid->addWidget(txtSQLPassword, 3, 1);
}

void DatabasePage::BuildMySql() {
    QFrame* f = NewFrame("frMySQL", data::kMySql);
    auto* grid = static_cast<QGridLayout*>(f->layout());
    txtMySQL = NewBox("txtMySQL", true);
    txtMySQLDatabase = NewBox("txtMySQLDatabase");
    txtMySQLUsername = NewBox("txtMySQLUsername");
    txtMySQLPassword = NewBox("txtMySQLPassword");
    txtMySQLPassword->setEchoMode(QLineEdit::Password);
    grid->addWidget(new QLabel(QStringLiteral("Server :"), f), 0, 0);
    grid->addWidget(txtMySQL, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Database :"), f), 1, 0);
    grid->addWidget(txtMySQLDatabase, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Username :"), f), 2, 0);
    grid->addWidget(txtMySQLUsername, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Password :"), f), 3, 0);
    grid->addWidget(txtMySQLPassword, 3, 1);
}

void DatabasePage::BuildExcel() {
    QFrame* f = NewFrame("frExcel", data::kExcel);
    auto* grid = static_cast<QGridLayout*>(f->layout());
    txtExcelFile = NewBox("txtExcelFile", true);
    txtExcelSheet = NewBox("txtExcelSheet");
    grid->addWidget(new QLabel(QStringLiteral("File :"), f), 0, 0);
    grid->addWidget(txtExcelFile, 0, 1);
    grid->addWidget(NewBrowse("cmdExcelBrowse", txtExcelFile,
                              [] { return QStringLiteral("Select Excel File As Data Source"); },
                              QStringLiteral("*.xls"), QStringLiteral("Microsoft Excel Files (*.xls, *.xlsx)|*.xls; *.xlsx")),
                    0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Worksheet :"), f), 1, 0);
    grid->addWidget(txtExcelSheet, 1, 1);
    grid->addWidget(Note(QStringLiteral("Leave this blank and the software will use the first worksheet it finds."), f),
                    2, 0, 1, 3);
}

void DatabasePage::BuildCsv() {
    QFrame* f = NewFrame("frCSV", data::kTextFile);
    auto* grid = static_cast<QGridLayout*>(f->layout());
    txtCSVFile = NewBox("txtCSVFile", true);
    grid->addWidget(new QLabel(QStringLiteral("File :"), f), 0, 0);
    grid->addWidget(txtCSVFile, 0, 1);
    grid->addWidget(NewBrowse("cmdCSVBrowse", txtCSVFile,
                              [] { return QStringLiteral("Select Text File As Data Source"); },
                              QStringLiteral("*.csv"), QStringLiteral("Text Files (*.txt, *.csv)|*.txt; *.csv")),
                    0, 2);
    grid->addWidget(Note(QStringLiteral("To customize the CSV/text file, create a schema.ini file in the same "
                                        "directory. See the manual for more information."),
                         f),
                    1, 0, 1, 3);
}

void DatabasePage::BuildSqlFile() {
    QFrame* f = NewFrame("frSQLFile", data::kSqlFile);
    auto* grid = static_cast<QGridLayout*>(f->layout());
    txtSQLFile = NewBox("txtSQLFile", true);
    grid->addWidget(new QLabel(QStringLiteral("File :"), f), 0, 0);
    grid->addWidget(txtSQLFile, 0, 1);
    grid->addWidget(NewBrowse("cmdSQLFileBrowse", txtSQLFile, [] { return QStringLiteral("Select SQL File"); },
                              QStringLiteral("*.sql"), QStringLiteral(".SQL Files (*.sql)|*.sql;")),
                    0, 2);
    grid->addWidget(Note(QStringLiteral("Select the .SQL file you want to execute against the SQL Server. The "
                                        "scripts for the latest Quillmart database are available from the "
                                        "Quillmart web site."),
                         f),
                    1, 0, 1, 3);
}

void DatabasePage::BuildSqlite() {
    QFrame* f = NewFrame("frSQLite", data::kSqlite);
    auto* grid = static_cast<QGridLayout*>(f->layout());
    txtSQLiteFile = NewBox("txtSQLiteFile", true);
    auto title = [this] {
        return sourceSide_ ? QStringLiteral("Select Source Database") : QStringLiteral("Select Destination Database");
    };
    grid->addWidget(new QLabel(QStringLiteral("File :"), f), 0, 0);
    grid->addWidget(txtSQLiteFile, 0, 1);
    grid->addWidget(NewBrowse("cmdSQLiteBrowse", txtSQLiteFile, title, QString(),
                              QStringLiteral("SQLite Database (*.sqlite *.db)|*.sqlite;*.db")),
                    0, 2);
}

void DatabasePage::OnTrustedClicked() {
    // Greyed, not cleared: the profile still stores what they hold.
    const bool enabled = !chkSQLTrusted->isChecked();
    txtSQLUsername->setEnabled(enabled);
    txtSQLPassword->setEnabled(enabled);
}

void DatabasePage::ShowFrame(DatabaseKind kind) {
    for (int k = 0; k < 7; ++k) frames_[k]->setVisible(k == kind);
}

void DatabasePage::HideFrames() {
    for (QFrame* frame : frames_) frame->hide();
}

DatabaseKind DatabasePage::KindOf(const QString& typeText, DatabaseKind fallback) {
    for (int k = data::kAccess; k <= data::kSqlite; ++k) {
        auto kind = static_cast<DatabaseKind>(k);
        if (typeText == QString::fromLatin1(data::DatabaseKindCaption(kind))) return kind;
    }
    return fallback;
}

bool DatabasePage::IsPort(const QString& text) {
    bool ok = false;
    const double port = text.trimmed().toDouble(&ok);
    return ok && port >= 1 && port <= 32767 && port == static_cast<int>(port);
}

void DatabasePage::SavePageToProfile(ConnectionProfile& profile, const QString& typeText) const {
    profile.Kind = KindOf(typeText, data::kAccess);
    switch (profile.Kind) {
        case data::kSqlServer:
            profile.Database = S(txtSQLDatabase);
            profile.Server = S(txtSQLServer);
            profile.Password = S(txtSQLPassword);
            profile.User = S(txtSQLUsername);
            profile.Port = IsPort(txtSQLPort->text())
                               ? static_cast<std::int16_t>(txtSQLPort->text().trimmed().toDouble())
                               : std::int16_t{0};
            profile.Trusted = chkSQLTrusted->isChecked();
            break;
        case data::kMySql:
            profile.Database = S(txtMySQLDatabase);
            profile.Server = S(txtMySQL);
            profile.Password = S(txtMySQLPassword);
            profile.User = S(txtMySQLUsername);
            break;
        case data::kExcel:
            profile.Database = S(txtExcelFile);
            profile.Server = S(txtExcelSheet);
            profile.TextTable.clear();
            break;
        case data::kTextFile: profile.Database = S(txtCSVFile); break;
        case data::kSqlFile: profile.Database = S(txtSQLFile); break;
        case data::kSqlite: profile.Database = S(txtSQLiteFile); break;
        case data::kAccess:
            profile.Database = S(txtAccessFile);
            profile.Password = S(txtAccessPassword);
            break;
    }
    data::ApplyDialect(profile);
}

void DatabasePage::LoadProfileToPage(ConnectionProfile& profile) {
    switch (profile.Kind) {
        case data::kAccess:
            txtAccessFile->setText(Q(profile.Database));
            txtAccessPassword->setText(Q(profile.Password));
            break;
        case data::kMySql:
            txtMySQL->setText(Q(profile.Server));
            txtMySQLDatabase->setText(Q(profile.Database));
            txtMySQLPassword->setText(Q(profile.Password));
            txtMySQLUsername->setText(Q(profile.User));
            break;
        case data::kSqlServer:
            txtSQLServer->setText(Q(profile.Server));
            txtSQLDatabase->setText(Q(profile.Database));
            txtSQLPassword->setText(Q(profile.Password));
            txtSQLUsername->setText(Q(profile.User));
            txtSQLPort->setText(QString::number(profile.Port));
            chkSQLTrusted->setChecked(profile.Trusted);
            break;
        case data::kSqlite: txtSQLiteFile->setText(Q(profile.Database)); break;
        case data::kExcel:
        case data::kTextFile:
        case data::kSqlFile:
            // Boxes used by one side only keep what the user typed.
            break;
    }
    // From here on the page holds the only copy, until it is saved back.
    profile.Database.clear();
    profile.Server.clear();
    profile.Password.clear();
    profile.User.clear();
    profile.Port = 1433;
    profile.Trusted = false;
}

bool DatabasePage::IsComplete(const QString& typeText) const {
    // An empty combo, or an entry of no kind, is never complete.
    switch (KindOf(typeText, static_cast<DatabaseKind>(-1))) {
        case data::kSqlServer: return !txtSQLServer->text().isEmpty() && IsPort(txtSQLPort->text());
        case data::kTextFile: return !txtCSVFile->text().isEmpty();
        case data::kExcel: return !txtExcelFile->text().isEmpty();
        case data::kMySql: return !txtMySQL->text().isEmpty();
        case data::kAccess: return !txtAccessFile->text().isEmpty();
        case data::kSqlFile: return !txtSQLFile->text().isEmpty();
        case data::kSqlite: return !txtSQLiteFile->text().isEmpty();
    }
    return false;
}

}  // namespace qdt::wizard::ui
