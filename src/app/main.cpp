// The wizard. Optional: --source FILE --destination FILE offer two SQLite
// shops (for example the demo shops) on the database pages of a Data Copy.
#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>

#include "app/Version.h"
#include "wizard/ui/FrmMain.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmart Data Tool"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Moves shop data into a Quillmart 5 database."));
    parser.addHelpOption();
    const QCommandLineOption source(QStringLiteral("source"), QStringLiteral("SQLite shop to copy from."),
                                    QStringLiteral("file"));
    const QCommandLineOption destination(QStringLiteral("destination"), QStringLiteral("SQLite shop to copy into."),
                                         QStringLiteral("file"));
    parser.addOption(source);
    parser.addOption(destination);
    parser.process(app);

    // Shown as full paths, so the confirmation does not depend on where the wizard was started.
    auto fullPath = [&](const QCommandLineOption& option) {
        return parser.isSet(option) ? QFileInfo(parser.value(option)).absoluteFilePath().toStdString() : std::string();
    };
    using qdt::wizard::ui::FrmMain;
    FrmMain window(FrmMain::VersionCaption(qdt::app::kVersionMajor, qdt::app::kVersionMinor, qdt::app::kVersionPatch));
    if (parser.isSet(source) || parser.isSet(destination))
        window.SetDefaultFiles(qdt::data::kSqlite, fullPath(source), fullPath(destination));
    window.show();
    return QApplication::exec();
}
