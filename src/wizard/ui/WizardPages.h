#pragma once

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QWidget;

namespace qdt::wizard::ui {

// The pages other than the two database pages, built into the given page
// containers; the structs only point at the controls the window works with.

struct ActionPage {
    QRadioButton* optAction;
    QRadioButton* optAction2;
};
ActionPage BuildActionPage(QWidget* page);

struct ConfirmationPage {
    QPlainTextEdit* txtConnect;
    QLineEdit* txtSource;
    QLineEdit* txtDestin;
    QPushButton* cmdTables;
    QLabel* lblTablesText;
};
ConfirmationPage BuildConfirmationPage(QWidget* page);

struct ProcessingPage {
    QPlainTextEdit* txtStep2;
    QProgressBar* barTotal;
    QProgressBar* barCurrent;
};
ProcessingPage BuildProcessingPage(QWidget* page);

struct CompletionPage {
    QCheckBox* chkOpenDirectoryOnExit;
};
CompletionPage BuildCompletionPage(QWidget* page);

}  // namespace qdt::wizard::ui
