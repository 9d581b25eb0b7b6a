#include "ui/widgets/step_animation.h"

namespace kalvo::ui {

StepAnimation::StepAnimation(QObject* parent) : QObject(parent) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &StepAnimation::RunNext);
}

void StepAnimation::Add(std::function<void()> step, int pauseMs) { steps_.push_back({std::move(step), pauseMs}); }

void StepAnimation::Start() {
    if (!timer_.isActive()) RunNext();
}

void StepAnimation::RunNext() {
    if (steps_.empty()) return;
    Step step = std::move(steps_.front());
    steps_.pop_front();
    step.run();
    if (!steps_.empty()) timer_.start(step.pauseMs);
}

void StepAnimation::Finish() {
    timer_.stop();
    while (!steps_.empty()) {
        Step step = std::move(steps_.front());
        steps_.pop_front();
        step.run();
    }
}

void StepAnimation::Stop() {
    timer_.stop();
    steps_.clear();
}

}  // namespace kalvo::ui
