#pragma once
// A window animation as a list of small steps with a short pause after each. The steps run on a timer,
// so the window repaints between them and stays responsive; whoever changes the view meanwhile can end
// the animation at once or drop what is left of it.

#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>

namespace kalvo::ui {

class StepAnimation : public QObject {
    Q_OBJECT
public:
    explicit StepAnimation(QObject* parent = nullptr);

    // A step and the pause after it.
    void Add(std::function<void()> step, int pauseMs);
    // Runs the first step now and the others after their pauses.
    void Start();
    // Runs every step still waiting, without pauses.
    void Finish();
    // Drops every step still waiting.
    void Stop();
    bool Running() const { return !steps_.empty(); }

private:
    struct Step {
        std::function<void()> run;
        int pauseMs;
    };
    void RunNext();

    std::deque<Step> steps_;
    QTimer timer_;
};

}  // namespace kalvo::ui
