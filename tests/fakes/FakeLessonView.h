#pragma once

#include "lessons/Lesson.h"
#include "playback/LessonView.h"

#include <QList>
#include <QPair>
#include <QStringList>
#include <QtTest>

namespace lesnor::test {

// The lesson window's state as the playback logic leaves it. Every change is also
// appended to `log` when one is given ("red 12+4", "teal 0+10", "caret 16", "r2 Yes?",
// "Label8 …", "read on", "stop off", "Label5(1) off"); sharing FakeMediaPlayer::calls
// as the log shows view and player effects in one order.
class FakeLessonView final : public ILessonView {
public:
    explicit FakeLessonView(QStringList* log = nullptr)
        : log_(log) {}

    // The lesson text of `lesson`, all teal.
    void showLesson(const Lesson& lesson) { red = QList<bool>(lesson.documentStart(lesson.count()), false); }

    // The red ranges as "start+length", in text order.
    QStringList redRanges() const {
        QStringList out;
        for (int i = 0; i < red.size(); ++i) {
            if (red.at(i) && (i == 0 || !red.at(i - 1))) {
                int end = i;
                while (end < red.size() && red.at(end))
                    ++end;
                out << QStringLiteral("%1+%2").arg(i).arg(end - i);
            }
        }
        return out;
    }

    void colourLessonText(int start, int length, TextColour colour) override {
        const bool isRed = colour == TextColour::Red;
        note(QStringLiteral("%1 %2+%3").arg(isRed ? "red" : "teal").arg(start).arg(length));
        QVERIFY2(start >= 0 && start + length <= red.size(), "colour outside the lesson text");
        for (int i = start; i < start + length; ++i)
            red[i] = isRed;
    }
    void setLessonCaret(int position) override {
        note(QStringLiteral("caret %1").arg(position));
        caret = position;
    }
    void setSentenceText(const QString& text) override {
        note(QStringLiteral("r2 ") + text);
        r2 = text;
    }
    void setCaption(Caption label, const QString& text) override {
        static const char* const names[] = {"Label8", "Label9", "Label10"};
        note(QString::fromLatin1(names[int(label)]) + QLatin1Char(' ') + text);
        captions[int(label)] = text;
    }
    bool translationShown() const override { return translationIsShown; }
    void setReadCommandEnabled(bool enabled) override {
        note(enabled ? "read on" : "read off");
        readEnabled = enabled;
    }
    void setStopCommandEnabled(bool enabled) override {
        note(enabled ? "stop on" : "stop off");
        stopEnabled = enabled;
    }
    void setToolbarButtonEnabled(int index, bool enabled) override {
        note(QStringLiteral("Label5(%1) %2").arg(index).arg(enabled ? "on" : "off"));
        toolbar[index] = enabled;
    }
    void setPositionText(const QString& text) override { Text1 = text; }

    QString caption(Caption label) const { return captions[int(label)]; }

    QList<bool> red; // per character of the lesson text
    int caret = 0;
    QString r2;
    QString Text1 = QStringLiteral("0");
    bool translationIsShown = true;
    bool readEnabled = false;
    bool stopEnabled = false;
    bool toolbar[6] = {true, true, true, true, false, false};

private:
    void note(const QString& entry) {
        if (log_)
            log_->append(entry);
    }
    void note(const char* entry) { note(QString::fromLatin1(entry)); }

    QString captions[3];
    QStringList* log_;
};

} // namespace lesnor::test
