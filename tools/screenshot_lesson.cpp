// Renders the lesson window with book 1 lesson 1 loaded (nothing highlighted) and saves
// it as a PNG: screenshot_lesson [output.png] [width height]
// With --dictation first, renders the dictation window instead, opened from the lesson
// window, on the same lesson's third sentence with some typing and the answer shown:
// screenshot_lesson --dictation [output.png]
// With --marked first, the dictation window on that sentence with a typed answer that
// has a missing, a wrong, a misspelt and an extra word, marked by "答  案":
// screenshot_lesson --marked [output.png]
// With --summary first, the dictation window after every sentence of the lesson was
// answered, some with mistakes: the lesson's summary over the translation panel:
// screenshot_lesson --summary [output.png]
// With --popup first, renders the lesson window with the word pop-up held open on the
// longest word of the lesson text's first lines (the dictionary of the data folder, else the build's):
// screenshot_lesson --popup [output.png]
// With --notebook first, renders the word notebook after words of the lesson's sentences
// were looked up (some twice), the first one's sentence shown, 900 x 420 unless sized:
// screenshot_lesson --notebook [output.png] [width height]
// With --reading first, the lesson window on its third sentence: red in the text, in the
// sentence box, its translation below; --menu also loops it at 0.9x with the menu "练习"
// open; --title shows the tool tip of lesson 3 in the catalogue (its title):
// screenshot_lesson --reading|--menu|--title [output.png] [width height]
// Menus and tool tips, windows of their own, are drawn onto the window where they stand.
//
// Uses the lesson database of the data folder when one is given through
// LESNOR_SCREENSHOT_DATA (a folder holding qlxxcl.wrd), else a small sample lesson.
#include "dictation_window/DictationController.h"
#include "dictation_window/DictationLauncher.h"
#include "dictation_window/Form2.h"
#include "dictation_window/MarkingSession.h"
#include "dictionary/WordLookup.h"
#include "learner/LearnerRecord.h"
#include "learner/SqliteLearnerStore.h"
#include "lesson_window/Form1.h"
#include "lessons/LessonDatabaseBuilder.h"
#include "notebook_window/NotebookWindow.h"
#include "platform/DataFolder.h"
#include "playback/SentenceController.h"
#include "resources/Installation.h"
#include "startup/RealServices.h"
#include "widgets/WordPopup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolTip>
#include <QTreeWidget>
#include <cstdio>

using namespace lesnor;

namespace {

QList<SentenceRow> sampleSentences() {
    const char* const rows[][4] = {
        {"Good morning, Tom.", "早上好，汤姆。", ".5", "2.1"},
        {"Good morning, Lucy. How are you today?", "早上好，露西。你今天好吗？", "2.4", "5.6"},
        {"I'm fine, thank you. And you?", "我很好，谢谢。你呢？", "5.9", "8.2"},
        {"Very well, thanks. Is this your bag?", "很好，谢谢。这是你的包吗？", "8.5", "11.3"},
        {"No, it isn't. My bag is blue.", "不，不是。我的包是蓝色的。", "11.6", "14.0"},
        {"Whose bag is it, then?", "那么这是谁的包呢？", "14.3", "16.2"},
        {"Perhaps it is Mr. Brown's. He sat here this morning.", "也许是布朗先生的。他今天早上坐在这里。",
         "16.5", "20.4"},
        {"Let's give it to the teacher.", "我们把它交给老师吧。", "20.7", "22.9"},
        {"That's a good idea. Come on!", "好主意。走吧！", "23.2", ""},
    };
    QList<SentenceRow> out;
    for (const auto& r : rows)
        out.append({QString::fromUtf8(r[0]), QString::fromUtf8(r[1]), QString::fromUtf8(r[2]),
                    QString::fromUtf8(r[3]), QStringLiteral("Lesson 1"), QStringLiteral("1")});
    return out;
}

QList<WordRow> sampleWords() {
    const char* const rows[][2] = {
        {"morning", "n.早晨"},  {"today", "ad.今天"},   {"fine", "a.好的"},
        {"thank", "v.感谢"},    {"bag", "n.包"},        {"blue", "a.蓝色的"},
        {"whose", "pron.谁的"}, {"perhaps", "ad.也许"}, {"sit", "v.坐(过去式 sat)"},
        {"teacher", "n.老师"},  {"idea", "n.主意"},
    };
    QList<WordRow> out;
    for (const auto& r : rows)
        out.append({QString::fromUtf8(r[0]), QString::fromUtf8(r[1]), QStringLiteral("Lesson 1"),
                    QStringLiteral("1")});
    return out;
}

// The sentence as a learner with a few mistakes might type it: the first word wrong,
// the second left out, two letters of the longest word swapped and one word too many.
QString withMistakes(const QString& sentence) {
    QStringList words = sentence.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() < 3)
        return sentence.toLower() + QStringLiteral(" please");
    words[0] = QStringLiteral("Was");
    words.removeAt(1);
    qsizetype longest = 1;
    for (qsizetype i = 1; i < words.size(); ++i)
        if (words[i].size() > words[longest].size())
            longest = i;
    if (words[longest].size() > 3)
        std::swap(words[longest][1], words[longest][2]);
    words << QStringLiteral("please");
    return words.join(QLatin1Char(' '));
}

