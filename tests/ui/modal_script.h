#pragma once
// Acts on every modal window that comes up, in turn, while the test's ticks run; a window that comes up
// after the last step is left alone (the test counts the steps done).

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

namespace kalvo::test {

class ModalScript : public QObject {
public:
    explicit ModalScript(std::vector<std::function<void(QWidget*)>> steps) : steps_(std::move(steps)) {
        poll_.setInterval(0);
        connect(&poll_, &QTimer::timeout, this, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == last_ || done_ >= steps_.size()) return;
            last_ = modal;
            // Run outside this timer's slot, so that a window the step opens gets its own turn.
            QTimer::singleShot(0, modal, [step = steps_[done_++], modal] { step(modal); });
        });
        poll_.start();
    }
    std::size_t Done() const { return done_; }

private:
    QTimer poll_;
    std::vector<std::function<void(QWidget*)>> steps_;
    std::size_t done_ = 0;
    QWidget* last_ = nullptr;
};

}  // namespace kalvo::test
