#pragma once
// Tells when the computer wakes from suspend, from logind's PrepareForSleep signal on the system bus.
// Where there is no logind (or no system bus) it stays silent; the scheduler still notices the jump of
// the wall clock at its next tick.

#include <QObject>

namespace kalvo {

class SleepWatcher : public QObject {
    Q_OBJECT
public:
    explicit SleepWatcher(QObject* parent = nullptr);

signals:
    void Resumed();

private slots:
    void PrepareForSleep(bool sleeping);
};

}  // namespace kalvo