// The window as seen: with the menus and tool tips open over it, each a window of its own.
QPixmap grabWithPopups(QWidget& window) {
    QPixmap shot = window.grab();
    QPainter painter(&shot);
    const QPoint origin = window.mapToGlobal(QPoint(0, 0));
    for (QWidget* w : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = w->windowType();
        if (w != &window && w->isVisible() && (type == Qt::Popup || type == Qt::ToolTip))
            painter.drawPixmap(w->mapToGlobal(QPoint(0, 0)) - origin, w->grab());
    }
    return shot;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments();
    const bool marked = args.value(1) == QStringLiteral("--marked");
    const bool summary = args.value(1) == QStringLiteral("--summary");
    const bool dictation = args.value(1) == QStringLiteral("--dictation") || marked || summary;
    const bool popup = args.value(1) == QStringLiteral("--popup");
    const bool notebook = args.value(1) == QStringLiteral("--notebook");
    const bool menu = args.value(1) == QStringLiteral("--menu");
    const bool title = args.value(1) == QStringLiteral("--title");
    const bool reading = args.value(1) == QStringLiteral("--reading") || menu;
    if (dictation || popup || notebook || reading || title)
        args.removeAt(1);
    const QString output = args.value(1, marked      ? QStringLiteral("screenshot-marked.png")
                                         : summary   ? QStringLiteral("screenshot-summary.png")
                                         : dictation ? QStringLiteral("screenshot-dictation.png")
                                         : popup     ? QStringLiteral("screenshot-popup.png")
                                         : notebook  ? QStringLiteral("screenshot-notebook.png")
                                         : menu      ? QStringLiteral("screenshot-menu.png")
                                         : reading   ? QStringLiteral("screenshot-reading.png")
                                         : title     ? QStringLiteral("screenshot-title.png")
                                                     : QStringLiteral("screenshot-lesson.png"));
    const int width = args.value(2, QStringLiteral("1280")).toInt();
    const int height = args.value(3, QStringLiteral("800")).toInt();

    QTemporaryDir temp;
    // The learner's own preferences play no part: every option at its default.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(temp.path() + QStringLiteral("/config")));
    const QString given = qEnvironmentVariable("LESNOR_SCREENSHOT_DATA");
    if (!given.isEmpty()) {
        setDataFolder(QDir(given).absolutePath() + QLatin1Char('/'));
    } else {
        setDataFolder(temp.path() + QLatin1Char('/'));
        QFile db(dataPath(DataFolder(), files::database));
        if (!db.open(QIODevice::WriteOnly) ||
            db.write(buildLessonDatabase(sampleSentences(), sampleWords())) <= 0) {
            std::fprintf(stderr, "cannot write the sample lesson database\n");
            return 1;
        }
    }
    // A stand-in recording, so the read command shows enabled as with a real pack.
    setProgramFolder(temp.path());
    QDir(temp.path()).mkpath(QStringLiteral("语音库"));
    QFile audio(temp.path() + QStringLiteral("/语音库/QLX101.dat"));
    if (audio.open(QIODevice::WriteOnly))
        audio.write("ID3");
    audio.close();

    RealServices services(GstMediaPlayer::Output::Silent);

    Form1 form(services.view);
    form.Form_Load();
    form.showNormal();
    form.resize(width, height);
    QTreeWidget* tree = form.T1();
    QTreeWidgetItem* book = tree->topLevelItem(0);
    tree->setCurrentItem(book);
    form.LoadLesson(); // opens book 1
    tree->setCurrentItem(book->child(0));
    form.LoadLesson();
    app.processEvents();

    if (reading) {
        for (int i = 0; i < 3; ++i)
            form.controller().nextSentence();
    }
    if (menu) {
        for (const char* name : {"单句循环", "慢一点"})
            form.findChild<QAction*>(QString::fromUtf8(name))->trigger();
        services.view.player.stop();
        form.menuBar()->setActiveAction(form.practiceMenu()->menuAction());
    }
    if (title) {
        QTreeWidgetItem* lesson = book->child(2);
        const QRect at = tree->visualItemRect(lesson);
        QToolTip::showText(tree->viewport()->mapToGlobal(QPoint(at.left() + 60, at.center().y())),
                           lesson->toolTip(0), tree);
    }
    app.processEvents();

    QWidget* shown = &form;
    DictationLauncher launcher(form, services.view);
    if (dictation) {
        launcher.open();
        Form2* form2 = launcher.window();
        QTreeWidget* tree2 = form2->T1();
        tree2->setCurrentItem(tree2->topLevelItem(0));
        form2->LoadLesson();
        tree2->setCurrentItem(tree2->topLevelItem(0)->child(0));
        form2->LoadLesson();
        const QStringList sentences = form2->controller().lesson().List1;
        auto answer = [&](const QString& typed) {
            form2->r1()->setPlainText(typed);
            form2->controller().showAnswer();
            form2->marking().markAnswer(form2->DictationIndex(), typed);
        };
        if (summary) {
            for (int i = 0; i < sentences.size(); ++i) {
                if (i > 0) {
                    form2->controller().nextSentence();
                    form2->marking().sentenceShown(i);
                }
                answer(i % 3 == 1 ? withMistakes(sentences[i]) : sentences[i].toLower());
            }
        } else {
            form2->controller().nextSentence();
            form2->controller().nextSentence();
            form2->marking().sentenceShown(2);
            // What a learner might have typed: the sentence in lower case, without its stop.
            QString typed = sentences.value(form2->DictationIndex()).toLower();
            typed.chop(1);
            if (marked)
                answer(withMistakes(sentences.value(form2->DictationIndex())));
            else {
                form2->r1()->setPlainText(typed);
                form2->controller().showAnswer();
            }
        }
        services.view.player.stop();
        app.processEvents();
        shown = form2;
    }

    if (popup || notebook) {
        if (!QFile::exists(dataPath(DataFolder(), files::dictionary)))
            QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/../pack/mswrd.wd"),
                        dataPath(DataFolder(), files::dictionary));
    }
    if (popup) {
        // On the longest word of the first lines, where it has most to show.
        QTextEdit* r1 = form.r1();
        const QString text = r1->toPlainText().left(120);
        int k = 0, longest = 0;
        for (auto it = QRegularExpression(QStringLiteral("[A-Za-z]+")).globalMatch(text); it.hasNext();) {
            const QRegularExpressionMatch word = it.next();
            if (word.capturedLength() > longest)
                longest = int(word.capturedLength()), k = int(word.capturedStart()) + 2;
        }
        QTextCursor at(r1->document());
        at.setPosition(k);
        form.wordPopup().press(r1, PopupLayout::Source::LessonText, r1->cursorRect(at).center());
        app.processEvents();
    }

    std::unique_ptr<LearnerRecord> record;
    std::unique_ptr<NotebookWindow> window;
    if (notebook) {
        const QString path = temp.filePath(QStringLiteral("learner.sqlite"));
        record = std::make_unique<LearnerRecord>(
            [path] { return std::make_unique<SqliteLearnerStore>(path); }, LearnerRecord::Threading::Inline);
        WordLookup lookup(services.speech, [] { return dataPath(DataFolder(), files::dictionary); });
        const Lesson& lesson = form.lesson();
        // A fixed day, so that the picture is made the same again.
        QDateTime when(QDate(2026, 3, 2), QTime(9, 0), Qt::UTC);
        int kept = 0;
        for (int i = 0; i < lesson.count() && kept < 9; ++i) {
            const QStringList words = lesson.List1.at(i).split(
                QRegularExpression(QStringLiteral("[^A-Za-z']+")), Qt::SkipEmptyParts);
            for (const QString& word : words) {
                const std::optional<DictionaryEntry> entry =
                    word.size() >= 4 ? lookup.schword(word) : std::nullopt;
                if (!entry || record->snapshot().words.contains(wordKey(entry->headword)))
                    continue;
                NotebookWord w;
                w.headword = entry->headword;
                w.form = word;
                w.phonetic = entry->phoneticIpa();
                w.meaning = entry->meaning;
                w.sentence = lesson.List1.at(i);
                w.lesson = {1, 1};
                for (int n = 0; n <= kept % 3; ++n) {
                    when = when.addSecs(2473);
                    record->record(change::LookedUp{w, when});
                }
                if (++kept >= 9 || kept % 2 == 0)
                    break;
            }
        }
        window = std::make_unique<NotebookWindow>(*record, services.speech);
        window->resize(args.size() > 3 ? QSize(width, height) : QSize(900, 420));
        window->show();
        window->activateRow(0);
        window->table()->selectRow(0);
        app.processEvents();
        shown = window.get();
    }

    if (!grabWithPopups(*shown).save(output)) {
        std::fprintf(stderr, "cannot save %s\n", qPrintable(output));
        return 1;
    }
    std::printf("%s\n", qPrintable(output));
    return 0;
}
