#include "lesson_window/Form1.h"

#include <QCloseEvent>
#include <QMenuBar>

namespace lesnor {

Form1::Form1(Services& services, QWidget* parent)
    : QMainWindow(parent)
    , services_(services) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Vyk真人发音电子版 V3.2"));
    buildMenus();
}

void Form1::buildMenus() {
    QMenu* fileMenu = menuBar()->addMenu(QStringLiteral("文件(F)"));
    fileMenu->setObjectName(QStringLiteral("文件"));
    QAction* quit = fileMenu->addAction(QStringLiteral("退出"));
    quit->setObjectName(QStringLiteral("退出"));
    connect(quit, &QAction::triggered, this, &Form1::runShutDown);

    QMenu* helpMenu = menuBar()->addMenu(QStringLiteral("帮助(H)"));
    helpMenu->setObjectName(QStringLiteral("帮助"));
    QAction* help = helpMenu->addAction(QStringLiteral("在线帮助"));
    help->setObjectName(QStringLiteral("在线帮助"));
    QAction* home = helpMenu->addAction(QStringLiteral("访问作者主页"));
    home->setObjectName(QStringLiteral("访问作者主页"));
}

void Form1::Form_Load() {
    setWindowState(windowState() | Qt::WindowMaximized);
    show();
}

void Form1::closeEvent(QCloseEvent* event) {
    runShutDown();
    event->accept();
}

void Form1::runShutDown() {
    if (shutDown_)
        shutDown_();
}

} // namespace lesnor
