#include "startup/StartUp.h"

#include "dictation_window/DictationLauncher.h"
#include "lesson_window/Form1.h"
#include "platform/RealServices.h"
#include "startup/DataFolder.h"
#include "startup/ExitSignals.h"
#include "startup/Installation.h"
#include "startup/ProcessEnd.h"
#include "startup/ProgramFiles.h"
#include "startup/QtTexts.h"
#include "startup/SelfCheck.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFontDatabase>
#include <QSessionManager>
#include <QStringList>
#include <QTimer>

namespace lesnor {
namespace {

QByteArray g_phoneticFamily;

// Ends the process once the first frame of a window has been painted (the whole frame:
// the exit waits for the event loop, after the repaint that painted it).
class ExitAfterFirstPaint : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !painted_) {
            painted_ = true;
            QTimer::singleShot(0, this, [] { endProcessNow(0); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool painted_ = false;
};

} // namespace

bool hasDisplay() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

const char* phoneticFontFamilyName() {
    return g_phoneticFamily.constData();
}

int StartUp(QApplication& app) {
    static RealServices services; // the one program-wide set, alive until the process ends
    static PrivateFolder folder;  // held open: every later file operation goes through it
    static DataFolderLock lock;

    installQtChineseTexts(app);
    setProgramFolder(findProgramFolder(QCoreApplication::applicationDirPath()));
    folder.open(QDir::tempPath());
    setDataFolder(folder.path());
    services.files.setPrivateFolder(&folder);
    lock.acquireShared(folder);

    installCarriedFiles(DataFolder(), services.files);

    // The phonetic font is added before the first window exists, so the pop-up's
    // phonetic label shows it from the very first start.
    const int fontId = QFontDatabase::addApplicationFont(dataPath(DataFolder(), files::font));
    if (fontId >= 0) {
        const QStringList families = QFontDatabase::applicationFontFamilies(fontId);
        if (!families.isEmpty())
            g_phoneticFamily = families.first().toUtf8();
    }

    services.speech.Register(QStringLiteral("        "), QStringLiteral("        "));
    services.speech.setSpeed(120);

    static ShutdownSequence shutdown(services.recorder, services.player, services.files, &lock,
                                     [] { endProcessNow(0); });

    shutdown.setFolder(&folder);

    static Form1 form(services.view);
    form.setShutDown([] { shutdown.run(DataFolder()); });
    // Ending by a signal or with the desktop session takes the same way out.
    static ExitSignals exitSignals([](int) { shutdown.run(DataFolder()); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, [] { shutdown.run(DataFolder()); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [] { shutdown.run(DataFolder()); });
    static DictationLauncher dictation(form, services.view);
    form.Form_Load();

    // An installation's self-check opens one lesson and reports whether it can be read.
    runLessonCheckIfAsked(form);

    // Start-up benchmarks measure process start to the window's first painted frame.
    if (qEnvironmentVariableIsSet("LESNOR_BENCH_EXIT_WHEN_SHOWN"))
        app.installEventFilter(new ExitAfterFirstPaint(&app));

    return app.exec();
}

} // namespace lesnor
