// The wizard. Optional: --source FILE --destination FILE offer two SQLite
// shops (for example the demo shops) on the database pages of a Data Copy;
// --rehearse makes every Data Copy a rehearsal that keeps nothing.
#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <memory>

#include "app/Version.h"
#include "wizard/ui/FrmMain.h"

namespace {

struct Options {
    QCommandLineOption source{QStringLiteral("source"), QStringLiteral("SQLite shop to copy from."),
                              QStringLiteral("file")};
    QCommandLineOption destination{QStringLiteral("destination"), QStringLiteral("SQLite shop to copy into."),
                                   QStringLiteral("file")};
    QCommandLineOption rehearse{QStringLiteral("rehearse"),
                                QStringLiteral("Rehearse every Data Copy: run it whole, then roll it back, so that "
                                               "nothing is kept.")};
};

void Describe(QCommandLineParser& parser, const Options& options) {
    parser.setApplicationDescription(QStringLiteral("Moves shop data into a Quillmart 5 database."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(options.source);
    parser.addOption(options.destination);
    parser.addOption(options.rehearse);
}

}  // namespace

int main(int argc, char** argv) {
    const QString name = QStringLiteral("Quillmart Data Tool");
    const QString version = QString::fromLatin1(qdt::app::kVersion);
    Options options;
    QCommandLineParser parser;
    Describe(parser, options);
    {
        // Help, version and mistakes are answered before the window's
        // application starts, which needs a display.
        auto core = std::make_unique<QCoreApplication>(argc, argv);
        QCoreApplication::setApplicationName(name);
        QCoreApplication::setApplicationVersion(version);
        if (!parser.parse(QCoreApplication::arguments())) {
            std::fprintf(stderr, "%s\n\n%s", qPrintable(parser.errorText()), qPrintable(parser.helpText()));
            return 2;
        }
        if (parser.isSet(QStringLiteral("help"))) {
            std::fputs(qPrintable(parser.helpText()), stdout);
            return 0;
        }
        if (parser.isSet(QStringLiteral("version"))) {
            std::printf("%s %s\n", qPrintable(name), qPrintable(version));
            return 0;
        }
    }

    // Without a display Qt would abort; say what is missing instead.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fputs("The wizard needs a display: start it on a desktop, under xvfb-run, or with "
                   "QT_QPA_PLATFORM=offscreen. quillmart-datatool-cli does the same work without one.\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(name);
    QApplication::setApplicationVersion(version);

    // Shown as full paths, so the confirmation does not depend on where the wizard was started.
    auto fullPath = [&](const QCommandLineOption& option) {
        return parser.isSet(option) ? QFileInfo(parser.value(option)).absoluteFilePath().toStdString() : std::string();
    };
    using qdt::wizard::ui::FrmMain;
    FrmMain window(FrmMain::VersionCaption(qdt::app::kVersionMajor, qdt::app::kVersionMinor, qdt::app::kVersionPatch));
    if (parser.isSet(options.source) || parser.isSet(options.destination))
        window.SetDefaultFiles(qdt::data::kSqlite, fullPath(options.source), fullPath(options.destination));
    window.SetRehearsal(parser.isSet(options.rehearse));
    window.show();
    return QApplication::exec();
}
