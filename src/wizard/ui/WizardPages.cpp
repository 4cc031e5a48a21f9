#include "wizard/ui/WizardPages.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qdt::wizard::ui {

namespace {

QLabel* Text(const QString& text, QWidget* parent, const char* name = nullptr) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    if (name) label->setObjectName(QString::fromLatin1(name));
    return label;
}

QPlainTextEdit* LogBox(const char* name, QWidget* parent) {
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setReadOnly(true);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    return box;
}

QLineEdit* ReadOnlyBox(const char* name, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setReadOnly(true);
    return box;
}

QProgressBar* Bar(const char* name, QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setTextVisible(false);
    bar->setMaximumHeight(16);
    return bar;
}

}  // namespace

ActionPage BuildActionPage(QWidget* page) {
    auto* layout = new QGridLayout(page);
    layout->setContentsMargins(12, 8, 12, 4);
    layout->setColumnMinimumWidth(0, 20);
    layout->setColumnStretch(1, 1);
    ActionPage p{};
    layout->addWidget(Text(QStringLiteral("What action do you want to perform with the Data Tool?"), page,
                           "lblIntroduction"),
                      0, 0, 1, 2);
    p.optAction = new QRadioButton(QStringLiteral("Data Copy"), page);
    p.optAction->setObjectName(QStringLiteral("optAction"));
    p.optAction->setChecked(true);
    layout->addWidget(p.optAction, 1, 0, 1, 2);
    layout->addWidget(Text(QStringLiteral("This option will copy data from a Quillmart Access or SQL Server database  "
                                          "(v4.5 onwards), a VPASP database, or a catalogue file (.CSV, .TXT or Excel "
                                          "file) to a v5 or v5.1 Quillmart database."),
                           page, "lblActionText"),
                      2, 1);
    p.optAction2 = new QRadioButton(QStringLiteral("Execute SQL"), page);
    p.optAction2->setObjectName(QStringLiteral("optAction2"));
    layout->addWidget(p.optAction2, 3, 0, 1, 2);
    layout->addWidget(Text(QStringLiteral("This will execute a .sql file against a local or remote SQL Server. This is "
                                          "useful for creating the initial structure and data. Connect to a blank SQL "
                                          "Server database and create the structure and default data from a .SQL "
                                          "file."),
                           page, "lblActionText2"),
                      4, 1);
    layout->setRowStretch(5, 1);
    return p;
}

ConfirmationPage BuildConfirmationPage(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(4);
    ConfirmationPage p{};
    auto* frame = new QGroupBox(QStringLiteral("Connecting and detecting databases..."), page);
    frame->setObjectName(QStringLiteral("frConnect"));
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(3);
    p.txtConnect = LogBox("txtConnect", frame);
    p.txtSource = ReadOnlyBox("txtSource", frame);
    p.txtDestin = ReadOnlyBox("txtDestin", frame);
    grid->addWidget(new QLabel(QStringLiteral("Status:"), frame), 0, 0, Qt::AlignTop);
    grid->addWidget(p.txtConnect, 0, 1, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Source DB:"), frame), 1, 0);
    grid->addWidget(p.txtSource, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Destin. DB:"), frame), 1, 2);
    grid->addWidget(p.txtDestin, 1, 3);
    grid->setRowStretch(0, 1);
    layout->addWidget(frame, 1);

    auto* tables = new QHBoxLayout;
    p.cmdTables = new QPushButton(QStringLiteral("Settings and Images"), page);
    p.cmdTables->setObjectName(QStringLiteral("cmdTables"));
    p.lblTablesText = Text(QStringLiteral("Settings for customizing the data process and setting image copying"),
                           page, "lblTablesText");
    tables->addWidget(p.cmdTables);
    tables->addWidget(p.lblTablesText, 1);
    layout->addLayout(tables);
    return p;
}

ProcessingPage BuildProcessingPage(QWidget* page) {
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(8, 4, 8, 4);
    grid->setVerticalSpacing(4);
    ProcessingPage p{};
    p.txtStep2 = LogBox("txtStep2", page);
    p.barTotal = Bar("barTotal", page);
    p.barCurrent = Bar("barCurrent", page);
    grid->addWidget(p.txtStep2, 0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Total:"), page), 1, 0);
    grid->addWidget(p.barTotal, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Current:"), page), 2, 0);
    grid->addWidget(p.barCurrent, 2, 1);
    grid->setRowStretch(0, 1);
    return p;
}

CompletionPage BuildCompletionPage(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(12, 8, 12, 4);
    layout->setSpacing(4);
    CompletionPage p{};
    QLabel* done = Text(QStringLiteral("Process complete!"), page, "lblComplete");
    QFont bold = done->font();
    bold.setBold(true);
    done->setFont(bold);
    layout->addWidget(done);
    layout->addWidget(
        Text(QStringLiteral("If you have created a new Quillmart database, you may need to do the following:"), page));
    layout->addWidget(Text(QStringLiteral("- Move uploaded images to the correct sub-folder in the uploads folder."), page));
    layout->addWidget(Text(QStringLiteral("- Set the new v5 config settings."), page));
    layout->addWidget(Text(QStringLiteral("- Set the connection string to the new database in the shop's config.asp "
                                          "file."),
                           page));
    layout->addStretch(1);
    p.chkOpenDirectoryOnExit = new QCheckBox(QStringLiteral("Open up the Quillmart 5 database directory on exit"), page);
    p.chkOpenDirectoryOnExit->setObjectName(QStringLiteral("chkOpenDirectoryOnExit"));
    layout->addWidget(p.chkOpenDirectoryOnExit);
    return p;
}

}  // namespace qdt::wizard::ui
