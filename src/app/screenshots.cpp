// Walks the real wizard window through a whole Data Copy, from the demo 4.6
// shop into the blank 5.104 shop, on Qt's offscreen platform, and saves a
// picture of each step and of the settings dialog for the README:
//   quillmart-datatool-screenshots --source S --destination D --output DIR
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>

#include "app/Version.h"
#include "wizard/ui/FrmMain.h"
#include "wizard/ui/FrmTables.h"

namespace {

using qdt::wizard::ui::FrmMain;
using qdt::wizard::ui::FrmTables;

// Nobody is at the screen: every question is answered Yes, notices are
// printed, and a critical notice means the walk went wrong.
class ScriptedDialogs : public qdt::wizard::ui::UserDialogs {
public:
    bool AskYesNo(QWidget*, const QString& text) override {
        std::fprintf(stderr, "screenshots: answered Yes to: %s\n", qPrintable(text));
        return true;
    }
    void Inform(QWidget*, const QString& text) override {
        std::fprintf(stderr, "screenshots: notice: %s\n", qPrintable(text));
    }
    // Exceptions must not pass through Qt's event handling: stop here instead.
    void Critical(QWidget*, const QString& text) override {
        std::fprintf(stderr, "screenshots: the wizard reported: %s\n", qPrintable(text));
        std::exit(1);
    }
    QString OpenFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
};

// Runs the event loop until `done` holds; false after `timeoutMs`.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

// Lets coalesced log and bar updates reach the screen.
void Settle() {
    WaitUntil([] { return false; }, 250);
}

class Walk {
public:
    Walk(FrmMain& window, QString output) : window_(window), output_(std::move(output)) {
        QObject::connect(&window_, &FrmMain::WorkFinished, [this] { ++finished_; });
    }

    void Shoot(QWidget& widget, const QString& name) {
        Settle();
        const QString path = QDir(output_).filePath(name + QStringLiteral(".png"));
        if (!widget.grab().save(path)) throw std::runtime_error("could not write " + path.toStdString());
        std::fprintf(stderr, "screenshots: %s (%dx%d)\n", qPrintable(path), widget.width(), widget.height());
    }

    void Next() {
        auto* next = window_.findChild<QPushButton*>(QStringLiteral("cmdNext"));
        if (!next || !next->isEnabled())
            throw std::runtime_error("Next is not enabled on step " + std::to_string(window_.intCurrStep()));
        const int before = finished_;
        next->click();
        // Steps 3 and 4 work on a thread; the picture waits for the outcome.
        const int step = window_.intCurrStep();
        if ((step == 3 || step == 4) && !WaitUntil([&] { return finished_ > before; }, 300000))
            throw std::runtime_error("step " + std::to_string(step) + " did not finish");
    }

    // Opens the settings dialog with the real button and pictures it.
    void ShootSettings() {
        bool shot = false;
        QTimer::singleShot(300, &window_, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<FrmTables*>(w); dialog && dialog->isVisible()) {
                    Shoot(*dialog, QStringLiteral("settings"));
                    shot = true;
                    dialog->reject();
                }
        });
        auto* tables = window_.findChild<QPushButton*>(QStringLiteral("cmdTables"));
        if (!tables || !tables->isEnabled()) throw std::runtime_error("Settings and Images is not enabled");
        tables->click();
        if (!shot) throw std::runtime_error("the settings dialog did not open");
    }

    void ExpectLogEnding(const char* name, const QString& ending) {
        auto* log = window_.findChild<QPlainTextEdit*>(QString::fromLatin1(name));
        if (!log || !log->toPlainText().trimmed().endsWith(ending))
            throw std::runtime_error(std::string(name) + " does not end in " + ending.toStdString() + ":\n" +
                                     (log ? log->toPlainText().toStdString() : std::string()));
    }

private:
    FrmMain& window_;
    QString output_;
    int finished_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption source(QStringLiteral("source"), QStringLiteral("Quillmart 4.6 SQLite shop."),
                                    QStringLiteral("file"));
    const QCommandLineOption destination(QStringLiteral("destination"),
                                         QStringLiteral("Blank Quillmart 5.104 SQLite shop (written to)."),
                                         QStringLiteral("file"));
    const QCommandLineOption output(QStringLiteral("output"), QStringLiteral("Folder for the pictures."),
                                    QStringLiteral("folder"));
    parser.addOptions({source, destination, output});
    parser.process(app);
    if (!parser.isSet(source) || !parser.isSet(destination) || !parser.isSet(output)) {
        std::fprintf(stderr, "screenshots: --source, --destination and --output are needed.\n");
        return 2;
    }
    QDir().mkpath(parser.value(output));

    try {
        ScriptedDialogs dialogs;
        FrmMain window(FrmMain::VersionCaption(qdt::app::kVersionMajor, qdt::app::kVersionMinor, qdt::app::kVersionPatch));
        window.SetDialogs(&dialogs);
        window.SetDefaultFiles(qdt::data::kSqlite, parser.value(source).toStdString(),
                               parser.value(destination).toStdString());
        window.show();
        Walk walk(window, parser.value(output));
        walk.Shoot(window, QStringLiteral("step0"));
        for (int step = 1; step <= 5; ++step) {
            walk.Next();
            if (step == 4) walk.ExpectLogEnding("txtStep2", QStringLiteral("Data Transfer Successful!"));
            walk.Shoot(window, QStringLiteral("step%1").arg(step));
            if (step == 3) walk.ShootSettings();
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "screenshots: %s\n", e.what());
        return 1;
    }
    return 0;
}
