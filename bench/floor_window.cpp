// The floor of the start-up benchmark: the least a Qt Widgets program does to show a
// window with a line of text, leaving once its first frame has been painted (as Lesnor
// does under LESNOR_BENCH_EXIT_WHEN_SHOWN).
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <cstdlib>

namespace {

class ExitAfterFirstPaint : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !painted_) {
            painted_ = true;
            QTimer::singleShot(0, this, [] { std::_Exit(0); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool painted_ = false;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    app.installEventFilter(new ExitAfterFirstPaint(&app));
    QLabel label(QStringLiteral("Lesnor 课文"));
    label.resize(640, 480);
    label.show();
    return app.exec();
}
