#pragma once

// A lesson window on the fixture lesson data and fake services, for the window tests.
// Mouse events go through the window, so they reach whatever control lies under the
// pointer, and a release goes to the control that had the press.
#include "FakeServices.h"
#include "LessonFixture.h"
#include "lesson_window/Form1.h"
#include "platform/DataFolder.h"

#include <QTreeWidget>
#include <QtTest>
#include <functional>
#include <memory>

namespace lesnor::test {

class Form1Harness {
protected:
    std::unique_ptr<LessonFixture> fx_;
    std::unique_ptr<FakeServices> services_;
    std::unique_ptr<Form1> form_;

    // Fixture folders, fresh fakes (`prepare` may set them up) and a loaded, shown window.
    void openWindow(const std::function<void(FakeServices&)>& prepare = {}) {
        fx_ = std::make_unique<LessonFixture>();
        setDataFolder(fx_->dataFolder());
        setProgramFolder(fx_->programFolder());
        services_ = std::make_unique<FakeServices>();
        if (prepare)
            prepare(*services_);
        form_ = std::make_unique<Form1>(services_->view);
        form_->Form_Load();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    }
    void closeWindow() {
        form_.reset();
        services_.reset();
        fx_.reset();
    }

    // A click on a node of T1: book `book`, its lesson `lesson` (0: the book itself).
    void choose(int book, int lesson) {
        QTreeWidgetItem* node = form_->T1()->topLevelItem(book - 1);
        if (lesson > 0)
            node = node->child(lesson - 1);
        form_->T1()->setCurrentItem(node);
        form_->LoadLesson();
    }

    QPoint at(QWidget* w, QPoint local = {-1, -1}) const {
        return w->mapTo(form_.get(), local.x() < 0 ? w->rect().center() : local);
    }
    void press(QPoint p, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mousePress(form_->windowHandle(), b, {}, p);
    }
    void release(QPoint p, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mouseRelease(form_->windowHandle(), b, {}, p);
    }
};

} // namespace lesnor::test
