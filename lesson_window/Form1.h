#pragma once

#include "platform/Services.h"

#include <QMainWindow>
#include <functional>

namespace lesnor {

// The lesson window. Thin: it wires its controls' events to the logic classes and
// shows their results; it owns no player, file or database access of its own.
class Form1 : public QMainWindow {
    Q_OBJECT
public:
    explicit Form1(Services& services, QWidget* parent = nullptr);

    // The window's load handler: colours, catalogue, initial state, shown maximised.
    void Form_Load();

    // What closing the window and the menu item "退出" both run.
    void setShutDown(std::function<void()> shutDown) { shutDown_ = std::move(shutDown); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void runShutDown();

    Services& services_;
    std::function<void()> shutDown_;
};

} // namespace lesnor
