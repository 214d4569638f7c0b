#include "startup/StartUp.h"

#include "dictation_window/DictationLauncher.h"
#include "drill/DrillSettings.h"
#include "drill/SentenceDrill.h"
#include "drill/SettingsWriter.h"
#include "learner/LearnerRecord.h"
#include "learner/SqliteLearnerStore.h"
#include "lesson_window/Form1.h"
#include "platform/DataFolder.h"
#include "platform/RunningCopies.h"
#include "platform/SetUpGate.h"
#include "resources/Installation.h"
#include "resources/ProgramFiles.h"
#include "startup/ExitSignals.h"
#include "startup/LearnerLink.h"
#include "startup/ProcessEnd.h"
#include "startup/QtTexts.h"
#include "startup/RealServices.h"
#include "startup/SelfCheck.h"
#include "startup/SpeakingLink.h"
#include "widgets/PhoneticFont.h"
#include "widgets/WindowKit.h"

#include <QApplication>
#include <QDir>
#include <QSessionManager>

namespace lesnor {
namespace {

// The drill's choices of the last run, and every change kept as it is made (written by
// `writer` off the user-interface thread); a file that cannot be written is said once,
// and the program goes on with the choices.
void keepDrillSettings(Form1& form, SettingsWriter& writer, const QString& path) {
    form.drill().restore(DrillSettings::read(path));
    form.drill().setKeeper([&writer](const DrillSettings& settings) { writer.keep(settings); });
    QObject::connect(&writer, &SettingsWriter::failed, &form, [&form, told = false]() mutable {
        if (!told) {
            told = true;
            form.showNotice(QStringLiteral("无法保存练习设置，下次启动将恢复默认"));
        }
    });
}

} // namespace

bool hasDisplay() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

int StartUp(QApplication& app) {
    // The player's output and the voice are set up once the window is up.
    holdSetUp();
    static RealServices services; // the one program-wide set, alive until the process ends
    static PrivateFolder folder;  // held open: every later file operation goes through it
    static DataFolderLock lock;

    installQtChineseTexts(app);
    setProgramFolder(findProgramFolder(QCoreApplication::applicationDirPath()));
    folder.open(QDir::tempPath());
    setDataFolder(folder.path());
    services.files.setPrivateFolder(&folder);
    services.capture.setPrivateFolder(&folder);
    lock.acquireShared(folder);
    // Copies running at once each record into their own file; what killed ones left goes.
    static RecordingClaim recordingClaim;
    recordingClaim.claim(folder);
    removeOrphanedRecordings(folder);
    removeAbandonedFolders(QDir::tempPath());

    installCarriedFiles(DataFolder(), services.files);

    // The phonetic font is added before the first window exists, so the pop-up's
    // phonetic label shows it from the very first start.
    addPhoneticFont(dataPath(DataFolder(), files::font));

    services.speech.Register(QStringLiteral("        "), QStringLiteral("        "));
    services.speech.setSpeed(120);

    // The learner's record opens on its own thread, in the user's data folder.
    static LearnerRecord record([] { return std::make_unique<SqliteLearnerStore>(learnerDatabasePath()); });

    static SettingsWriter drillSettings(DrillSettings::standardPath());

    // What the learner did last is saved before the process ends.
    static ShutdownSequence shutdown(services.recorder, services.player, services.files, &lock, [] {
        drillSettings.flush(1000);
        record.flush(2000);
        endProcessNow(0);
    });

    shutdown.setFolder(&folder);

    static Form1 form(services.view);
    form.setShutDown([] { shutdown.run(DataFolder()); });
    keepDrillSettings(form, drillSettings, DrillSettings::standardPath());
    // Ending by a signal or with the desktop session takes the same way out.
    static ExitSignals exitSignals([](int) { shutdown.run(DataFolder()); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, [] { shutdown.run(DataFolder()); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [] { shutdown.run(DataFolder()); });
    static DictationLauncher dictation(form, services.view);
    static LearnerLink learnerLink(record, form, dictation, services.speech);
    static SpeakingLink speakingLink(form, dictation, services.player, services.take, services.clips,
                                     services.sound);
    form.Form_Load();
    afterFirstFrame(form, [] { releaseSetUp(); });

    // An installation's self-check opens one lesson and reports whether it can be read.
    runLessonCheckIfAsked(form);

    // Start-up benchmarks measure process start to the window's first painted frame.
    if (qEnvironmentVariableIsSet("LESNOR_BENCH_EXIT_WHEN_SHOWN"))
        afterFirstFrame(form, [] { endProcessNow(0); });

    return app.exec();
}

} // namespace lesnor
